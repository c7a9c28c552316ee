#include "core/Cadences.h"

#include <array>

namespace core {

using namespace std::chrono_literals;

std::optional<Cadence> cadence(int i) {
    static constexpr std::array<std::pair<std::chrono::milliseconds::rep, int16_t>, 10> kTable{{
        {1000, 1},
        {10000, 1},
        {60000, 1},
        {60000, 15},
        {60000, 30},
        {60000, 60},
        {60000, 180},
        {60000, 360},
        {60000, 720},
        {60000, 1440},
    }};
    if (i < 1 || i > static_cast<int>(kTable.size()))
        return std::nullopt;
    const auto& l = kTable[static_cast<size_t>(i - 1)];
    return Cadence{std::chrono::milliseconds(l.first), l.second};
}

} // namespace core
