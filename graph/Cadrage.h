#pragma once

namespace graph {

/// The samples a view shows: from index `debut` (fractional) across `largeur`
/// samples.
struct Cadrage {
    double debut = 0;
    double largeur = 1;
    double fin() const { return debut + largeur; }
};

/// Where a view may go: samples premier to dernier, at least `largeurMin` across.
struct Limites {
    double premier = 0;
    double dernier = 0;
    double largeurMin = 4;
};

/// The view brought inside the limits: no wider than the run, no narrower than
/// largeurMin (unless the run is), neither edge outside it.
Cadrage borne(Cadrage c, const Limites& l);
/// The whole run.
Cadrage entier(const Limites& l);
/// Zoomed by `facteur` (above 1 closer) around the point at `fraction` of the
/// width, which stays under the pointer.
Cadrage zoomAutour(Cadrage c, double fraction, double facteur, const Limites& l);
/// The span between two fractions of the width (in either order).
Cadrage selection(Cadrage c, double fraction0, double fraction1, const Limites& l);
/// The same width, centred on sample `index`.
Cadrage centreSur(Cadrage c, double index, const Limites& l);
/// Moved by `fractions` of its width (negative to the left).
Cadrage decale(Cadrage c, double fractions, const Limites& l);

} // namespace graph
