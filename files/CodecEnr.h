#pragma once

#include "core/Echantillon.h"
#include "core/ValeurMesure.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QString>

#include <optional>

namespace files {

/// Header line of a record file, 8-bit Western text ("°" is the byte 0xB0).
QByteArray enteteEnr();
/// One record line: number;value;date;time followed by CR LF.
QByteArray ligneEnr(qint64 numero, const core::ValeurMesure& valeur, const QString& date,
                    const QString& heure);
/// The line of a sample, followed by CR LF.
QByteArray ligneEnr(const core::Echantillon& e);

/// What analyse_ligne found in one record line.
struct ResultatAnalyse {
    enum class Type {
        Valeur,       ///< `valeur` holds the parsed value
        ErreurFormat, ///< the line holds no ";"
        PasUnNombre   ///< the value text is not a number
    };
    Type type = Type::PasUnNombre;
    double valeur = 0;
};

/// Parses a record line: the value is the text after the first ";", at most
/// four characters, stopping at the next ";".
ResultatAnalyse analyse_ligne(QByteArrayView ligne);
/// The same when the first ";" is known to be at `sep` (-1: none).
ResultatAnalyse analyse_ligne(QByteArrayView ligne, qsizetype sep);
ResultatAnalyse analyse_ligne(const QString& ligne);
/// The same once the value's text is cut out (what follows the first ";", its
/// first character always, then up to three more before a ";").
ResultatAnalyse analyseValeur(QByteArrayView texte);

/// The four fields of a record line, as written (empty where the line has fewer).
struct ChampsEnr {
    QByteArrayView numero;
    QByteArrayView valeur;
    QByteArrayView date;
    QByteArrayView heure;
};
ChampsEnr champsEnr(QByteArrayView ligne);
/// Bytes that must be readable after the end of a line given to champsEnrLu.
constexpr qsizetype kMargeLigne = 8;
/// champsEnr for a line that lies in a reader's buffer with kMargeLigne readable
/// bytes after it, read eight bytes at a time; `retourSeul` is set as
/// retourChariotSeul would say, from the same pass.
ChampsEnr champsEnrLu(QByteArrayView ligne, bool& retourSeul);
/// True when a carriage return inside the line is followed by anything but a zero
/// byte: the lines of such a file end with a carriage return alone (older Mac
/// files) and would all read as one. In UTF-16 text a carriage return is followed
/// by a zero byte, and that file fails on its values instead.
bool retourChariotSeul(QByteArrayView ligne);

/// The record number a line starts with; nullopt when its first field is not a
/// whole number.
std::optional<qint64> numeroEnr(QByteArrayView ligne);
/// The same of a first field already cut out of its line.
std::optional<qint64> numeroChamp(QByteArrayView champ);
/// A field of `n` digits at `p` as a number; -1 when one is not a digit.
int chiffresEnr(const char* p, int n);
/// True for a line a recording writes: a record number and a value that reads as
/// a number. A header line is none.
bool estLigneEnr(QByteArrayView ligne);
/// A line's date ("mm-dd-yyyy") and time ("hh:mm:ss") fields as written; both
/// invalid when they are not a date and a time.
struct DateHeureEnr {
    QDate date;
    QTime heure;
    bool valide() const { return date.isValid() && heure.isValid(); }
};
DateHeureEnr dateHeureEnr(QByteArrayView date, QByteArrayView heure);

} // namespace files
