#include "publication/Publieur.h"

#include "files/FichierEvenements.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>

#include <mosquitto.h>

#include <cerrno>
#include <cstring>

namespace publication {

namespace {

// Samples sent and not yet acknowledged, at most.
constexpr size_t kFenetre = 1000;
constexpr int kVeille = 10; // keepalive, seconds

// Initialises the library once per process.
void initialise() {
    static const bool fait = [] {
        mosquitto_lib_init();
        return true;
    }();
    (void)fait;
}

Publieur::Monotone horlogeMonotone() {
    auto horloge = std::make_shared<QElapsedTimer>();
    horloge->start();
    // Never 0: 0 means "not set" for the deadlines kept.
    return [horloge] { return horloge->elapsed() + 1; };
}

} // namespace

Publieur::Publieur(ReglagePublication r, Monotone monotone, QObject* parent)
    : QObject(parent), m_reglage(std::move(r)),
      m_monotone(monotone ? std::move(monotone) : horlogeMonotone()),
      m_poste(m_reglage.posteEffectif()), m_tic(this) {
    initialise();
    m_tic.setInterval(100);
    connect(&m_tic, &QTimer::timeout, this, &Publieur::tic);
}

Publieur::~Publieur() {
    arrete();
}

void Publieur::suitFichier(const QString& chemin, bool curseur, qint64 depuis) {
    if (chemin == m_envoi.fichier() && m_envoi.active())
        return;
    // The run's events go with its samples, from a cursor of their own; a replay
    // by hand sends samples only.
    if (curseur && depuis == 0) {
        const QString evenements = files::cheminEvenements(chemin);
        if (m_evenements.active()) {
            m_evenements.suitEnsuite(evenements);
        } else if (const QString raison = m_evenements.suit(evenements); !raison.isEmpty()) {
            changeEtat(m_etat, raison);
        }
    }
    if (curseur && depuis == 0 && m_envoi.active()) {
        // The record goes on in another file: what is left of this one goes first.
        m_envoi.suitEnsuite(chemin);
        pompe();
        return;
    }
    const QString raison = m_envoi.suit(chemin, curseur, depuis);
    if (!raison.isEmpty())
        changeEtat(m_etat, raison);
    pompe();
}

void Publieur::lignesAjoutees() {
    ++m_lignesSignalees;
    prevoitPompe();
}

void Publieur::evenementAjoute() {
    ++m_evenementsSignales;
    prevoitPompe();
}

void Publieur::prevoitPompe() {
    if (m_pompePrevue)
        return;
    m_pompePrevue = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_pompePrevue = false;
            pompe();
        },
        Qt::QueuedConnection);
}

void Publieur::demarre() {
    m_arrete = false;
    m_derniereSauvegardeMs = m_monotone();
    m_tic.start();
    connecte();
}

void Publieur::arrete() {
    if (m_arrete)
        return;
    m_arrete = true;
    m_tic.stop();
    m_prochainEssaiMs = 0;
    if (m_client && m_etat == Etat::Connecte) {
        // Said, not left to the will: the broker sends the will only when the link dies.
        mosquitto_publish(m_client, nullptr, sujet(m_poste, "etat").constData(), 7, "offline", 1,
                          true);
        mosquitto_disconnect(m_client);
        for (int k = 0; k < 10 && mosquitto_want_write(m_client); ++k)
            mosquitto_loop_write(m_client, 1);
    }
    ferme();
    m_envoi.sauveCurseur();
    m_evenements.sauveCurseur();
    changeEtat(Etat::Arret, QStringLiteral("publication arrêtée"));
}

void Publieur::changeEtat(Etat e, const QString& texte) {
    if (e == m_etat && texte == m_texte)
        return;
    m_etat = e;
    m_texte = texte;
    emit etatChange();
    annonceBilan(true);
}

