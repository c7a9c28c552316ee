#include "sources/SourceClavier.h"

namespace sources {

QString SourceClavier::nom() const {
    return QStringLiteral("mode test, touches + et - sur l'entrée standard");
}

core::ValeurMesure SourceClavier::valeur(int32_t brute) const {
    return core::ValeurMesure::entier(static_cast<int16_t>(brute));
}

} // namespace sources
