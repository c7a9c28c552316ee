#include "settings/GestionReglages.h"

#include "engine/Moteur.h"

namespace settings {

bool Option1_Click(engine::Moteur& moteur, int i, bool ecrire) {
    return moteur.choisitCadence(i, ecrire);
}

bool Option2_Click(engine::Moteur& moteur, int i, bool ecrire) {
    return moteur.choisitSource(i, ecrire);
}

} // namespace settings
