#pragma once

#include <QString>

#include <optional>

namespace publication {

/// How far the broker has acknowledged a record file: the last sample it holds, and
/// the byte where the next line begins. Kept beside the record file, replaced whole
/// each time (never half written).
struct Curseur {
    qint64 octet = 0; ///< where reading goes on
    qint64 n = 0;     ///< record number of the last sample acknowledged (0: none)
    QString session;  ///< its run
    qint64 tMs = 0;   ///< its instant
};

/// "data_tr.csv" → "data_tr.csv.curseur".
QString cheminCurseur(const QString& cheminEnr);

/// The cursor of a record file. A missing one starts at the beginning; a damaged
/// one, or one that does not fit the file (past its end, not at a line start), too,
/// with the reason in `raison` (French): samples are then sent again, never skipped.
Curseur lisCurseur(const QString& cheminEnr, QString* raison = nullptr);
bool ecritCurseur(const QString& cheminEnr, const Curseur& c);

} // namespace publication
