#include "app/Console.h"

#include "core/Cadences.h"
#include "files/EcrivainEnr.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

#include <algorithm>
#include <climits>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace app {

namespace {

// Signals reach the event loop through a socket pair: the handler only writes a byte.
int g_signaux[2] = {-1, -1};

extern "C" void surSignal(int) {
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_signaux[1], &c, 1);
}

constexpr int kSignauxArret[] = {SIGINT, SIGTERM, SIGHUP};

} // namespace

EnregistreurConsole::EnregistreurConsole(Poste& poste, OptionsConsole options, std::FILE* sortie,
                                         std::FILE* erreurs, Monotone monotone)
    : m_moteur(poste.moteur), m_journal(poste.journal), m_alarme(poste.alarme),
      m_programme(poste.programme), m_options(std::move(options)), m_sortie(sortie),
      m_erreurs(erreurs), m_monotone(std::move(monotone)) {
    if (!m_monotone) {
        auto depart = std::make_shared<QElapsedTimer>();
        depart->start();
        m_monotone = [depart] { return depart->elapsed(); };
    }
    m_moteur.setDecideur(this);
    connect(&m_programme, &evenements::Programme::demarrage, this, &EnregistreurConsole::commence);
    connect(&m_programme, &evenements::Programme::fin, this, &EnregistreurConsole::termine);
    connect(&m_programme, &evenements::Programme::finAvantDebut, this, [this] {
        dit(QStringLiteral("l'heure de fin est passée avant celle du début (l'horloge a "
                           "changé) : rien n'a été enregistré."));
        m_statut = kStatutImpossible;
        termine();
    });
    connect(&m_moteur, &engine::Moteur::echantillonEcrit, this, &EnregistreurConsole::imprime);
    connect(&m_journal, &evenements::Journal::evenement, this, [this](const core::Evenement& e) {
        dit(QStringLiteral("événement (%1) : %2").arg(e.type, e.texte));
    });
    connect(&m_alarme, &evenements::Surveillance::alarmeDeclenchee, this, [this] {
        if (m_alarme.reglage().bip) {
            std::fputc('\a', m_erreurs);
            std::fflush(m_erreurs);
        }
    });
    connect(&m_moteur, &engine::Moteur::alerteChange, this,
            [this](engine::Alerte a, const QString& texte) {
                // What the plan waits for is said once, when the run starts waiting.
                if (a == engine::Alerte::Publication) {
                    ditEspace(m_avisPublication, texte, QStringLiteral("avis du courtier"));
                } else if (a == engine::Alerte::Ecriture) {
                    // Its count changes at every sample while the disk refuses them.
                    ditEspace(m_avisEcriture, texte, QStringLiteral("avis d'écriture"));
                } else if (a == engine::Alerte::Retard || a == engine::Alerte::Lignes) {
                    // The banner counts as they come; the journal is told once, until
                    // the notice goes.
                    bool& dejaDit = a == engine::Alerte::Retard ? m_retardDit : m_lignesDit;
                    if (!texte.isEmpty() && !dejaDit)
                        dit(texte);
                    dejaDit = !texte.isEmpty();
                } else if (a != engine::Alerte::Programme && !texte.isEmpty())
                    dit(texte);
            });
}

EnregistreurConsole::~EnregistreurConsole() {
    m_moteur.setDecideur(nullptr);
    if (m_signaux) {
        for (const int s : kSignauxArret)
            std::signal(s, SIG_DFL);
        ::close(g_signaux[0]);
        ::close(g_signaux[1]);
        g_signaux[0] = g_signaux[1] = -1;
    }
}

