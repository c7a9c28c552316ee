#pragma once

#include "core/Etalonnage.h"
#include "core/Evenement.h"
#include "core/Magasin.h"

#include <QIODevice>
#include <QString>

#include <functional>
#include <vector>

namespace files {

/// A text as one field of the export: quoted when it holds ";", a double quote or
/// a line break (its quotes doubled, each line break one CR LF), other control
/// characters turned to spaces; UTF-8.
QByteArray champCsv(const QString& texte);

/// Writes samples a to b of a store as a file a spreadsheet opens without help:
/// UTF-8 with a byte order mark, ";" between fields, a header line, the date and
/// time in ISO 8601 ("2026-12-07 13:01:31"), the raw value and, with a calibration,
/// the physical value with a decimal comma and its unit. A loaded line whose date
/// is not a date keeps it as it stands. `progression(fait, total)` is called now
/// and then; returning false cancels. False when cancelled or when writing fails.
/// With `evenements` (not empty), a last column gives the events at each sample.
/// A loaded line that can no longer be read back as it was loaded (its file changed)
/// stops the export: false, with the reason in `erreur`.
bool exporteMesures(QIODevice& sortie, const core::Magasin& m, qint64 a, qint64 b,
                    const core::Etalonnage& etalonnage,
                    const std::function<bool(qint64 fait, qint64 total)>& progression = {},
                    const std::vector<core::Evenement>& evenements = {}, QString* erreur = nullptr);

/// The same into a file; a cancelled or failed export leaves no file behind.
/// `erreur` says why it failed (French; empty when cancelled).
bool exporteMesures(const QString& chemin, const core::Magasin& m, qint64 a, qint64 b,
                    const core::Etalonnage& etalonnage,
                    const std::function<bool(qint64, qint64)>& progression, QString* erreur,
                    const std::vector<core::Evenement>& evenements = {});

} // namespace files
