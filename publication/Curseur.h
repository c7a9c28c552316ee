#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <optional>

class QFile;

namespace publication {

/// How far the broker has acknowledged a record file: the last sample it holds, and
/// the byte where the next line begins. Kept beside the record file, replaced whole
/// each time (never half written).
struct Curseur {
    qint64 octet = 0; ///< where reading goes on
    qint64 n = 0;     ///< record number of the last sample acknowledged (0: none)
    QString session;  ///< its run
    qint64 tMs = 0;   ///< its instant
    /// What identifies the file: the prints of its first line and of the line that
    /// ends at `octet` (0: not known, a cursor of an older version).
    quint64 premiere = 0;
    quint64 derniere = 0;
    /// For an events file: whether an alarm is in force after the last event
    /// acknowledged (-1: not known).
    int alarme = -1;
    /// Where the next file of the same run starts from: the run, its last number
    /// and instant, and the alarm state go on; nothing of that file is read yet.
    Curseur suite() const {
        Curseur s;
        s.n = n;
        s.session = session;
        s.tMs = tMs;
        s.alarme = alarme;
        return s;
    }
};

/// A line's print (its bytes, line end included): tells a replaced file from the
/// one the cursor was written for. Never 0.
quint64 empreinte(QByteArrayView ligne);
/// The print of the first line of `f`; nullopt while it is not whole.
std::optional<quint64> empreintePremiere(QFile& f);
/// The print of the line that ends just before byte `octet` of `f` (octet > 0);
/// nullopt when it cannot be read.
std::optional<quint64> empreinteAvant(QFile& f, qint64 octet);

/// "data_tr.csv" → "data_tr.csv.curseur".
QString cheminCurseur(const QString& cheminEnr);

/// The cursor of a record file. A missing one starts at the beginning; a damaged
/// one, or one that does not fit the file (past its end, not at a line start), too,
/// with the reason in `raison` (French): samples are then sent again, never skipped.
Curseur lisCurseur(const QString& cheminEnr, QString* raison = nullptr);
/// Writes the cursor whole (a new file put in place); on failure `erreur` says why.
bool ecritCurseur(const QString& cheminEnr, const Curseur& c, QString* erreur = nullptr);
/// The notice about the cursor of `cheminEnr`: it could not be written (`erreur`),
/// or, with an empty `erreur`, it is written again.
QString avisCurseur(const QString& cheminEnr, const QString& erreur);
/// Writes the cursor when it moved (`modifie`, cleared once written). Returns the
/// notice to give: a failure, once while it lasts (`enEchec`), then its end; "" else.
QString sauveCurseurSuivi(const QString& cheminEnr, const Curseur& c, bool& modifie, bool& enEchec);

/// Of the period files before the one a run now writes (oldest first), those an
/// earlier run of the program may have left partly sent: from the newest one
/// with a cursor on. The files before it with no cursor were never published.
QStringList fichiersEnRetard(const QStringList& avant);

} // namespace publication