Bilan Publieur::bilan() {
    Bilan b;
    b.etat = m_etat;
    b.texte = m_texte;
    b.enAttente = m_envoi.enAttente();
    b.acquittes = m_envoi.acquittes();
    b.evenementsEnAttente = m_evenements.enAttente();
    b.evenementsSignales = m_evenementsSignales;
    b.lignesSignalees = m_lignesSignalees;
    b.fichierSuivi = m_envoi.active();
    b.faitMs = m_monotone();
    b.attenteAcquittementMs =
        std::max(m_envoi.attenteMs(m_monotone()), m_evenements.attenteMs(m_monotone()));
    b.attenteConnexionMs = m_debutConnexionMs ? m_monotone() - m_debutConnexionMs : -1;
    return b;
}

void Publieur::annonceBilan(bool force) {
    const Bilan b = bilan();
    if (!force && b == m_dernierBilan)
        return;
    m_dernierBilan = b;
    emit bilanChange(b);
}

void Publieur::tic() {
    const qint64 maintenant = m_monotone();
    if (!m_arrete && m_prochainEssaiMs != 0 && maintenant >= m_prochainEssaiMs) {
        m_prochainEssaiMs = 0;
        connecte();
    } else if (m_client && m_debutConnexionMs != 0 &&
               maintenant - m_debutConnexionMs >= kDelaiConnexionMs) {
        // The connection was accepted, or the handshake begun, and then nothing: a
        // frozen broker or a link that drops everything.
        changeEtat(Etat::Connexion, m_avis.sansReponse(kDelaiConnexionMs / 1000));
        planifieReconnexion();
    } else if (m_client) {
        const int rc = mosquitto_loop_misc(m_client);
        if (rc != MOSQ_ERR_SUCCESS && rc != MOSQ_ERR_NO_CONN) {
            changeEtat(Etat::Connexion, m_avis.neRepondPlus());
            planifieReconnexion();
        } else {
            veilleEcriture();
            pompe();
        }
    }
    if (maintenant - m_derniereSauvegardeMs >= 500) {
        m_derniereSauvegardeMs = maintenant;
        m_envoi.sauveCurseur();
        m_evenements.sauveCurseur();
    }
    annonceBilan(false);
}

QString Publieur::texteEtat() const {
    return m_texte;
}

