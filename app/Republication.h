#pragma once

#include "publication/ReglagePublication.h"

#include <QString>

namespace app {

/// Sends record file `chemin` to the broker, from sample `depuis` on (0: all),
/// leaving the recorder's cursor alone; says how it goes on standard error. Returns
/// the exit status: 0 once the broker has acknowledged everything, 1 when it
/// cannot be done (unreadable file, broker refusing) or when stopped first.
int republie(const publication::ReglagePublication& r, const QString& chemin, qint64 depuis);

} // namespace app
