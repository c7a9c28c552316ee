#include "GestionReglages.h"

#include "Cadences.h"
#include "FichierConfig.h"

namespace settings {

bool Option1_Click(core::Reglages& r, int i, const files::FichierConfig* config) {
    if (!core::applique_cadence(r, i))
        return false;
    if (config)
        config->ecrit_config(r);
    return true;
}

bool Option2_Click(core::Reglages& r, int i, ActionsSource& sources,
                   const files::FichierConfig* config) {
    if (i < 0 || i > 2)
        return false;
    if (i == 0 || i == 1) {
        if (sources.portOuvert())
            sources.fermePort();
        sources.minuterieVidage(false);
    } else if (!sources.portOuvert()) {
        sources.ouvrePort();
        sources.minuterieVidage(true);
    }
    r.TypeSource = static_cast<uint8_t>(i);
    if (config)
        config->ecrit_config(r);
    return true;
}

} // namespace settings