void Publieur::connecte() {
    ferme();
    if (m_arrete)
        return;
    ++m_tentatives;
    m_prochainEssaiMs = 0;
    if (const std::optional<QString> refus = m_reglage.refus()) {
        changeEtat(Etat::Refuse, m_avis.impossible(*refus));
        return;
    }
    const QByteArray id =
        "plovar-" + m_poste.toUtf8() + '-' + QByteArray::number(QCoreApplication::applicationPid());
    m_client = mosquitto_new(id.constData(), true, this);
    if (!m_client) {
        changeEtat(Etat::Refuse, m_avis.impossible(QStringLiteral("mémoire insuffisante")));
        return;
    }
    mosquitto_int_option(m_client, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    // A sample goes at once, not held back until the previous one's TCP ack.
    mosquitto_int_option(m_client, MOSQ_OPT_TCP_NODELAY, 1);
    mosquitto_max_inflight_messages_set(m_client, 0);
    const QByteArray etat = sujet(m_poste, "etat");
    mosquitto_will_set(m_client, etat.constData(), 7, "offline", 1, true);
    if (!m_reglage.utilisateur.isEmpty())
        mosquitto_username_pw_set(
            m_client, m_reglage.utilisateur.toUtf8().constData(),
            m_reglage.motDePasse.isEmpty() ? nullptr : m_reglage.motDePasse.toUtf8().constData());
    m_erreurTls.clear();
    if (!m_reglage.ca.isEmpty()) {
        if (mosquitto_tls_set(m_client, QFile::encodeName(m_reglage.ca).constData(), nullptr,
                              nullptr, nullptr, nullptr) != MOSQ_ERR_SUCCESS) {
            changeEtat(Etat::Refuse, m_avis.fichierAutorite());
            ferme();
            return;
        }
    }
    mosquitto_connect_callback_set(m_client, &Publieur::surConnexion);
    mosquitto_disconnect_callback_set(m_client, &Publieur::surDeconnexion);
    mosquitto_publish_callback_set(m_client, &Publieur::surPublication);
    mosquitto_message_callback_set(m_client, &Publieur::surMessage);
    // The client's log says why a TLS handshake failed, and nothing else is taken
    // from it: it is formatted for every packet while a callback is set, so it is
    // set for a TLS handshake only, until the broker answers.
    if (!m_reglage.ca.isEmpty())
        mosquitto_log_callback_set(m_client, &Publieur::surJournal);
    m_debutConnexionMs = m_monotone();
    changeEtat(Etat::Connexion, m_avis.connexion());
    // The name lookup (and, for TLS, the start of the handshake) happen in here: this
    // thread may wait, sampling never does.
    const int rc = mosquitto_connect_async(m_client, m_reglage.hote.toUtf8().constData(),
                                           m_reglage.port, kVeille);
    if (rc == MOSQ_ERR_EAI) {
        changeEtat(Etat::Refuse, m_avis.inconnu());
        planifieReconnexion();
        return;
    }
    if (rc == MOSQ_ERR_TLS) {
        changeEtat(Etat::Refuse, !m_erreurTls.isEmpty() ? m_erreurTls : m_avis.chiffrement());
        planifieReconnexion();
        return;
    }
    if (rc != MOSQ_ERR_SUCCESS) {
        changeEtat(Etat::Connexion, m_avis.injoignable(rc, errno));
        planifieReconnexion();
        return;
    }
    surveille();
}

void Publieur::surveille() {
    const int fd = mosquitto_socket(m_client);
    if (fd < 0)
        return;
    m_lecture = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    connect(m_lecture.get(), &QSocketNotifier::activated, this, &Publieur::lisSocket);
    m_ecriture = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Write);
    connect(m_ecriture.get(), &QSocketNotifier::activated, this, &Publieur::ecrisSocket);
}

void Publieur::ferme() {
    m_lecture.reset();
    m_ecriture.reset();
    m_debutConnexionMs = 0;
    if (m_client) {
        mosquitto_destroy(m_client);
        m_client = nullptr;
    }
    // What was in flight goes again from the cursor on the next connection.
    m_envoi.reprend();
    m_evenements.reprend();
}

void Publieur::planifieReconnexion() {
    if (m_arrete)
        return;
    m_debutConnexionMs = 0;
    if (m_prochainEssaiMs == 0) {
        m_prochainEssaiMs = m_monotone() + m_attente;
        m_attente = std::min(m_attente * 2, m_etat == Etat::Refuse ? 60'000 : 4'000);
    }
    // Not from inside the client's own callbacks: its instance is destroyed first.
    QTimer::singleShot(0, this, [this] {
        if (m_prochainEssaiMs != 0)
            ferme();
    });
}

void Publieur::lisSocket() {
    if (!m_client)
        return;
    const int rc = mosquitto_loop_read(m_client, 64);
    if (rc == MOSQ_ERR_SUCCESS) {
        pompe(); // acknowledgements make room
        return;
    }
    // The client closed its socket: no notifier may watch it any more.
    if (m_lecture)
        m_lecture->setEnabled(false);
    if (m_ecriture)
        m_ecriture->setEnabled(false);
    if (m_client && m_prochainEssaiMs == 0) {
        if (!m_erreurTls.isEmpty())
            changeEtat(Etat::Refuse, m_erreurTls);
        else if (m_etat != Etat::Refuse)
            changeEtat(Etat::Connexion, m_avis.perdue(rc, m_etat == Etat::Connecte));
        planifieReconnexion();
    }
}

void Publieur::ecrisSocket() {
    if (!m_client)
        return;
    mosquitto_loop_write(m_client, 64);
    veilleEcriture();
}

void Publieur::veilleEcriture() {
    // Changed only when it must: each change costs a system call.
    if (m_client && m_ecriture && m_ecriture->isEnabled() != mosquitto_want_write(m_client))
        m_ecriture->setEnabled(!m_ecriture->isEnabled());
}

