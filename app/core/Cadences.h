#pragma once

#include "Reglages.h"

namespace core {

/// One row of the recording-rate table.
struct Cadence {
    const char* intervalle; ///< sampling-timer interval in ms, as text
    int16_t ticks;          ///< timer ticks per stored sample
};

/// Row i (1 to 10) of the rate table; nullptr outside that range.
const Cadence* cadence(int i);

/// Sets IntervalleTimer, NbTicks and IndexCadence from rate option i (1 to 10).
/// Returns false, changing nothing, for an option outside the table.
bool applique_cadence(Reglages& r, int i);

} // namespace core
