#include "core/Alarme.h"

#include <cmath>

namespace core {

std::optional<QString> ReglageAlarme::refus() const {
    for (const std::optional<double>& l : {haute, basse})
        if (l && !std::isfinite(*l))
            return QStringLiteral("les limites doivent être des nombres");
    if (!std::isfinite(hysteresis) || hysteresis < 0)
        return QStringLiteral("l'hystérésis est un nombre positif ou nul");
    if (maintienMs < 0)
        return QStringLiteral("la durée minimale est positive ou nulle");
    if (haute && basse && *basse >= *haute)
        return QStringLiteral("la limite basse doit être sous la limite haute");
    return std::nullopt;
}

void Alarme::regle(const ReglageAlarme& r) {
    m_reglage = r;
    m_candidat.reset();
}

NiveauAlarme Alarme::cible(double v) const {
    const ReglageAlarme& r = m_reglage;
    const bool dessus = r.haute && v > *r.haute;
    const bool dessous = r.basse && v < *r.basse;
    switch (m_niveau) {
    case NiveauAlarme::Haute:
        // Held until the value is back below the limit by the hysteresis.
        if (r.haute && v > *r.haute - r.hysteresis)
            return NiveauAlarme::Haute;
        break;
    case NiveauAlarme::Basse:
        if (r.basse && v < *r.basse + r.hysteresis)
            return NiveauAlarme::Basse;
        break;
    case NiveauAlarme::Normal:
        break;
    }
    if (dessus)
        return NiveauAlarme::Haute;
    if (dessous)
        return NiveauAlarme::Basse;
    return NiveauAlarme::Normal;
}

std::optional<TransitionAlarme> Alarme::suit(qint64 instantMs, double valeur) {
    const NiveauAlarme voulu = cible(valeur);
    if (voulu == m_niveau) {
        m_candidat.reset();
        return std::nullopt;
    }
    if (m_candidat != voulu) {
        m_candidat = voulu;
        m_debutCandidat = instantMs;
    }
    if (instantMs - m_debutCandidat < m_reglage.maintienMs)
        return std::nullopt;
    const TransitionAlarme t{m_niveau, voulu, m_debutCandidat};
    m_niveau = voulu;
    m_depuisMs = m_debutCandidat;
    m_candidat.reset();
    return t;
}

} // namespace core