void EnregistreurConsole::imprime(const core::Echantillon& e) {
    if (m_sortieFermee || m_options.silencieux)
        return;
    QByteArray texte = files::ligneEnr(e);
    texte.chop(2); // the record file's CR LF: a plain line end here
    // Standard output only: the record file keeps the raw value.
    const core::Etalonnage& etalonnage = m_moteur.etalonnage();
    if (m_options.etalonnage && etalonnage.actif)
        texte += ';' + etalonnage.nombreOctets(e.valeur.nombre());
    texte += '\n';
    const bool ok = std::fwrite(texte.constData(), 1, static_cast<size_t>(texte.size()),
                                m_sortie) == static_cast<size_t>(texte.size()) &&
                    std::fflush(m_sortie) == 0;
    if (!ok) {
        // Nobody reads any more (a closed pipe): the recording itself goes on.
        m_sortieFermee = true;
        dit(QStringLiteral("la sortie standard est fermée : les lignes n'y sont plus "
                           "affichées, l'enregistrement continue dans %1 (Ctrl+C ou kill pour "
                           "l'arrêter).")
                .arg(QDir::toNativeSeparators(m_moteur.cheminEnr())));
    }
}

void EnregistreurConsole::ditEspace(AvisRepete& a, const QString& texte, const QString& quoi) {
    if (texte.isEmpty()) {
        a = {};
        return;
    }
    const qint64 maintenant = m_monotone();
    if (a.intervalleMs > 0 && maintenant - a.ditMs < a.intervalleMs) {
        ++a.tus;
        return;
    }
    dit(a.tus > 0
            ? texte + QStringLiteral(" (%1 autre(s) %2 depuis le précédent)").arg(a.tus).arg(quoi)
            : texte);
    a.ditMs = maintenant;
    a.intervalleMs = a.intervalleMs == 0 ? 4000 : std::min<qint64>(a.intervalleMs * 2, 3'600'000);
    a.tus = 0;
}

void EnregistreurConsole::dit(const QString& texte) {
    std::fprintf(m_erreurs, "plovar : %s\n", texte.toLocal8Bit().constData());
    std::fflush(m_erreurs);
}

bool EnregistreurConsole::demarre() {
    engine::Moteur& m = m_moteur;
    m.demarrage();
    if (m_options.cadence)
        m.choisitCadence(*m_options.cadence, false);
    if (m_options.source == static_cast<int>(sources::TypeSource::Texte)) {
        core::ReglageTexte r = m.reglageTexte();
        r.port = m_options.port.value_or(r.port);
        r.vitesse = m_options.vitesse.value_or(r.vitesse);
        r.etiquette = m_options.etiquette.value_or(r.etiquette);
        QString erreur;
        if (!m.choisitSourceTexte(r, false, &erreur)) {
            dit(QStringLiteral("source 3 impossible : %1 (--port, ou le port choisi dans la "
                               "fenêtre).")
                    .arg(erreur));
            m_statut = kStatutUsage;
            return false;
        }
    } else if (m_options.source) {
        m.choisitSource(*m_options.source, false);
    }
    if (!m_options.fichier.isEmpty())
        m.utiliseFichier(m_options.fichier);
    if (m_options.decoupage)
        m.choisitDecoupage(*m_options.decoupage);
    if (m_options.alarme) {
        QString erreur;
        if (!m_alarme.choisitAlarme(*m_options.alarme, false, &erreur)) {
            dit(QStringLiteral("alarme impossible : %1.").arg(erreur));
            m_statut = kStatutUsage;
            return false;
        }
    }
    if (m_options.arretAlarme && !m_alarme.reglage().active()) {
        dit(QStringLiteral("--arret-alarme demande une alarme (--alarme-haute, --alarme-basse "
                           "ou celle des réglages)."));
        m_statut = kStatutUsage;
        return false;
    }
    // A file that cannot take a line now is refused before any sampling: a run that
    // could only keep its samples in memory is no recording.
    if (const std::optional<QString> refus = files::EcrivainEnr::refusEcriture(m.cheminCourant())) {
        dit(QStringLiteral("impossible d'enregistrer dans %1 : %2.")
                .arg(QDir::toNativeSeparators(m.cheminCourant()), *refus));
        m_statut = kStatutImpossible;
        return false;
    }

    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signaux) == 0) {
        m_signaux = std::make_unique<QSocketNotifier>(g_signaux[0], QSocketNotifier::Read);
        connect(m_signaux.get(), &QSocketNotifier::activated, this, [this] {
            char c;
            [[maybe_unused]] const ssize_t n = ::read(g_signaux[0], &c, 1);
            termine();
        });
        for (const int s : kSignauxArret)
            std::signal(s, surSignal);
    }
    // A closed output pipe is told by the write's error, not by a deadly signal.
    std::signal(SIGPIPE, SIG_IGN);
    // Test keys and comment lines from standard input, when there is one.
    struct stat st {};
    if (::fstat(STDIN_FILENO, &st) == 0) {
        m_entree = std::make_unique<QSocketNotifier>(STDIN_FILENO, QSocketNotifier::Read);
        connect(m_entree.get(), &QSocketNotifier::activated, this, &EnregistreurConsole::litEntree);
    }
    if (m_options.etalonnage && !m.etalonnage().actif)
        dit(QStringLiteral("aucun étalonnage n'est enregistré : les valeurs restent brutes."));
    core::Plan plan;
    plan.debutMs = m_options.debutMs;
    plan.finMs = m_options.finMs;
    if (m_options.duree)
        plan.dureeMs = static_cast<qint64>(*m_options.duree * 1000);
    plan.declencheur = m_options.declencheur;
    plan.arretAlarme = m_options.arretAlarme;
    plan.arretSeuil = m_options.arretSeuil;
    QString erreur;
    if (!m_programme.lance(plan, &erreur)) {
        if (!m_fini) {
            dit(QStringLiteral("enregistrement impossible : %1.").arg(erreur));
            m_statut = kStatutUsage;
        }
        return false;
    }
    if (m_programme.phase() == evenements::Programme::Phase::AttenteHeure) {
        const QString texte = QStringLiteral("enregistrement prévu le %1")
                                  .arg(QDateTime::fromMSecsSinceEpoch(*m_options.debutMs)
                                           .toString(QStringLiteral("dd/MM/yyyy à HH:mm:ss t")));
        dit(texte + QStringLiteral(" dans %1 ; Ctrl+C pour annuler.")
                        .arg(QDir::toNativeSeparators(m.cheminCourant())));
        emit attenteDebut(texte);
    }
    return true;
}

