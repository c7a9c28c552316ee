#pragma once

#include "core/Cadences.h"
#include "core/Horodatage.h"
#include "core/Magasin.h"
#include "core/ValeurMesure.h"

#include <QDateTime>

namespace core {

/// Counters of the sampling cycle.
struct EtatCycle {
    /// Sampling-timer ticks since the last stored sample.
    int16_t CompteurTicks = 0;
    /// Value of the keyboard test source.
    int16_t ValeurTest = 0;
};

/// What one sampling tick did.
struct ResultatTick {
    bool echantillon = false;                ///< a sample was stored at index NbMesures()
    ValeurMesure valeur;                     ///< the stored value, as the record file writes it
    QDateTime instant;                       ///< when it was stored
    std::chrono::milliseconds intervalle{0}; ///< interval to load into the sampling timer
};

/// floor(r x 3.921), computed exactly in integers: 0, 1, 128, 255 give 0, 3, 501, 999.
int mise_a_l_echelle(int32_t brute);

/// One sampling tick without a store: tells whether a sample is due (and counts
/// ticks), for samples kept elsewhere while a run waits for its trigger.
ResultatTick tickCycle(EtatCycle& e, const Cadence& c, const ValeurMesure& valeur,
                       const QDateTime& maintenant);
/// One sampling tick: stores `valeur` when a sample is due and counts ticks.
/// Drawing and the file append are left to the caller, which runs them when
/// `echantillon` is set.
ResultatTick tickEchantillonnage(Magasin& m, EtatCycle& e, const Cadence& c,
                                 const ValeurMesure& valeur, const QDateTime& maintenant);

/// The "+" (43) and "-" (45) test keys; the value stops at the 16-bit limits.
/// Returns true when the character is one of the two keys.
bool toucheTest(EtatCycle& e, int codeCaractere);

/// Resets what a recording start resets: tick counter, test value, sample count.
void debutEnregistrement(Magasin& m, EtatCycle& e);

} // namespace core
