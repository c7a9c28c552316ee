#pragma once

#include "core/Etalonnage.h"
#include "publication/Charges.h"
#include "publication/FileEnr.h"
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
/// resumes where the broker stopped acknowledging. Runs in the thread's event loop:
/// the client's socket is watched by notifiers, its housekeeping runs on a timer,
/// nothing ever waits for the network.
class Publieur : public QObject {
    Q_OBJECT
public:
    enum class Etat {
        Arret,     ///< not publishing
        Connexion, ///< connecting, or waiting to try again
        Connecte,  ///< connected
        Refuse     ///< the broker or the settings refuse: the user must act
    };

    explicit Publieur(ReglagePublication r, QObject* parent = nullptr);
    ~Publieur() override;

    /// The record file to publish. `curseur` false: from `depuis` on, without
    /// reading or writing the cursor (a replay by hand).
    void suitFichier(const QString& chemin, bool curseur = true, qint64 depuis = 0);
    const QString& fichier() const { return m_fichier; }
    /// Lines were added to the file: they go out, once the caller's work is done.
    void lignesAjoutees();
    /// How calibrated values are made and their unit.
    std::function<core::Etalonnage()> etalonnage;

    /// Connects, and keeps reconnecting until stopped.
    void demarre();
    /// Says "offline", keeps the cursor, disconnects.
    void arrete();

    Etat etat() const { return m_etat; }
    /// The state in French, with what to do when the user must act.
    QString texteEtat() const;
    /// Samples on disk the broker has not acknowledged yet.
    qint64 enAttente();
    /// How long the oldest sample sent has waited for its acknowledgement, ms (0: none).
    qint64 attenteAcquittementMs() const;
    /// Samples acknowledged since the start.
    qint64 acquittes() const { return m_acquittes; }
    /// True when every whole line on disk has been acknowledged.
    bool aJour();
    const ReglagePublication& reglage() const { return m_reglage; }
    /// Samples a second at most when catching up.
    void setCadence(int parSeconde) { m_reglage.cadenceRejeu = std::max(1, parSeconde); }

signals:
    void etatChange();
    /// The last sample sent is acknowledged (lines may wait on disk still).
    void aJourAtteint();

private:
    static void surConnexion(mosquitto*, void* moi, int rc);
    static void surDeconnexion(mosquitto*, void* moi, int rc);
    static void surPublication(mosquitto*, void* moi, int mid);
    static void surMessage(mosquitto*, void* moi, const ::mosquitto_message* m);
    static void surJournal(mosquitto*, void* moi, int niveau, const char* texte);

    void connecte();
    void ferme();
    void planifieReconnexion();
    void surveille();
    void lisSocket();
    void ecrisSocket();
    /// Watches the socket for writing while the client has something to write.
    void veilleEcriture();
    void entretien();
    /// Sends what the window, the rate and the file allow.
    void pompe();
    void acquitte(int mid);
    void sauveCurseur();
    void changeEtat(Etat e, const QString& texte);
    void annonce();

    ReglagePublication m_reglage;
    QString m_poste;
    mosquitto* m_client = nullptr;
    std::unique_ptr<QSocketNotifier> m_lecture;
    std::unique_ptr<QSocketNotifier> m_ecriture;
    QTimer m_entretien;
    QTimer m_reconnexion;
    QTimer m_sauvegarde;
    int m_attente = 1000;
    Etat m_etat = Etat::Arret;
    QString m_texte;
    QString m_erreurTls;
    bool m_arrete = true;

    QString m_fichier;
    bool m_avecCurseur = true;
    qint64 m_depuis = 0;
    std::unique_ptr<FileEnr> m_file;
    Curseur m_curseur;
    bool m_curseurModifie = false;
    struct EnVol {
        int mid = 0;
        bool acquitte = false;
        qint64 envoiMs = 0;
        LigneLue ligne;
    };
    std::deque<EnVol> m_enVol;
    std::deque<LigneLue> m_lues;
    std::optional<LigneLue> m_derniere;
    double m_jetons = 0;
    qint64 m_dernierJeton = 0;
    qint64 m_acquittes = 0;
    bool m_valeurAJour = true;
    bool m_pompePrevue = false;
};

} // namespace publication
