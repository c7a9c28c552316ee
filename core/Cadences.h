#pragma once

#include <QString>

#include <chrono>
#include <cstdint>
#include <optional>

namespace core {

/// A recording rate: the sampling timer's interval and how many of its ticks make
/// one sampling period.
struct Cadence {
    /// Interval of the sampling timer.
    std::chrono::milliseconds IntervalleTimer{0};
    /// Sampling-timer ticks per stored sample (1 to 1440).
    int16_t NbTicks = 0;

    /// Time between two stored samples.
    std::chrono::milliseconds periode() const { return IntervalleTimer * NbTicks; }
    bool operator==(const Cadence& o) const {
        return IntervalleTimer == o.IntervalleTimer && NbTicks == o.NbTicks;
    }
};

/// Rate option i (1 to 10: one second to one day); nullopt outside that range.
std::optional<Cadence> cadence(int i);

/// The rate in words: "une mesure par seconde", "une mesure toutes les 15 minutes".
QString texteCadence(const Cadence& c);

} // namespace core