void Publieur::surConnexion(mosquitto*, void* moi, int rc) {
    auto* p = static_cast<Publieur*>(moi);
    if (rc != 0) {
        p->changeEtat(Etat::Refuse, p->m_avis.refus(rc));
        p->planifieReconnexion();
        return;
    }
    p->m_attente = 1000;
    p->m_debutConnexionMs = 0;
    mosquitto_log_callback_set(p->m_client, nullptr);
    p->changeEtat(Etat::Connecte, p->m_avis.connecte());
    mosquitto_subscribe(p->m_client, nullptr, "homeassistant/status", 0);
    p->annonce();
    p->m_envoi.reprend();
    p->m_evenements.reprend();
    p->m_valeurAJour = false;
    p->m_alarmePubliee = -1;
    p->pompe();
}

void Publieur::surDeconnexion(mosquitto*, void* moi, int rc) {
    auto* p = static_cast<Publieur*>(moi);
    if (p->m_lecture)
        p->m_lecture->setEnabled(false);
    if (p->m_ecriture)
        p->m_ecriture->setEnabled(false);
    if (p->m_arrete)
        return;
    if (!p->m_erreurTls.isEmpty())
        p->changeEtat(Etat::Refuse, p->m_erreurTls);
    else if (p->m_etat != Etat::Refuse)
        p->changeEtat(Etat::Connexion, p->m_avis.perdue(rc, p->m_etat == Etat::Connecte));
    p->planifieReconnexion();
}

void Publieur::surJournal(mosquitto*, void* moi, int, const char* texte) {
    auto* p = static_cast<Publieur*>(moi);
    const QString t = QString::fromUtf8(texte);
    if (t.contains(QStringLiteral("certificate verify failed")) ||
        t.contains(QStringLiteral("OpenSSL Error")))
        p->m_erreurTls = p->m_avis.certificat(t);
}

void Publieur::surMessage(mosquitto*, void* moi, const mosquitto_message* m) {
    auto* p = static_cast<Publieur*>(moi);
    // Home Assistant restarted: it needs the discovery again.
    if (std::strcmp(m->topic, "homeassistant/status") == 0 && m->payloadlen == 6 &&
        std::memcmp(m->payload, "online", 6) == 0)
        p->annonce();
}

void Publieur::annonce() {
    if (!m_client)
        return;
    const core::Etalonnage& e = m_etalonnage;
    const QByteArray etat = sujet(m_poste, "etat");
    mosquitto_publish(m_client, nullptr, etat.constData(), 6, "online", 1, true);
    const QByteArray config = chargeDecouverte(m_poste, e.actif ? e.unite : QString());
    mosquitto_publish(m_client, nullptr, sujetDecouverte(m_poste).constData(),
                      static_cast<int>(config.size()), config.constData(), 1, true);
    const QByteArray alarme = chargeDecouverteAlarme(m_poste);
    mosquitto_publish(m_client, nullptr, sujetDecouverteAlarme(m_poste).constData(),
                      static_cast<int>(alarme.size()), alarme.constData(), 1, true);
}

