#include "publication/Publication.h"

#include <sys/prctl.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFileInfo>

namespace publication {

namespace {

// How long the end waits for the publisher's thread to let go of the client.
constexpr int kArretFilMs = 3000;

// "12 mesure(s)", "12 mesure(s) et 1 événement(s)", "1 événement(s)".
QString texteAttente(qint64 mesures, qint64 evenements) {
    const QString m = QStringLiteral("%1 mesure(s)").arg(mesures);
    const QString e = QStringLiteral("%1 événement(s)").arg(evenements);
    if (evenements <= 0)
        return m;
    return mesures > 0 ? m + QStringLiteral(" et ") + e : e;
}

} // namespace

Publication::Publication(engine::Moteur& moteur, QString cheminReglages, Monotone monotone,
                         QObject* parent)
    : QObject(parent), m_moteur(moteur), m_chemin(std::move(cheminReglages)),
      m_monotone(std::move(monotone)), m_reglage(FichierPublication::lit(m_chemin)) {
    if (!m_monotone) {
        auto horloge = std::make_shared<QElapsedTimer>();
        horloge->start();
        m_monotone = [horloge] { return horloge->elapsed() + 1; };
    }
    const auto suit = [this] {
        const QString chemin = m_moteur.cheminCourant();
        if (chemin.isEmpty() || chemin == m_fichierSuivi)
            return;
        m_fichierSuivi = chemin;
        suis(chemin);
    };
    connect(&m_moteur, &engine::Moteur::etatChange, this, suit);
    connect(&m_moteur, &engine::Moteur::echantillonEcrit, this, [this, suit] {
        suit();
        ++m_lignesSignalees;
        m_envois.push_back(m_monotone());
        chezPublieur([](Publieur& p) { p.lignesAjoutees(); });
    });
    connect(&m_moteur, &engine::Moteur::evenementEcrit, this, [this, suit] {
        suit();
        ++m_evenementsSignales;
        chezPublieur([](Publieur& p) { p.evenementAjoute(); });
    });
    connect(&m_moteur, &engine::Moteur::etalonnageChange, this, [this] {
        const core::Etalonnage e = m_moteur.etalonnage();
        chezPublieur([e](Publieur& p) { p.setEtalonnage(e); });
    });
    // The count waiting and the silences, now and then (not at every sample).
    m_rappel.setInterval(2000);
    connect(&m_rappel, &QTimer::timeout, this, [this] { actualise(false); });
}

Publication::~Publication() {
    arrete();
}

void Publication::chezPublieur(std::function<void(Publieur&)> f) {
    if (!m_publieur)
        return;
    Publieur* p = m_publieur;
    QMetaObject::invokeMethod(
        p, [p, f = std::move(f)] { f(*p); }, Qt::QueuedConnection);
}

void Publication::lance() {
    arrete();
    m_moteur.signale(engine::Alerte::Droits, m_reglage.avis);
    // A process that holds a password leaves no core dump, and no other process of
    // the user may read its memory.
    if (!m_reglage.motDePasse.isEmpty())
        ::prctl(PR_SET_DUMPABLE, 0);
    if (!m_reglage.actif)
        return;
    m_fil = new QThread;
    m_fil->setObjectName(QStringLiteral("publication"));
    m_publieur = new Publieur(m_reglage, m_monotone);
    m_publieur->setEtalonnage(m_moteur.etalonnage());
    m_publieur->moveToThread(m_fil);
    // Made and destroyed in its own thread, with its client, notifiers and timer.
    connect(m_fil, &QThread::finished, m_publieur, &QObject::deleteLater);
    connect(m_publieur, &Publieur::bilanChange, this,
            [this, generation = ++m_generation](const Bilan& b) {
                if (generation == m_generation)
                    recoit(b);
            });
    m_fil->start();
    m_fichierSuivi = m_moteur.cheminCourant();
    m_retardCherche = false;
    if (!m_fichierSuivi.isEmpty())
        suis(m_fichierSuivi);
    chezPublieur([](Publieur& p) { p.demarre(); });
    m_bilan = Bilan();
    m_bilan.etat = EtatPublieur::Connexion;
    m_bilan.texte = QStringLiteral("connexion au courtier %1…").arg(m_reglage.adresse());
    m_recuMs = m_monotone();
    m_lignesSignalees = 0;
    m_evenementsSignales = 0;
    m_envois.clear();
    m_rappel.start();
    emit bilanChange();
}

void Publication::suis(const QString& chemin) {
    // The first period file of a split run: what an earlier process left unsent in
    // the files before it goes first, in order. Looked for on the publisher's
    // thread, where a slow disk delays nothing.
    QString base;
    core::Decoupage d = m_moteur.decoupage();
    if (!m_retardCherche && d != core::Decoupage::Aucun && chemin != m_moteur.cheminEnr()) {
        m_retardCherche = true;
        base = m_moteur.cheminEnr();
    }
    chezPublieur([chemin, base, d](Publieur& p) {
        if (!base.isEmpty()) {
            QStringList avant;
            for (const QString& f : core::cheminsPeriodes(base, d))
                if (QFileInfo(f).fileName() < QFileInfo(chemin).fileName())
                    avant << f;
            for (const QString& f : fichiersEnRetard(avant))
                p.suitFichier(f);
        }
        p.suitFichier(chemin);
    });
}

bool Publication::arrete() {
    if (!m_fil)
        return true;
    ++m_generation;
    m_rappel.stop();
    chezPublieur([](Publieur& p) { p.arrete(); });
    m_fil->quit();
    const bool fini = m_fil->wait(QDeadlineTimer(kArretFilMs));
    if (fini) {
        delete m_fil;
    } else {
        // Still inside a blocking call: the thread and its publisher are left to the
        // end of the process rather than destroyed under it.
        disconnect(m_publieur, nullptr, this, nullptr);
    }
    m_fil = nullptr;
    m_publieur = nullptr;
    m_fichierSuivi.clear();
    m_bilan = Bilan();
    m_bilan.texte = QStringLiteral("publication arrêtée");
    m_lignesSignalees = 0;
    m_evenementsSignales = 0;
    m_envois.clear();
    m_moteur.signale(engine::Alerte::Publication, QString());
    emit bilanChange();
    return fini;
}

bool Publication::applique(const ReglagePublication& r, QString* erreur) {
    if (!FichierPublication::ecrit(m_chemin, r, erreur))
        return false;
    utilise(r);
    return true;
}

void Publication::utilise(const ReglagePublication& r) {
    m_reglage = r;
    lance();
}

void Publication::recoit(const Bilan& b) {
    const bool changeEtat = b.etat != m_bilan.etat || b.texte != m_bilan.texte;
    const bool rattrape = b.enAttente == 0 && enAttente() > 0;
    m_bilan = b;
    m_recuMs = m_monotone();
    while (!m_envois.empty() && m_envois.front() <= b.faitMs)
        m_envois.pop_front();
    // Troubles are told by the notice, with the count waiting; the journal adds when
    // things are well again.
    if (changeEtat && journal &&
        (b.etat == EtatPublieur::Connecte || b.etat == EtatPublieur::Arret))
        journal(b.texte);
    actualise(changeEtat || rattrape);
    emit bilanChange();
}

QString Publication::texteEtat() const {
    if (!m_fil)
        return QStringLiteral("Publication arrêtée.");
    return QStringLiteral("%1\n%2 mesure(s) acquittées depuis l'ouverture, %3 en attente.")
        .arg(m_bilan.texte)
        .arg(m_bilan.acquittes)
        .arg(enAttente());
}

QString Publication::notice() const {
    if (!m_fil)
        return {};
    const qint64 attente = enAttente();
    // Time passes here even while the publisher's thread is held in a lookup.
    const qint64 depuis = m_monotone() - m_recuMs;
    switch (m_bilan.etat) {
    case EtatPublieur::Arret:
        return {};
    case EtatPublieur::Connecte: {
        if (attente == 0)
            return {};
        const qint64 silence =
            m_bilan.attenteAcquittementMs > 0 ? (m_bilan.attenteAcquittementMs + depuis) / 1000 : 0;
        if (silence >= 5)
            return QStringLiteral("Publication : le courtier %1 n'acquitte plus depuis %2 s ; %3 "
                                  "mesure(s) en attente, gardées dans le fichier.")
                .arg(m_reglage.adresse())
                .arg(silence)
                .arg(attente);
        return QStringLiteral("Publication : rattrapage, %1 mesure(s) en attente d'acquittement.")
            .arg(attente);
    }
    case EtatPublieur::Connexion:
        if (m_bilan.attenteConnexionMs >= 0 && m_bilan.attenteConnexionMs + depuis >= 5000)
            return QStringLiteral("Publication : le courtier %1 ne répond pas depuis %2 s ; "
                                  "nouvel essai ; %3 mesure(s) en attente, gardées dans le "
                                  "fichier.")
                .arg(m_reglage.adresse())
                .arg((m_bilan.attenteConnexionMs + depuis) / 1000)
                .arg(attente);
        break;
    case EtatPublieur::Refuse:
        break;
    }
    QString t = QStringLiteral("Publication : ") + m_bilan.texte;
    if (attente > 0)
        t += QStringLiteral(" ; %1 mesure(s) en attente, gardées dans le fichier").arg(attente);
    return t.endsWith(QChar(0x2026)) ? t : t + QLatin1Char('.');
}

void Publication::actualise(bool immediat) {
    // A changing count is said at most every ten seconds; a change of state at once.
    const qint64 maintenant = m_monotone();
    if (!immediat && maintenant - m_dernierAffichage < 10'000)
        return;
    m_dernierAffichage = maintenant;
    m_moteur.signale(engine::Alerte::Publication, notice());
}

bool Publication::termine(int attenteMs) {
    if (!m_fil)
        return true;
    const qint64 debut = m_monotone();
    const auto refuse = [this] { return m_bilan.etat == EtatPublieur::Refuse; };
    if (!aJour() && !refuse()) {
        if (journal)
            journal(QStringLiteral("envoi des %1 en attente (%2 secondes au plus)…")
                        .arg(texteAttente(enAttente(), evenementsEnAttente()))
                        .arg(attenteMs / 1000));
        while (m_monotone() - debut < attenteMs && !aJour() && !refuse())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    }
    const qint64 reste = enAttente();
    const qint64 resteEvenements = evenementsEnAttente();
    const bool fini = arrete();
    if (journal) {
        if (!fini)
            journal(QStringLiteral("le courtier %1 ne répond pas : arrêt sans l'attendre")
                        .arg(m_reglage.adresse()));
        if (reste > 0 || resteEvenements > 0)
            journal(
                QStringLiteral("%1 restent à publier ; %2 le seront au prochain démarrage")
                    .arg(texteAttente(reste, resteEvenements),
                         resteEvenements > 0 ? QStringLiteral("ils") : QStringLiteral("elles")) +
                (reste > 0 ? QStringLiteral(" (les mesures aussi avec --republier)") : QString()));
    }
    return fini;
}

} // namespace publication
