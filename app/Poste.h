#pragma once

#include "engine/Moteur.h"
#include "evenements/Journal.h"
#include "evenements/Programme.h"
#include "evenements/Surveillance.h"
#include "publication/Publication.h"

namespace app {

/// The recording engine and everything that follows it, built in one place for
/// either front end: the events journal, the threshold alarm, the publication to
/// a broker and the programmed runs each follow the engine's typed signals and take it by
/// reference.
class Poste {
public:
    /// `repriseApresArret`: the previous run of this configuration did not stop
    /// cleanly. `monotone`: the publication's clock (the real one when not set).
    explicit Poste(engine::Environnement env, bool repriseApresArret = false,
                   publication::Publication::Monotone monotone = {});

    engine::Moteur moteur;
    evenements::Journal journal;
    evenements::Surveillance alarme;
    publication::Publication publication;
    /// Runs that start and stop by themselves.
    evenements::Programme programme;
};

} // namespace app
