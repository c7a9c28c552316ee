#pragma once

#include "engine/Moteur.h"

namespace test {

/// What tests may change inside an engine that its commands do not reach: the
/// store filled directly, the test value set, a reading taken as if a device gave it.
class AccesMoteur {
public:
    static core::Magasin& magasin(engine::Moteur& m) { return m.m_magasin; }
    static core::EtatCycle& cycle(engine::Moteur& m) { return m.m_cycle; }
    static void valeurBrute(engine::Moteur& m, int32_t v) {
        m.m_sondage.m_ValeurBrute = v;
        m.m_sondage.m_lectureRecue = true;
    }
};

} // namespace test
