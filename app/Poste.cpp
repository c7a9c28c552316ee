#include "app/Poste.h"

#include "files/FichierAlarme.h"

namespace app {

Poste::Poste(engine::Environnement env, bool repriseApresArret,
             publication::Publication::Monotone monotone)
    : moteur(std::move(env)), journal(moteur, repriseApresArret), alarme(moteur, journal),
      publication(moteur, files::FichierAlarme::cheminPour(moteur.cheminConfiguration()),
                  std::move(monotone)),
      programme(moteur, journal, alarme) {}

} // namespace app
