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

QString texteCadence(const Cadence& c) {
    const qint64 s = std::chrono::duration_cast<std::chrono::seconds>(c.periode()).count();
    struct Unite {
        qint64 secondes;
        const char* singulier;
        const char* pluriel;
    };
    static constexpr Unite kUnites[] = {
        {86400, "jour", "jours"}, {3600, "heure", "heures"}, {60, "minute", "minutes"}};
    for (const Unite& u : kUnites)
        if (s >= u.secondes && s % u.secondes == 0) {
            const qint64 n = s / u.secondes;
            return n == 1 ? QStringLiteral("une mesure par %1").arg(QLatin1String(u.singulier))
                          : QStringLiteral("une mesure toutes les %1 %2")
                                .arg(n)
                                .arg(QLatin1String(u.pluriel));
        }
    return s == 1 ? QStringLiteral("une mesure par seconde")
                  : QStringLiteral("une mesure toutes les %1 secondes").arg(s);
}

} // namespace core
