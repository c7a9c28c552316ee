#include "core/Magasin.h"

namespace core {

Magasin::Magasin()
    : TabValeur(kCapacite + 1), TabDate(kCapacite + 1), TabHeure(kCapacite + 1),
      LignesFichier(kCapacite + 1) {}

} // namespace core