void EnregistreurConsole::commence() {
    engine::Moteur& m = m_moteur;
    const QString parPeriode =
        m.decoupage() == core::Decoupage::Aucun
            ? QString()
            : QStringLiteral(" (un fichier par %1)").arg(core::texteDecoupage(m.decoupage()));
    dit(QStringLiteral("enregistrement dans %1%4, %2 (source : %3). Ctrl+C pour arrêter.")
            .arg(QDir::toNativeSeparators(m.cheminCourant()), core::texteCadence(m.cadence()),
                 m.source().nom() + (m.source().type() == sources::TypeSource::Clavier
                                         ? QStringLiteral(" sur l'entrée standard")
                                         : QString()),
                 parPeriode));
    if (const std::optional<core::Declencheur>& d = m_options.declencheur)
        dit(QStringLiteral("en attente du franchissement %1 de %2 (les %3 mesure(s) d'avant "
                           "seront gardées).")
                .arg(d->seuil.sens(), m.etalonnage().texteNiveau(d->seuil.niveau))
                .arg(d->avant));
}

int EnregistreurConsole::exec() {
    if (!demarre())
        return m_statut;
    // The first sample is due at once; the loop then runs until the end.
    QCoreApplication::exec();
    return m_statut;
}

void EnregistreurConsole::litEntree() {
    char tampon[256];
    const ssize_t n = ::read(STDIN_FILENO, tampon, sizeof tampon);
    if (n <= 0) {
        // End of input (or an input that cannot be read): the keys are done.
        m_entree->setEnabled(false);
        return;
    }
    for (ssize_t k = 0; k < n; ++k) {
        const char c = tampon[k];
        if (c == '\n') {
            // A line that starts with "#" is a comment at the newest sample.
            if (m_dansCommentaire &&
                !m_journal.ajouteCommentaire(QString::fromLocal8Bit(m_commentaire)))
                dit(QStringLiteral("commentaire vide ou hors enregistrement : ignoré."));
            m_dansCommentaire = false;
            m_commentaire.clear();
            m_debutLigne = true;
            continue;
        }
        if (m_debutLigne && c == '#') {
            m_dansCommentaire = true;
        } else if (m_dansCommentaire) {
            if (m_commentaire.size() < 1000)
                m_commentaire += c;
        } else if (m_moteur.source().type() == sources::TypeSource::Clavier) {
            m_moteur.toucheTest(static_cast<unsigned char>(c));
        }
        m_debutLigne = false;
    }
}

