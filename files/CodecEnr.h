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

/// The four fields of a record line, as written (empty where the line has fewer).
struct ChampsEnr {
    QByteArrayView numero;
    QByteArrayView valeur;
    QByteArrayView date;
    QByteArrayView heure;
};
ChampsEnr champsEnr(QByteArrayView ligne);

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