void Publieur::pompe() {
    if (m_etat != Etat::Connecte || !m_client || !m_envoi.active())
        return;
    // Tokens for the catch-up rate, a fifth of a second's worth at most at once.
    const qint64 maintenant = m_monotone();
    const double cadence = m_reglage.cadenceRejeu;
    m_jetons =
        std::min(std::max(1.0, cadence / 5),
                 m_jetons + static_cast<double>(maintenant - m_dernierJeton) * cadence / 1000);
    m_dernierJeton = maintenant;
    pompeEvenements(maintenant);
    const core::Etalonnage& e = m_etalonnage;
    const QByteArray sujetMesure = sujet(m_poste, "mesure");
    bool finDuFichier = false;
    while (m_envoi.enVol() + m_evenements.enVol() < kFenetre && m_jetons >= 1) {
        const LigneLue* l = m_envoi.prochaine(finDuFichier);
        if (const QString avis = m_envoi.avis(); !avis.isEmpty())
            changeEtat(m_etat, avis);
        if (!l)
            break;
        const QByteArray charge = chargeMesure({m_poste, l->session, l->n, l->tMs, l->decalage,
                                                l->brut, e.actif ? e.physique(l->brut) : l->brut,
                                                e.actif ? e.unite : QString(), l->lu});
        int mid = 0;
        if (mosquitto_publish(m_client, &mid, sujetMesure.constData(),
                              static_cast<int>(charge.size()), charge.constData(), 1,
                              false) != MOSQ_ERR_SUCCESS)
            break;
        // A sample without a reading leaves the retained value as it was.
        if (l->lu)
            m_valeurAJour = false;
        m_envoi.envoyee(mid, maintenant);
        ++m_envoyes;
        m_jetons -= 1;
    }
    // The latest value, once caught up: not every sample of a catch-up.
    const std::optional<LigneLue>& derniere = m_envoi.derniere();
    if (finDuFichier && !m_valeurAJour && derniere && !m_envoi.prochaine(finDuFichier)) {
        const double v = e.actif ? e.physique(derniere->brut) : derniere->brut;
        const QByteArray charge = nombre(v);
        // Retained, and soon replaced: no acknowledgement needed.
        mosquitto_publish(m_client, nullptr, sujet(m_poste, "valeur").constData(),
                          static_cast<int>(charge.size()), charge.constData(), 0, true);
        m_valeurAJour = true;
    }
    veilleEcriture();
}

void Publieur::pompeEvenements(qint64 maintenant) {
    // Events are few: they go ahead of a catch-up's samples, not held by its rate.
    const QByteArray sujetEvenement = sujet(m_poste, "evenement");
    while (m_envoi.enVol() + m_evenements.enVol() < kFenetre) {
        const EvenementLu* e = m_evenements.prochain();
        if (const QString avis = m_evenements.avis(); !avis.isEmpty())
            changeEtat(m_etat, avis);
        if (!e)
            break;
        const QByteArray charge = chargeEvenement(m_poste, e->session, e->n, e->tMs, e->decalage,
                                                  e->type, e->texte, e->mesure);
        int mid = 0;
        if (mosquitto_publish(m_client, &mid, sujetEvenement.constData(),
                              static_cast<int>(charge.size()), charge.constData(), 1,
                              false) != MOSQ_ERR_SUCCESS)
            return;
        m_evenements.envoye(mid, maintenant);
    }
    // The alarm's state once every event is out, not each change of a backlog.
    const int alarme = m_evenements.alarme();
    if (alarme >= 0 && alarme != m_alarmePubliee && !m_evenements.prochain()) {
        const QByteArray etat = alarme ? "ON" : "OFF";
        if (mosquitto_publish(m_client, nullptr, sujet(m_poste, "alarme").constData(),
                              static_cast<int>(etat.size()), etat.constData(), 1,
                              true) == MOSQ_ERR_SUCCESS)
            m_alarmePubliee = alarme;
    }
}

void Publieur::surPublication(mosquitto*, void* moi, int mid) {
    static_cast<Publieur*>(moi)->acquitte(mid);
}

void Publieur::acquitte(int mid) {
    if (m_evenements.acquitte(mid)) {
        if (m_evenements.enVol() == 0) {
            annonceBilan(true);
            if (m_evenements.aSuivant())
                prevoitPompe();
        }
        return;
    }
    // Nothing left in flight: whoever shows a backlog looks again.
    if (m_envoi.acquitte(mid)) {
        annonceBilan(true);
        // The file done, the next one waits for a round of its own.
        if (m_envoi.aSuivant())
            lignesAjoutees();
    }
}

qint64 Publieur::enAttente() {
    return m_envoi.enAttente();
}

bool Publieur::aJour() {
    return enAttente() == 0;
}

} // namespace publication
