#include "core/Horaire.h"

#include <cstdlib>

namespace core {

Horaire::Tick Horaire::tick(const QDateTime& maintenant, qint64 periodeMs) {
    Tick t;
    if (m_ticks > 0) {
        const QDateTime prevu = m_premier.addMSecs(m_ticks * periodeMs);
        if (std::abs(prevu.msecsTo(maintenant)) < kToleranceMs) {
            ++m_ticks;
            t.instant = prevu;
            return t;
        }
        t.prevu = prevu;
    }
    m_premier = maintenant;
    m_ticks = 1;
    t.instant = maintenant;
    return t;
}

} // namespace core
