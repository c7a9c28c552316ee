#include "graph/EtatVue.h"

#include "graph/Geometrie.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace graph {

qint64 EtatVue::bas(const core::Magasin& m) {
    return m.premier() > 1 ? m.premier() : 0;
}

double EtatVue::largeur(const core::Magasin& m, int zoom) {
    return static_cast<double>(m.NbMesures() - bas(m)) / std::max(1, zoom);
}

Visibles EtatVue::visibles(const core::Magasin& m, qint64 debut, double largeurEchelle) {
    return {std::max<qint64>({debut, 1, m.premier()}),
            std::min<qint64>(m.NbMesures(), debut + std::llround(largeurEchelle))};
}

qint64 EtatVue::debut(const core::Magasin& m, int zoom, double largeurEchelle,
                      bool enregistrement) const {
    const qint64 n = m.NbMesures();
    const qint64 b = bas(m);
    if (zoom <= 1 || n <= 0)
        return b;
    if (enregistrement && m_suitFin)
        return b + debutVue(n - b, largeurEchelle, n);
    return b + debutVue(n - b, largeurEchelle, static_cast<qint64>(DecalageX) - b);
}

qint64 EtatVue::place(const core::Magasin& m, int zoom, qint64 debut) {
    const qint64 n = m.NbMesures();
    const qint64 b = bas(m);
    const qint64 fin = b + debutVue(n - b, largeur(m, zoom), n);
    debut = std::clamp(debut, b, fin);
    m_suitFin = debut >= fin;
    DecalageX = static_cast<double>(debut);
    return debut;
}

qint64 EtatVue::debutAuZoom(const core::Magasin& m, int zoom, bool vueAJour, qint64 debutActuel,
                            double largeurActuelle) {
    const double milieu =
        vueAJour ? debutActuel + largeurActuelle / 2.0 : (bas(m) + m.NbMesures()) / 2.0;
    return static_cast<qint64>(std::llround(milieu - largeur(m, zoom) / 2));
}

void EtatVue::suitEchantillon(qint64 n, double valeur, double largeurEchelle) {
    if (static_cast<double>(n) > largeurEchelle)
        DecalageX += 1;
    releve(valeur);
}

void EtatVue::releve(double valeur) {
    if (!(valeur > PlafondY))
        return;
    // A loaded file may hold any number: the range stops where 16 bits do.
    const double plafond = std::min<double>(valeur, std::numeric_limits<int16_t>::max());
    DecalageY = static_cast<int16_t>(plafond - 255);
    PlafondY = static_cast<int16_t>(DecalageY + 255);
}

} // namespace graph
