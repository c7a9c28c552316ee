#include "core/Horaire.h"

#include <cmath>
#include <cstdlib>

namespace core {

void Horaire::ancre(const QDateTime& maintenant, qint64 monotoneMs) {
    m_premier = maintenant;
    m_premierMono = monotoneMs;
    m_ticks = 1;
}

Horaire::Tick Horaire::tick(const QDateTime& maintenant, qint64 monotoneMs, qint64 periodeMs) {
    Tick t;
    const bool debut = m_ticks == 0 || periodeMs <= 0;
    const qint64 ecart = debut ? 0 : m_dernier.msecsTo(maintenant) - (monotoneMs - m_dernierMono);
    m_dernier = maintenant;
    m_dernierMono = monotoneMs;
    if (debut || std::abs(ecart) > kSautMs) {
        if (!debut)
            t.prevu = m_premier.addMSecs(m_ticks * periodeMs);
        ancre(maintenant, monotoneMs);
        t.instant = maintenant;
        return t;
    }
    // Where this tick stands on the schedule, in periods since its start.
    const double position = double(monotoneMs - m_premierMono) / double(periodeMs);
    if (position < double(m_ticks) - 0.5) {
        t.double_ = true;
        return t;
    }
    // Late by less than a period: it is the tick due. A period late or more, the
    // ticks in between never came, and this one is the tick due now.
    const qint64 numero = position < double(m_ticks) + 1.0 ? m_ticks : qint64(std::floor(position));
    t.instant = m_premier.addMSecs(numero * periodeMs);
    m_ticks = numero + 1;
    if (std::abs(t.instant.msecsTo(maintenant)) > kDeriveMs) {
        // The wall clock slewed away from the schedule: follow it, quietly.
        m_premier = maintenant.addMSecs(-numero * periodeMs);
        t.instant = maintenant;
    }
    return t;
}

} // namespace core
