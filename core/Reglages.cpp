#include "core/Reglages.h"

namespace core {

void appliqueDefauts(Reglages& r) {
    r.LargeurFenetre = kLargeurEtroite;
    r.NomFichierEnr = QString::fromLatin1(kNomFichierDefaut);
    r.IndexCadence = 1;
    r.TypeSource = 0;
}

} // namespace core
