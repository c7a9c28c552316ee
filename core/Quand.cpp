#include "core/Quand.h"

#include "core/Horodatage.h"

#include <QDateTime>
#include <QRegularExpression>

#include <vector>

namespace core {

namespace {

constexpr qint64 kJourMs = 86'400'000;

// The instants the clock reads `naif`; for a skipped time, the moment of the jump.
std::vector<qint64> instantsOuSaut(qint64 naif, const QTimeZone& zone) {
    std::vector<qint64> u = instantsLocaux(naif, zone);
    if (!u.empty())
        return u;
    // Read with the offset of the day before, the time falls past the jump; the
    // transition just before that instant is the jump itself.
    const int avant =
        zone.offsetFromUtc(QDateTime::fromMSecsSinceEpoch(naif - kJourMs, QTimeZone::utc()));
    const qint64 apres = naif - qint64(avant) * 1000;
    const QTimeZone::OffsetData t = zone.nextTransition(
        QDateTime::fromMSecsSinceEpoch(apres - 6 * 3'600'000, QTimeZone::utc()));
    if (t.atUtc.isValid() && t.atUtc.toMSecsSinceEpoch() <= apres)
        return {t.atUtc.toMSecsSinceEpoch()};
    return {apres};
}

} // namespace

std::optional<qint64> resoutQuand(const QString& texte, qint64 maintenantMs, const QTimeZone& zone,
                                  QString* erreur) {
    static const QRegularExpression forme(
        QStringLiteral("^(?:(\\d{4})-(\\d{2})-(\\d{2})T)?(\\d{2}):(\\d{2})(?::(\\d{2}))?$"));
    const QRegularExpressionMatch m = forme.match(texte.trimmed());
    const auto refus = [&](const QString& pourquoi) -> std::optional<qint64> {
        if (erreur)
            *erreur = pourquoi;
        return std::nullopt;
    };
    if (!m.hasMatch())
        return refus(
            QStringLiteral("« %1 » n'est ni HH:MM[:SS] ni AAAA-MM-JJTHH:MM[:SS]").arg(texte));
    const QTime heure(m.captured(4).toInt(), m.captured(5).toInt(),
                      m.captured(6).isEmpty() ? 0 : m.captured(6).toInt());
    if (!heure.isValid())
        return refus(QStringLiteral("« %1 » n'est pas une heure").arg(texte));
    if (!m.captured(1).isEmpty()) {
        const QDate jour(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
        if (!jour.isValid())
            return refus(QStringLiteral("« %1 » n'est pas une date").arg(texte));
        return instantsOuSaut(msNaif(jour, heure), zone).front();
    }
    // The next time the clock reads it: today's, else tomorrow's (or the day after,
    // should a clock change make tomorrow's come first).
    const QDate aujourdhui = QDateTime::fromMSecsSinceEpoch(maintenantMs, zone).date();
    for (int j = 0; j <= 2; ++j)
        for (const qint64 u : instantsOuSaut(msNaif(aujourdhui.addDays(j), heure), zone))
            if (u > maintenantMs)
                return u;
    return refus(
        QStringLiteral("« %1 » ne se trouve pas dans les deux jours qui viennent").arg(texte));
}

} // namespace core