void EnregistreurConsole::termine() {
    if (m_fini)
        return;
    m_fini = true;
    emit arretDemande();
    m_programme.annule();
    m_moteur.termine();
    if (m_statut == kStatutOk && m_moteur.echantillonsRun() > 0 &&
        m_moteur.echantillonsLusRun() == 0) {
        m_statut = kStatutSansLecture;
        dit(QStringLiteral("aucune des %1 mesures de cet enregistrement ne vient d'une lecture : "
                           "la source n'a rien donné, et les valeurs du fichier ne sont pas des "
                           "mesures.")
                .arg(m_moteur.echantillonsRun()));
    }
    QCoreApplication::exit(m_statut);
}

QString EnregistreurConsole::fichierSecours(const QString& chemin, int nb, bool fermeture,
                                            bool evenements) {
    // During the run, waiting lines are retried with every sample; only the end saves them.
    if (!fermeture)
        return {};
    // Samples outside the record file change the exit status; events do not.
    if (!evenements)
        m_statut = kStatutSecours;
    if (chemin != m_cheminSecours) {
        m_cheminSecours = chemin;
        m_essaisSecours = 0;
    }
    const QFileInfo info(chemin);
    const QString nom = info.completeBaseName() + QStringLiteral("_secours.csv");
    // Beside the record file when its folder takes files (never among devices), else
    // in the home folder.
    const QFileInfo dossier(info.absolutePath());
    const bool aCote = dossier.isDir() && dossier.isWritable() &&
                       (!info.exists() || info.isFile()) &&
                       !info.absolutePath().startsWith(QStringLiteral("/dev"));
    QStringList cibles;
    if (aCote)
        cibles << QDir(info.absolutePath()).filePath(nom);
    const QString maison = QDir::home().filePath(nom);
    if (!cibles.contains(maison))
        cibles << maison;
    if (m_essaisSecours >= cibles.size())
        return {};
    const QString cible = cibles[m_essaisSecours++];
    dit((evenements ? QStringLiteral("%1 événement(s) n'ont pas pu être écrits dans %2 : ils "
                                     "sont ajoutés à %3.")
                    : QStringLiteral("%1 mesure(s) n'ont pas pu être écrites dans %2 : elles "
                                     "sont ajoutées à %3."))
            .arg(nb)
            .arg(QDir::toNativeSeparators(chemin), QDir::toNativeSeparators(cible)));
    return cible;
}

void EnregistreurConsole::nonConfirmees(const QString& chemin, int nb, const QByteArray& lignes) {
    // The disk did not answer: whether they reached the file is not known, so they
    // are printed, and the status says that the file may lack them.
    m_statut = kStatutSecours;
    dit(QStringLiteral("%1 mesure(s) destinées à %2 ne sont pas confirmées sur le disque : "
                       "elles y sont peut-être ; les voici :")
            .arg(nb)
            .arg(QDir::toNativeSeparators(chemin)));
    std::fwrite(lignes.constData(), 1, static_cast<size_t>(lignes.size()), m_erreurs);
    std::fflush(m_erreurs);
}

bool EnregistreurConsole::abandonneAttente(const QString& chemin, int nb) {
    // Nowhere to write them: they are printed so that nothing is lost from sight.
    dit(QStringLiteral("%1 mesure(s) destinées à %2 n'ont pu être écrites nulle part ; les "
                       "voici :")
            .arg(nb)
            .arg(QDir::toNativeSeparators(chemin)));
    const QByteArray contenu = m_moteur.ecrivain().contenuEnAttente(chemin);
    std::fwrite(contenu.constData(), 1, static_cast<size_t>(contenu.size()), m_erreurs);
    std::fflush(m_erreurs);
    return true;
}

} // namespace app
