#pragma once

#include "publication/ReglagePublication.h"

#include <QString>

namespace app {

/// Exit status of a replay when every sample read was acknowledged but some lines
/// of the file hold no sample and were not sent.
constexpr int kStatutIllisibles = 3;

/// Sends record file `chemin` to the broker, from sample `depuis` on (0: all),
/// leaving the recorder's cursor alone; says how it goes on standard error. Returns
/// the exit status: 0 once the broker has acknowledged everything, 1 when it
/// cannot be done (unreadable file, broker refusing) or when stopped first,
/// kStatutIllisibles when lines that hold no sample were passed over (counted and
/// named on standard error).
int republie(const publication::ReglagePublication& r, const QString& chemin, qint64 depuis);

} // namespace app
