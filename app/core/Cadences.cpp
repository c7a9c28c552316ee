#include "Cadences.h"

#include <array>

namespace core {

namespace {
constexpr std::array<Cadence, 10> kTable{{
    {"1000", 1},
    {"10000", 1},
    {"60000", 1},
    {"60000", 15},
    {"60000", 30},
    {"60000", 60},
    {"60000", 180},
    {"60000", 360},
    {"60000", 720},
    {"60000", 1440},
}};
} // namespace

const Cadence* cadence(int i) {
    if (i < 1 || i > static_cast<int>(kTable.size()))
        return nullptr;
    return &kTable[static_cast<size_t>(i - 1)];
}

bool applique_cadence(Reglages& r, int i) {
    const Cadence* c = cadence(i);
    if (!c)
        return false;
    r.IntervalleTimer = QString::fromLatin1(c->intervalle);
    r.NbTicks = c->ticks;
    r.IndexCadence = static_cast<uint8_t>(i);
    return true;
}

} // namespace core
