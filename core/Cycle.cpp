#include "core/Cycle.h"

#include <limits>

namespace core {

int mise_a_l_echelle(int32_t brute) {
    // floor(r * 3.921) equals (r * 3921) div 1000 for r >= 0; 64-bit so that
    // an out-of-range reading cannot overflow.
    const long long p = static_cast<long long>(brute) * 3921;
    long long q = p / 1000;
    if (p < 0 && p % 1000 != 0)
        --q;
    if (q > std::numeric_limits<int>::max())
        return std::numeric_limits<int>::max();
    if (q < std::numeric_limits<int>::min())
        return std::numeric_limits<int>::min();
    return static_cast<int>(q);
}

ResultatTick tickCycle(EtatCycle& e, const Cadence& c, const ValeurMesure& valeur,
                       const QDateTime& maintenant) {
    ResultatTick res;
    if (e.CompteurTicks == 0 || e.CompteurTicks >= c.NbTicks) {
        res.valeur = valeur;
        res.instant = maintenant;
        e.CompteurTicks = 0;
        res.echantillon = true;
    }
    res.intervalle = c.IntervalleTimer;
    if (c.NbTicks != 1 && e.CompteurTicks < std::numeric_limits<int16_t>::max())
        e.CompteurTicks += 1;
    return res;
}

ResultatTick tickEchantillonnage(Magasin& m, EtatCycle& e, const Cadence& c,
                                 const ValeurMesure& valeur, const QDateTime& maintenant) {
    const ResultatTick res = tickCycle(e, c, valeur, maintenant);
    if (res.echantillon)
        m.ajoute(res.valeur.nombre(), res.instant);
    return res;
}

bool toucheTest(EtatCycle& e, int codeCaractere) {
    if (codeCaractere == 43) {
        if (e.ValeurTest < std::numeric_limits<int16_t>::max())
            e.ValeurTest += 1;
        return true;
    }
    if (codeCaractere == 45) {
        if (e.ValeurTest > std::numeric_limits<int16_t>::min())
            e.ValeurTest -= 1;
        return true;
    }
    return false;
}

void debutEnregistrement(Magasin& m, EtatCycle& e) {
    e.CompteurTicks = 0;
    e.ValeurTest = 0;
    m.vide();
    m.donneesChargees = false;
}

} // namespace core
