#pragma once

#include <QString>

namespace publication {

/// The publisher's state.
enum class EtatPublieur {
    Arret,     ///< not publishing
    Connexion, ///< connecting, or waiting to try again
    Connecte,  ///< connected
    Refuse     ///< the broker or the settings refuse: the user must act
};

/// What the publisher tells of itself, copied to the threads that show it.
struct Bilan {
    EtatPublieur etat = EtatPublieur::Arret;
    /// The state in French, with what to do when the user must act.
    QString texte;
    /// Samples on disk the broker has not acknowledged yet.
    qint64 enAttente = 0;
    /// Events on disk the broker has not acknowledged yet.
    qint64 evenementsEnAttente = 0;
    /// Events written the publisher had been told of when this was made.
    qint64 evenementsSignales = 0;
    /// Samples acknowledged since the start.
    qint64 acquittes = 0;
    /// How long the oldest sample sent has waited for its acknowledgement, ms.
    qint64 attenteAcquittementMs = 0;
    /// How long the current connection attempt has gone without an answer, ms (-1:
    /// no attempt under way).
    qint64 attenteConnexionMs = -1;
    /// The publisher had a record file to follow (else it has counted nothing yet).
    bool fichierSuivi = false;
    /// When this was made, on the publisher's monotonic clock (ms).
    qint64 faitMs = 0;
    /// Lines the publisher had been told of when this was made.
    qint64 lignesSignalees = 0;
    bool operator==(const Bilan& b) const {
        return lignesSignalees == b.lignesSignalees && fichierSuivi == b.fichierSuivi &&
               etat == b.etat && texte == b.texte && enAttente == b.enAttente &&
               acquittes == b.acquittes && evenementsEnAttente == b.evenementsEnAttente &&
               evenementsSignales == b.evenementsSignales &&
               attenteAcquittementMs / 1000 == b.attenteAcquittementMs / 1000 &&
               attenteConnexionMs / 1000 == b.attenteConnexionMs / 1000;
    }
    bool operator!=(const Bilan& b) const { return !(*this == b); }
};

} // namespace publication
