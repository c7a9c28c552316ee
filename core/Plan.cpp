#include "core/Plan.h"

#include <QStringList>

#include <algorithm>

namespace core {

QString texteDuree(qint64 ms) {
    qint64 s = std::max<qint64>(0, (ms + 500) / 1000);
    const qint64 j = s / 86400;
    const qint64 h = s / 3600 % 24;
    const qint64 m = s / 60 % 60;
    s %= 60;
    QStringList parties;
    if (j > 0)
        parties << QStringLiteral("%1 j").arg(j);
    if (h > 0)
        parties << QStringLiteral("%1 h").arg(h);
    if (m > 0)
        parties << QStringLiteral("%1 min").arg(m);
    if (s > 0 || parties.isEmpty())
        parties << QStringLiteral("%1 s").arg(s);
    return parties.join(QLatin1Char(' '));
}

std::optional<QString> Plan::refus(qint64 maintenantMs) const {
    if (declencheur &&
        (declencheur->avant < 0 || declencheur->avant > core::Declencheur::kAvantMax))
        return QStringLiteral("le nombre de mesures d'avant va de 0 à %1")
            .arg(core::Declencheur::kAvantMax);
    if (dureeMs && *dureeMs <= 0)
        return QStringLiteral("la durée doit être positive");
    if (finMs && *finMs <= std::max(maintenantMs, debutMs.value_or(0)))
        return QStringLiteral("l'heure de fin ne vient pas après le début");
    return std::nullopt;
}

} // namespace core
