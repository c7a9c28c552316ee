#pragma once

#include "core/ValeurMesure.h"

#include <QString>

#include <cstdint>

namespace core {

/// One stored sample, as the engine hands it to its listeners.
struct Echantillon {
    /// Record number: 1 for the first sample of a run.
    qint64 numero = 0;
    /// The raw reading it came from (0 to 255 from the board and the instrument, the
    /// number of a text line, the test value in test mode).
    double brute = 0;
    /// The value as the record file writes it.
    ValeurMesure valeur;
    /// When it was stamped, in ms since the epoch (UTC).
    qint64 instantMs = 0;
    /// The local date ("mm-dd-yyyy") and time ("hh:mm:ss") it was stamped with.
    QString date;
    QString heure;
    /// False when the device had given no reading yet: the value stands for nothing.
    bool lu = true;
};

} // namespace core
