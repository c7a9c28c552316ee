#include "graph/Cadrage.h"

#include <algorithm>
#include <cmath>

namespace graph {

Cadrage borne(Cadrage c, const Limites& l) {
    const double etendue = std::max(0.0, l.dernier - l.premier);
    if (!std::isfinite(c.largeur) || !std::isfinite(c.debut))
        return entier(l);
    c.largeur = std::clamp(c.largeur, std::min(l.largeurMin, etendue), etendue);
    if (c.largeur <= 0)
        return {l.premier, 0};
    c.debut = std::clamp(c.debut, l.premier, l.dernier - c.largeur);
    return c;
}

Cadrage entier(const Limites& l) {
    return {l.premier, std::max(0.0, l.dernier - l.premier)};
}

Cadrage zoomAutour(Cadrage c, double fraction, double facteur, const Limites& l) {
    if (!(facteur > 0))
        return borne(c, l);
    fraction = std::clamp(fraction, 0.0, 1.0);
    const double pivot = c.debut + fraction * c.largeur;
    const double etendue = std::max(0.0, l.dernier - l.premier);
    const double largeur =
        std::clamp(c.largeur / facteur, std::min(l.largeurMin, etendue), etendue);
    return borne({pivot - fraction * largeur, largeur}, l);
}

Cadrage selection(Cadrage c, double fraction0, double fraction1, const Limites& l) {
    const double a = std::clamp(std::min(fraction0, fraction1), 0.0, 1.0);
    const double b = std::clamp(std::max(fraction0, fraction1), 0.0, 1.0);
    Cadrage s{c.debut + a * c.largeur, (b - a) * c.largeur};
    // Too narrow a selection keeps its middle at the narrowest view.
    if (s.largeur < l.largeurMin)
        s = {s.debut + s.largeur / 2 - l.largeurMin / 2, l.largeurMin};
    return borne(s, l);
}

Cadrage centreSur(Cadrage c, double index, const Limites& l) {
    return borne({index - c.largeur / 2, c.largeur}, l);
}

Cadrage decale(Cadrage c, double fractions, const Limites& l) {
    return borne({c.debut + fractions * c.largeur, c.largeur}, l);
}

} // namespace graph
