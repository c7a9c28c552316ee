#pragma once

#include "core/Etalonnage.h"
#include "publication/Avis.h"
#include "publication/Bilan.h"
#include "publication/Charges.h"
#include "publication/EnvoiEvenements.h"
#include "publication/FileEnvoi.h"
#include "publication/ReglagePublication.h"

#include <QObject>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>

#include <deque>
#include <functional>
#include <memory>

struct mosquitto;
struct mosquitto_message;

namespace publication {

/// Publishes the samples of a record file to an MQTT broker, in file order, each
/// once the broker has acknowledged it (QoS 1), with the cursor beside the file
/// recording how far it got: after any outage, and at the next start, publishing
/// resumes where the broker stopped acknowledging. Runs in the event loop of its
/// thread: the client's socket is watched by notifiers; reconnection, the
/// connection's time limit, the cursor's saving and the catch-up rate are decided on
/// one periodic tick against an injected monotonic clock.
class Publieur : public QObject {
    Q_OBJECT
public:
    using Etat = EtatPublieur;
    /// A monotonic time in ms.
    using Monotone = std::function<qint64()>;

    explicit Publieur(ReglagePublication r, Monotone monotone = {}, QObject* parent = nullptr);
    ~Publieur() override;

    /// The record file to publish. `curseur` false: from `depuis` on, without
    /// reading or writing the cursor (a replay by hand).
    void suitFichier(const QString& chemin, bool curseur = true, qint64 depuis = 0);
    /// Lines were added to the file: they go out, once the caller's work is done.
    void lignesAjoutees();
    /// An event was added to the events file: it goes out the same way.
    void evenementAjoute();
    /// How calibrated values are made and their unit.
    void setEtalonnage(const core::Etalonnage& e) { m_etalonnage = e; }

    /// Connects, and keeps reconnecting until stopped.
    void demarre();
    /// Says "offline", keeps the cursor, disconnects.
    void arrete();

    Etat etat() const { return m_etat; }
    /// The state in French, with what to do when the user must act.
    QString texteEtat() const;
    /// Samples on disk the broker has not acknowledged yet.
    qint64 enAttente();
    /// Samples acknowledged since the start.
    qint64 acquittes() const { return m_envoi.acquittes(); }
    /// Lines of the record that hold no sample and were not sent, and the first few.
    qint64 illisibles() const { return m_envoi.illisibles(); }
    QStringList exemplesIllisibles() const { return m_envoi.exemplesIllisibles(); }
    /// Events on disk the broker has not acknowledged yet.
    qint64 evenementsEnAttente() { return m_evenements.enAttente(); }
    /// True when every whole line on disk has been acknowledged.
    bool aJour();
    const ReglagePublication& reglage() const { return m_reglage; }
    /// The state as a whole, as it stands.
    Bilan bilan();
    /// Connection attempts since the start, and samples handed to the client.
    int tentatives() const { return m_tentatives; }
    qint64 envoyes() const { return m_envoyes; }

    /// The periodic tick (a timer calls it every 100 ms; tests call it directly):
    /// tries again once the delay is over, gives up a connection that does not
    /// answer, saves the cursor, sends what the catch-up rate allows.
    void tic();
    /// Longest wait for the broker's answer to a connection, ms.
    static constexpr qint64 kDelaiConnexionMs = 10'000;

signals:
    void etatChange();
    /// The state, sent on each change of it and when the counts change.
    void bilanChange(const publication::Bilan& b);

private:
    static void surConnexion(mosquitto*, void* moi, int rc);
    static void surDeconnexion(mosquitto*, void* moi, int rc);
    static void surPublication(mosquitto*, void* moi, int mid);
    static void surMessage(mosquitto*, void* moi, const ::mosquitto_message* m);
    static void surJournal(mosquitto*, void* moi, int niveau, const char* texte);

    void connecte();
    void ferme();
    void planifieReconnexion();
    /// Tells the listeners when the state changed since last told.
    void annonceBilan(bool force);
    void surveille();
    void lisSocket();
    void ecrisSocket();
    /// Watches the socket for writing while the client has something to write.
    void veilleEcriture();
    /// Sends what the window, the rate and the file allow.
    void pompe();
    /// Sends the events waiting, then the alarm's state once they are all out.
    void pompeEvenements(qint64 maintenant);
    /// Runs `pompe` once the caller's work is done (once for many calls).
    void prevoitPompe();
    void acquitte(int mid);
    void changeEtat(Etat e, const QString& texte);
    void annonce();

    ReglagePublication m_reglage;
    Avis m_avis{m_reglage};
    Monotone m_monotone;
    QString m_poste;
    core::Etalonnage m_etalonnage;
    mosquitto* m_client = nullptr;
    std::unique_ptr<QSocketNotifier> m_lecture;
    std::unique_ptr<QSocketNotifier> m_ecriture;
    /// A child, so that it moves to the publisher's thread with it.
    QTimer m_tic;
    /// When the next connection attempt is due (ms, monotonic; 0: none planned).
    qint64 m_prochainEssaiMs = 0;
    /// When the attempt under way began, until the broker answers (0: none).
    qint64 m_debutConnexionMs = 0;
    qint64 m_derniereSauvegardeMs = 0;
    int m_attente = 1000;
    int m_tentatives = 0;
    qint64 m_envoyes = 0;
    qint64 m_lignesSignalees = 0;
    Bilan m_dernierBilan;
    Etat m_etat = Etat::Arret;
    QString m_texte;
    QString m_erreurTls;
    bool m_arrete = true;

    FileEnvoi m_envoi;
    EnvoiEvenements m_evenements;
    qint64 m_evenementsSignales = 0;
    /// The alarm's state last published (-1: not since connecting).
    int m_alarmePubliee = -1;
    double m_jetons = 0;
    qint64 m_dernierJeton = 0;
    bool m_valeurAJour = true;
    bool m_pompePrevue = false;
};

} // namespace publication
