#pragma once

#include "core/Magasin.h"

#include <cstdint>

namespace graph {

/// The samples a view shows, both ends included (premier > dernier: none).
struct Visibles {
    qint64 premier = 1;
    qint64 dernier = 0;
};

/// Where the graph looks: scroll position, follow-the-end, and the vertical range
/// that rises with the highest value. It belongs to a view, never to the recording.
class EtatVue {
public:
    /// Horizontal scroll position: the first sample shown when moved by hand.
    double DecalageX = 0;
    /// Top of the vertical range; only ever raised.
    int16_t PlafondY = 255;
    /// Vertical offset (PlafondY - 255 once the range has moved).
    int16_t DecalageY = 0;

    /// The lowest index a view starts at: 0, the starting point, until the oldest
    /// samples leave the store, then the first one kept.
    static qint64 bas(const core::Magasin& m);
    /// Samples across the width at zoom `zoom` (1 shows them all).
    static double largeur(const core::Magasin& m, int zoom);
    /// The samples from `debut` across `largeurEchelle` that the store holds.
    static Visibles visibles(const core::Magasin& m, qint64 debut, double largeurEchelle);

    /// The first sample shown at zoom `zoom` with `largeurEchelle` samples across;
    /// during a recording the newest one stays in view until the user moves back.
    qint64 debut(const core::Magasin& m, int zoom, double largeurEchelle,
                 bool enregistrement) const;
    /// Moves the view to start at `debut`, kept inside the run; a view brought back
    /// to the end follows new samples again. Returns the start kept.
    qint64 place(const core::Magasin& m, int zoom, qint64 debut);
    /// Raises the vertical range (never lowers it) so that `valeur` shows at its top.
    void releve(double valeur);
    /// Where a view starting at `debutActuel` with `largeurActuelle` across starts at
    /// a new zoom so as to keep its middle (the run's middle when the view is stale).
    static qint64 debutAuZoom(const core::Magasin& m, int zoom, bool vueAJour, qint64 debutActuel,
                              double largeurActuelle);

    /// A sample n of value `valeur` was stored: past the scale width the scroll
    /// position moves on by one, and the vertical range rises to show the value.
    void suitEchantillon(qint64 n, double valeur, double largeurEchelle);
    /// A recording starts: the view follows its newest sample.
    void suitLaFin() { m_suitFin = true; }
    bool suitFin() const { return m_suitFin; }

private:
    bool m_suitFin = true;
};

} // namespace graph
