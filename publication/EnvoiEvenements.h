#pragma once

#include "publication/Curseur.h"
#include "publication/EnVol.h"
#include "publication/EvenementsSuivis.h"
#include "publication/Suivants.h"

#include <deque>
#include <memory>
#include <optional>
#include <utility>

namespace publication {

/// The events on their way to the broker, as the samples are: read from the events
/// file in order, sent, acknowledged, with a cursor of their own beside the file
/// that moves over what is acknowledged in order only. After any outage they are
/// sent again from there: duplicates, never gaps. A run split by day goes on in
/// the next day's events file once every event of the one before is acknowledged.
class EnvoiEvenements {
public:
    /// The events file to send from its cursor. Returns why the cursor was not
    /// used ("" when it was, or when there is none).
    QString suit(const QString& chemin);
    /// The run goes on in `chemin`: followed once the files before are done.
    void suitEnsuite(const QString& chemin);
    bool active() const { return m_file != nullptr; }
    /// Files waiting for their turn.
    bool aSuivant() const { return !m_suivants.vide(); }
    const QString& fichier() const { return m_fichier; }

    /// Back to just after the last event acknowledged.
    void reprend();
    /// The next event to send (nullptr when none is on disk yet).
    const EvenementLu* prochain();
    /// The event `prochain` gave was sent as message `mid`.
    void envoye(int mid, qint64 instantMs);
    /// The broker acknowledged message `mid`; false when it was not an event.
    bool acquitte(int mid);
    void sauveCurseur();

    size_t enVol() const { return m_enVol.size(); }
    /// Events on disk not acknowledged yet.
    qint64 enAttente();
    qint64 attenteMs(qint64 maintenantMs) const { return m_enVol.attenteMs(maintenantMs); }
    /// Whether an alarm is in force after the last event sent (-1: not known).
    int alarme() const { return m_alarme; }
    /// A notice about the file followed (replaced under the reader), once.
    QString avis() { return std::exchange(m_avis, QString()); }

private:
    bool passeAuSuivant();

    QString m_fichier;
    Suivants<EvenementsSuivis> m_suivants;
    std::optional<Curseur> m_suite;
    std::unique_ptr<EvenementsSuivis> m_file;
    Curseur m_curseur;
    bool m_curseurModifie = false;
    EnVol<EvenementLu> m_enVol;
    std::deque<EvenementLu> m_lus;
    int m_alarme = -1;
    QString m_avis;
    /// The last attempt to write the cursor failed.
    bool m_curseurEnEchec = false;
};

} // namespace publication
