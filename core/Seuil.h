#pragma once

#include <QString>

namespace core {

/// A level and the way it is crossed: upward (from below to at or above it) or
/// downward (from above to at or below it). A value already past the level counts
/// only once it has come back and crossed it again.
struct Seuil {
    double niveau = 0;
    bool montant = true;

    /// "en montant" or "en descendant".
    QString sens() const {
        return montant ? QStringLiteral("en montant") : QStringLiteral("en descendant");
    }
    /// True when going from `avant` to `apres` crosses the level its way.
    bool franchi(double avant, double apres) const {
        return montant ? avant < niveau && apres >= niveau : avant > niveau && apres <= niveau;
    }
};

/// A start on a crossing, keeping the `avant` samples taken just before it.
struct Declencheur {
    Seuil seuil;
    int avant = 0;
    /// Most samples kept from before a crossing (a day at one a second).
    static constexpr int kAvantMax = 86'400;
};

} // namespace core
