#pragma once

#include "core/Evenement.h"

#include <QByteArray>
#include <QString>

#include <optional>

#include <vector>

namespace files {

/// The events file beside a record file: "mesures.csv" gives "mesures_evenements.csv".
QString cheminEvenements(const QString& cheminEnr);
/// Its header line, UTF-8, ended by CR LF.
QByteArray enteteEvenements();
/// One event as a line: number;date;time;kind;text, UTF-8, ended by CR LF. A ";" or a
/// line end inside the text becomes a "," or a space, so that a line stays a line.
QByteArray ligneEvenement(const core::Evenement& e);

/// An events line (without its line end) as an event; nullopt when it is not one.
std::optional<core::Evenement> evenementDeLigne(QByteArrayView ligne);

/// What reading an events file gave.
struct LectureEvenements {
    std::vector<core::Evenement> evenements;
    /// What was not read, in French ("" when it read everything or the file is
    /// missing): unreadable lines passed over, or the end of a file too large.
    QString raison;
    /// The first line passed over or stopped at (counting the header as line 1).
    qint64 ligne = 0;
    /// Unreadable lines passed over (a write cut by a full disk, damage).
    qint64 ignorees = 0;
};
/// Reads an events file; a missing one gives no events and no reason. An unreadable
/// line is passed over and the lines after it are read.
LectureEvenements lisEvenements(const QString& chemin);
/// The events of the record file `cheminEnr` and of the other files of its run when
/// it is split by period, in order; each reason names its file when there are
/// several.
LectureEvenements lisEvenementsSerie(const QString& cheminEnr);

} // namespace files
