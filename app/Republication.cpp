#include "app/Republication.h"

#include "publication/Publieur.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTimer>

#include <csignal>
#include <cstdio>

namespace app {

namespace {

volatile std::sig_atomic_t g_arret = 0;

void surSignal(int) {
    g_arret = 1;
}

void dit(const QString& t) {
    std::fprintf(stderr, "plovar : %s\n", t.toLocal8Bit().constData());
    std::fflush(stderr);
}

} // namespace

int republie(const publication::ReglagePublication& r, const QString& chemin, qint64 depuis) {
    const QFileInfo info(chemin);
    if (!info.isFile() || !info.isReadable()) {
        dit(QStringLiteral("%1 n'est pas un fichier lisible ; rien n'est publié.")
                .arg(QDir::toNativeSeparators(chemin)));
        return 1;
    }
    std::signal(SIGPIPE, SIG_IGN);
    for (const int s : {SIGINT, SIGTERM, SIGHUP})
        std::signal(s, surSignal);

    publication::Publieur publieur(r);
    publieur.suitFichier(info.absoluteFilePath(), false, depuis);
    int statut = -1;
    QObject::connect(&publieur, &publication::Publieur::etatChange, [&] {
        dit(QStringLiteral("publication : %1.").arg(publieur.texteEtat()));
        // Settings the broker refuses will not get better by waiting.
        if (publieur.etat() == publication::Publieur::Etat::Refuse)
            statut = 1;
    });
    // Done as soon as the last acknowledgement is counted, not at the next check.
    QObject::connect(
        &publieur, &publication::Publieur::bilanChange, [&](const publication::Bilan& b) {
            if (statut < 0 && b.etat == publication::Publieur::Etat::Connecte && b.enAttente == 0) {
                statut = 0;
                QCoreApplication::exit(statut);
            }
        });
    QElapsedTimer depuisRapport;
    depuisRapport.start();
    QTimer veille;
    veille.setInterval(100);
    QObject::connect(&veille, &QTimer::timeout, [&] {
        if (g_arret)
            statut = 1;
        else if (publieur.etat() == publication::Publieur::Etat::Connecte && publieur.aJour())
            statut = 0;
        else if (depuisRapport.elapsed() >= 5000) {
            depuisRapport.restart();
            dit(QStringLiteral("%1 mesure(s) acquittées, %2 en attente.")
                    .arg(publieur.acquittes())
                    .arg(publieur.enAttente()));
        }
        if (statut >= 0)
            QCoreApplication::exit(statut);
    });
    veille.start();
    publieur.demarre();
    QCoreApplication::exec();
    const qint64 attente = publieur.enAttente();
    publieur.arrete();
    const qint64 illisibles = publieur.illisibles();
    if (statut == 0 && illisibles > 0) {
        // Every sample read went, but some lines were none: said, with a status of its own.
        QStringList exemples;
        for (const QString& e : publieur.exemplesIllisibles())
            exemples << QStringLiteral("« %1 »").arg(e);
        dit(QStringLiteral("%1 mesure(s) publiées sur %2 et acquittées ; %3 ligne(s) illisible(s) "
                           "n'ont pas été publiées (%4%5).")
                .arg(publieur.acquittes())
                .arg(r.adresse())
                .arg(illisibles)
                .arg(exemples.join(QStringLiteral(", ")),
                     illisibles > exemples.size() ? QStringLiteral(", …") : QString()));
        statut = kStatutIllisibles;
    } else if (statut == 0)
        dit(QStringLiteral("%1 mesure(s) publiées sur %2, toutes acquittées.")
                .arg(publieur.acquittes())
                .arg(r.adresse()));
    else
        dit(QStringLiteral("arrêt : %1 mesure(s) acquittées, %2 non envoyées ou non acquittées.")
                .arg(publieur.acquittes())
                .arg(attente));
    return statut;
}

} // namespace app
