#include "app/Console.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTimer>

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

} // namespace

EnregistreurConsole::EnregistreurConsole(engine::Environnement env, OptionsConsole options,
                                         std::FILE* sortie, std::FILE* erreurs)
    : m_options(std::move(options)), m_sortie(sortie), m_erreurs(erreurs) {
    env.decideur = this;
    m_moteur = std::make_unique<engine::Moteur>(std::move(env));
    connect(m_moteur.get(), &engine::Moteur::ligneEcrite, this, [this](const QByteArray& l) {
        std::fwrite(l.constData(), 1, static_cast<size_t>(l.size()), m_sortie);
        // Standard output only: the record file keeps the raw value.
        const core::Etalonnage& e = m_moteur->etalonnage();
        if (m_options.etalonnage && e.actif) {
            const QByteArray physique = ';' + e.nombre(l.split(';').value(1).toDouble()).toUtf8();
            std::fwrite(physique.constData(), 1, static_cast<size_t>(physique.size()), m_sortie);
        }
        std::fputc('\n', m_sortie);
        std::fflush(m_sortie);
    });
    connect(m_moteur.get(), &engine::Moteur::alerteChange, this,
            [this](engine::Alerte, const QString& texte) {
                if (!texte.isEmpty())
                    dit(texte);
            });
}

EnregistreurConsole::~EnregistreurConsole() {
    if (m_signaux) {
        std::signal(SIGINT, SIG_DFL);
        std::signal(SIGTERM, SIG_DFL);
        ::close(g_signaux[0]);
        ::close(g_signaux[1]);
        g_signaux[0] = g_signaux[1] = -1;
    }
}

void EnregistreurConsole::dit(const QString& texte) {
    std::fprintf(m_erreurs, "plovar : %s\n", texte.toLocal8Bit().constData());
    std::fflush(m_erreurs);
}

int EnregistreurConsole::exec() {
    engine::Moteur& m = *m_moteur;
    m.demarrage();
    if (m_options.cadence)
        m.choisitCadence(*m_options.cadence, false);
    if (m_options.source)
        m.choisitSource(*m_options.source, false);
    if (!m_options.fichier.isEmpty())
        m.utiliseFichier(m_options.fichier);

    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signaux) == 0) {
        m_signaux = std::make_unique<QSocketNotifier>(g_signaux[0], QSocketNotifier::Read);
        connect(m_signaux.get(), &QSocketNotifier::activated, this, [this] {
            char c;
            [[maybe_unused]] const ssize_t n = ::read(g_signaux[0], &c, 1);
            termine();
        });
        std::signal(SIGINT, surSignal);
        std::signal(SIGTERM, surSignal);
    }
    // Test keys from standard input, when there is one.
    struct stat st {};
    if (m.reglages().TypeSource == 0 && ::fstat(STDIN_FILENO, &st) == 0) {
        m_entree = std::make_unique<QSocketNotifier>(STDIN_FILENO, QSocketNotifier::Read);
        connect(m_entree.get(), &QSocketNotifier::activated, this, &EnregistreurConsole::litEntree);
    }
    if (m_options.duree) {
        auto* fin = new QTimer(this);
        fin->setSingleShot(true);
        fin->setTimerType(Qt::PreciseTimer);
        connect(fin, &QTimer::timeout, this, &EnregistreurConsole::termine);
        fin->start(static_cast<int>(*m_options.duree * 1000));
    }

    if (m_options.etalonnage && !m.etalonnage().actif)
        dit(QStringLiteral("aucun étalonnage n'est enregistré : les valeurs restent brutes."));
    const core::Cadence c = m.cadence();
    dit(QStringLiteral("enregistrement dans %1, une mesure toutes les %2 s (source %3). "
                       "Ctrl+C pour arrêter.")
            .arg(QDir::toNativeSeparators(m.cheminEnr()))
            .arg(std::chrono::duration<double>(c.periode()).count())
            .arg(m.reglages().TypeSource));
    m.demarre();
    // The first sample is due at once; the loop then runs until the end.
    return QCoreApplication::exec();
}

void EnregistreurConsole::litEntree() {
    char tampon[256];
    const ssize_t n = ::read(STDIN_FILENO, tampon, sizeof tampon);
    if (n <= 0) {
        // End of input (or an input that cannot be read): the keys are done.
        m_entree->setEnabled(false);
        return;
    }
    for (ssize_t k = 0; k < n; ++k)
        m_moteur->toucheTest(static_cast<unsigned char>(tampon[k]));
}

void EnregistreurConsole::termine() {
    if (m_fini)
        return;
    m_fini = true;
    m_moteur->termine();
    QCoreApplication::exit(0);
}

QString EnregistreurConsole::fichierSecours(const QString& chemin, int nb, bool fermeture) {
    // During the run, waiting lines are retried with every sample; only the end saves them.
    if (!fermeture)
        return {};
    if (chemin != m_cheminSecours) {
        m_cheminSecours = chemin;
        m_essaisSecours = 0;
    }
    const QFileInfo info(chemin);
    const QString nom = info.completeBaseName() + QStringLiteral("_secours.csv");
    QString cible;
    if (m_essaisSecours == 0)
        cible = info.dir().filePath(nom);
    else if (m_essaisSecours == 1)
        cible = QDir::home().filePath(nom);
    else if (m_essaisSecours == 2)
        cible = QDir::temp().filePath(nom);
    ++m_essaisSecours;
    if (!cible.isEmpty())
        dit(QStringLiteral("%1 mesure(s) n'ont pas pu être écrites dans %2 : elles sont ajoutées "
                           "à %3.")
                .arg(nb)
                .arg(QDir::toNativeSeparators(chemin), QDir::toNativeSeparators(cible)));
    return cible;
}

bool EnregistreurConsole::abandonneAttente(const QString& chemin, int nb) {
    // Nowhere to write them: they are printed so that nothing is lost from sight.
    dit(QStringLiteral("%1 mesure(s) destinées à %2 n'ont pu être écrites nulle part ; les "
                       "voici :")
            .arg(nb)
            .arg(QDir::toNativeSeparators(chemin)));
    const QByteArray contenu = m_moteur->ecrivain().contenuEnAttente(chemin);
    std::fwrite(contenu.constData(), 1, static_cast<size_t>(contenu.size()), m_erreurs);
    std::fflush(m_erreurs);
    return true;
}

} // namespace app
