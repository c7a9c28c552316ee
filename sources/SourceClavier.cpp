#include "sources/SourceClavier.h"

namespace sources {

QString SourceClavier::nom() const {
    // The keys are the window's or, headless, standard input's: the front end says which.
    return QStringLiteral("mode test, touches + et -");
}

core::ValeurMesure SourceClavier::valeur(double brute) const {
    return core::ValeurMesure::entier(static_cast<int16_t>(static_cast<int32_t>(brute)));
}

} // namespace sources
