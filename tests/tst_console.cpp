// Recording without a window: the real program run as a process, with no display.
#include "Factices.h"
#include "HorlogeFixe.h"
#include "app/Console.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <climits>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace {

// The program copied into its own directory, so that its configuration lives there;
// it runs from an empty working directory.
struct Programme {
    QTemporaryDir dir;
    QString chemin;
    QString travail;
    Programme() {
        chemin = dir.filePath(QStringLiteral("plovar"));
        QFile::copy(QString::fromLocal8Bit(qgetenv("PLOVAR_BIN")), chemin);
        travail = dir.filePath(QStringLiteral("travail"));
        QDir().mkpath(travail);
    }
    void prepare(QProcess& p, const QStringList& arguments) const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        // Rescue files that go to the home folder stay in the test's directory.
        env.insert(QStringLiteral("HOME"), dir.path());
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(travail);
        p.setProgram(chemin);
        p.setArguments(arguments);
    }
    QByteArray enregistrement() const {
        QFile f(QDir(travail).filePath(QStringLiteral("data_tr.csv")));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

// Whole record lines, as printed (LF) or written (CR LF).
QList<QByteArray> lignes(const QByteArray& texte, const QByteArray& fin) {
    QList<QByteArray> l = texte.split('\n');
    if (!texte.endsWith('\n'))
        return {}; // a cut line
    l.removeLast();
    for (QByteArray& x : l) {
        if (fin == "\r\n") {
            if (!x.endsWith('\r'))
                return {};
            x.chop(1);
        }
    }
    return l;
}

const QRegularExpression kLigne(QStringLiteral("^(\\d+);(-?\\d+);\\d\\d-\\d\\d-\\d{4};"
                                               "\\d\\d:\\d\\d:\\d\\d$"));

} // namespace

class TstConsole : public QObject {
    Q_OBJECT
private slots:
    void dureeSansAffichage();
    void sigterm();
    void touchesSurEntree();
    void motDePasseCache();
    void avisEspaces();
    void optionInvalide_data();
    void optionInvalide();
    void posteQuiSeConfond();
    void limiteMemoire();
    void deuxiemeEnregistrement();
    void etalonnage();
    void finDeDuree_data();
    void finDeDuree();
    void heurePrevue_data();
    void heurePrevue();
    void arretPendantPanne_data();
    void arretPendantPanne();
    void statuts_data();
    void statuts();
    void evenements();
};

void TstConsole::evenements() {
    // A limit crossed with the keys, a comment typed, then a run killed and another
    // started: the events file says all of it, and the record keeps its four fields.
    Programme prog;
    QProcess p;
    prog.prepare(p, {QStringLiteral("--enregistrer"), QStringLiteral("--source"),
                     QStringLiteral("0"), QStringLiteral("--alarme-haute"), QStringLiteral("2"),
                     QStringLiteral("--duree"), QStringLiteral("2.5")});
    p.start();
    QVERIFY(p.waitForStarted());
    p.write("+++\n# vanne ouverte\n");
    p.closeWriteChannel();
    QVERIFY(p.waitForFinished(30000));
    QCOMPARE(p.exitCode(), 0);
    QVERIFY(p.readAllStandardError().contains("vanne ouverte"));
    QProcess tue;
    prog.prepare(tue, {QStringLiteral("--enregistrer")});
    tue.start();
    QVERIFY(tue.waitForReadyRead(10000));
    tue.kill();
    QVERIFY(tue.waitForFinished(10000));
    QProcess reprise;
    prog.prepare(reprise,
                 {QStringLiteral("--enregistrer"), QStringLiteral("--duree"), QStringLiteral("1")});
    reprise.start();
    QVERIFY(reprise.waitForFinished(30000));
    QCOMPARE(reprise.exitCode(), 0);
    QFile f(QDir(prog.travail).filePath(QStringLiteral("data_tr_evenements.csv")));
    QVERIFY(f.open(QIODevice::ReadOnly));
    QStringList types;
    for (const QByteArray& l : f.readAll().split('\n').mid(1))
        if (!l.isEmpty())
            types << QString::fromUtf8(l.split(';').value(3));
    // The comment and the alarm come in the order the keys and the first tick met.
    QCOMPARE(types.size(), 8);
    QCOMPARE(types.first(), QStringLiteral("début"));
    QCOMPARE((QSet<QString>{types[1], types[2]}),
             (QSet<QString>{QStringLiteral("commentaire"), QStringLiteral("alarme")}));
    QCOMPARE(types.mid(3).join('|'), QStringLiteral("arrêt|début|reprise|début|arrêt"));
    for (const QByteArray& l : lignes(prog.enregistrement(), "\r\n"))
        QVERIFY2(kLigne.match(QString::fromLatin1(l)).hasMatch(), l.constData());
}

void TstConsole::finDeDuree_data() {
    QTest::addColumn<double>("secondes");
    // Just under and just over what a timer's int of ms holds, and a year.
    QTest::newRow("2147483 s") << 2147483.0;
    QTest::newRow("2147484 s") << 2147484.0;
    QTest::newRow("a year") << 31536000.0;
}

void TstConsole::finDeDuree() {
    QFETCH(double, secondes);
    QTemporaryDir dir;
    test::HorlogeFixe horloge;
    engine::Environnement env;
    env.cheminConfig = dir.filePath(QStringLiteral("plovar.cfg"));
    env.portSerie = dir.filePath(QStringLiteral("pas-de-port"));
    env.horloge = &horloge;
    env.minuteriesManuelles = true;
    env.ecritureAttendue = true;
    app::Poste poste(std::move(env));
    app::OptionsConsole o;
    o.duree = secondes;
    o.source = 1;
    o.fichier = dir.filePath(QStringLiteral("r.csv"));
    std::FILE* nul = std::fopen("/dev/null", "w");
    app::EnregistreurConsole console(poste, o, nul, nul);
    QVERIFY(console.demarre());
    const qint64 reste = static_cast<qint64>(secondes * 1000);
    // The end is armed for what a timer can hold, and armed again until it is due.
    QVERIFY(console.intervalleFin() > 0);
    QVERIFY(console.intervalleFin() <= qint64(INT_MAX));
    horloge.avanceMs(reste - 1);
    console.verifieFin();
    QVERIFY(!console.fini());
    QCOMPARE(console.intervalleFin(), 1);
    horloge.avanceMs(1);
    console.verifieFin();
    QVERIFY(console.fini());
    std::fclose(nul);
}

void TstConsole::heurePrevue_data() {
    // Start 60 s from now, stop 30 s after; the wall clock moves as each row says
    // while waiting (ms, from now).
    QTest::addColumn<QList<qint64>>("pas");
    QTest::addColumn<bool>("enregistre");
    QTest::newRow("on time") << QList<qint64>{59'999, 1} << true;
    QTest::newRow("clock set forward past the start") << QList<qint64>{65'000} << true;
    QTest::newRow("clock set back while waiting")
        << QList<qint64>{30'000, -3'600'000, 3'630'000} << true;
    QTest::newRow("clock set forward past the end") << QList<qint64>{200'000} << false;
}

void TstConsole::heurePrevue() {
    // No sample before the start; one start whatever the clock does; the end stops.
    QFETCH(QList<qint64>, pas);
    QFETCH(bool, enregistre);
    QTemporaryDir dir;
    test::HorlogeFixe horloge;
    engine::Environnement env;
    env.cheminConfig = dir.filePath(QStringLiteral("plovar.cfg"));
    env.horloge = &horloge;
    env.minuteriesManuelles = true;
    env.ecritureAttendue = true;
    app::Poste poste(std::move(env));
    const qint64 depart = horloge.instant.toMSecsSinceEpoch();
    app::OptionsConsole o;
    o.source = 0;
    o.fichier = dir.filePath(QStringLiteral("r.csv"));
    o.debutMs = depart + 60'000;
    o.finMs = depart + 90'000;
    std::FILE* nul = std::fopen("/dev/null", "w");
    app::EnregistreurConsole console(poste, o, nul, nul,
                                     [&horloge] { return horloge.monotoneMs(); });
    QSignalSpy attente(&console, &app::EnregistreurConsole::attenteDebut);
    QVERIFY(console.demarre());
    QVERIFY(console.enAttente());
    QCOMPARE(attente.size(), 1);
    for (int k = 0; k < pas.size(); ++k) {
        QVERIFY(console.enAttente());
        QCOMPARE(poste.moteur.etat(), engine::Etat::Repos);
        horloge.sauteMur(pas[k]);
        console.verifieHeure();
    }
    QVERIFY(!console.enAttente());
    if (enregistre) {
        QCOMPARE(poste.moteur.etat(), engine::Etat::Enregistrement);
        console.verifieHeure();
        for (int k = 0; k < 3; ++k) {
            poste.moteur.Timer1_Timer();
            horloge.avance(1);
            console.verifieHeure();
        }
        QCOMPARE(poste.moteur.echantillonsRun(), 3);
        horloge.sauteMur(o.finMs.value() - horloge.instant.toMSecsSinceEpoch());
        console.verifieHeure();
    }
    QVERIFY(console.fini());
    QCOMPARE(console.statut(), enregistre ? int(app::kStatutOk) : int(app::kStatutImpossible));
    // The events: one start at most, and the file holds only samples of the run.
    QFile evenements(dir.filePath(QStringLiteral("r_evenements.csv")));
    const QByteArray e = evenements.open(QIODevice::ReadOnly) ? evenements.readAll() : QByteArray();
    QCOMPARE(e.count(";début;"), enregistre ? 1 : 0);
    std::fclose(nul);
}

void TstConsole::arretPendantPanne_data() {
    QTest::addColumn<int>("signal");
    QTest::addColumn<bool>("sortieFermee");
    QTest::newRow("SIGTERM") << int(SIGTERM) << false;
    QTest::newRow("SIGINT") << int(SIGINT) << false;
    QTest::newRow("SIGHUP") << int(SIGHUP) << false;
    QTest::newRow("standard output closed, then SIGTERM") << int(SIGTERM) << true;
}

void TstConsole::arretPendantPanne() {
    QFETCH(int, signal);
    QFETCH(bool, sortieFermee);
    Programme prog;
    const QString dossier = QDir(prog.travail).filePath(QStringLiteral("mesures"));
    QVERIFY(QDir().mkpath(dossier));
    QProcess p;
    prog.prepare(p,
                 {QStringLiteral("--enregistrer"), QStringLiteral("--source"), QStringLiteral("0"),
                  QStringLiteral("--fichier"), QDir(dossier).filePath(QStringLiteral("r.csv"))});
    // Standard output on a pipe of the test's own, so that its reading end can be closed.
    int tube[2];
    QCOMPARE(::pipe2(tube, O_CLOEXEC), 0);
    p.setChildProcessModifier([tube] { ::dup2(tube[1], STDOUT_FILENO); });
    p.start();
    QVERIFY(p.waitForStarted());
    ::close(tube[1]);
    pollfd attente{tube[0], POLLIN, 0};
    QVERIFY(::poll(&attente, 1, 10000) == 1); // the first line is on disk
    p.setReadChannel(QProcess::StandardError);
    QByteArray erreurs;
    if (sortieFermee) {
        // Nobody reads the lines any more: the recording goes on, and says so.
        ::close(tube[0]);
        while (!erreurs.contains("sortie standard est ferm") && p.waitForReadyRead(10000))
            erreurs += p.readAllStandardError();
    }
    // The record folder goes away: the next lines wait in memory.
    QVERIFY(QDir(prog.travail).rename(QStringLiteral("mesures"), QStringLiteral("ailleurs")));
    while (!erreurs.contains("en attente") && p.waitForReadyRead(10000))
        erreurs += p.readAllStandardError();
    QVERIFY2(erreurs.contains("en attente"), erreurs.constData());
    ::kill(pid_t(p.processId()), signal);
    QVERIFY(p.waitForFinished(10000));
    erreurs += p.readAllStandardError();
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    // The lines went to a rescue file in the home folder, and the status says so.
    QCOMPARE(p.exitCode(), int(app::kStatutSecours));
    QFile secours(prog.dir.filePath(QStringLiteral("r_secours.csv")));
    QVERIFY2(secours.open(QIODevice::ReadOnly), erreurs.constData());
    const QList<QByteArray> sauvees = lignes(secours.readAll(), "\r\n");
    QVERIFY(sauvees.size() >= 2); // header and at least one waiting line
    QVERIFY(kLigne.match(QString::fromLatin1(sauvees.last())).hasMatch());
    QVERIFY(erreurs.contains(QDir::toNativeSeparators(secours.fileName()).toLocal8Bit()));
    if (sortieFermee)
        QVERIFY2(erreurs.contains("sortie standard est ferm"), erreurs.constData());
    else
        ::close(tube[0]); // the few lines printed fit in the pipe
}

void TstConsole::statuts_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("statut");
    QTest::addColumn<QString>("message");
    QTest::newRow("record folder missing")
        << QStringList{"--enregistrer", "--fichier", "absent/r.csv", "--duree", "5"}
        << int(app::kStatutImpossible) << "n'existe pas";
    QTest::newRow("record path is a device")
        << QStringList{"--enregistrer", "--fichier", "/dev/null", "--duree", "5"}
        << int(app::kStatutImpossible) << "pas un fichier ordinaire";
    QTest::newRow("serial port that never answered")
        << QStringList{"--enregistrer", "--source", "2", "--duree", "1.5"}
        << int(app::kStatutSansLecture) << "aucune des";
}

void TstConsole::statuts() {
    QFETCH(QStringList, arguments);
    QFETCH(int, statut);
    QFETCH(QString, message);
    Programme prog;
    QProcess p;
    prog.prepare(p, arguments);
    p.start();
    QVERIFY(p.waitForFinished(30000));
    QCOMPARE(p.exitCode(), statut);
    const QString erreur = QString::fromLocal8Bit(p.readAllStandardError());
    QVERIFY2(erreur.contains(message), qPrintable(erreur));
    // Refused before any sampling: nothing was printed as recorded.
    if (statut == app::kStatutImpossible)
        QVERIFY(p.readAllStandardOutput().isEmpty());
}

void TstConsole::dureeSansAffichage() {
    Programme prog;
    QProcess p;
    prog.prepare(p, {QStringLiteral("--enregistrer"), QStringLiteral("--source"),
                     QStringLiteral("0"), QStringLiteral("--duree"), QStringLiteral("3")});
    p.start();
    QVERIFY(p.waitForFinished(30000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 0);
    const QList<QByteArray> sortie = lignes(p.readAllStandardOutput(), "\n");
    const QList<QByteArray> fichier = lignes(prog.enregistrement(), "\r\n");
    QVERIFY2(sortie.size() == 3 || sortie.size() == 4, qPrintable(QString::number(sortie.size())));
    QCOMPARE(fichier, sortie);
    for (int k = 0; k < sortie.size(); ++k) {
        const auto m = kLigne.match(QString::fromLatin1(sortie[k]));
        QVERIFY2(m.hasMatch(), sortie[k].constData());
        QCOMPARE(m.captured(1).toInt(), k + 1);
    }
}

void TstConsole::sigterm() {
    Programme prog;
    QProcess p;
    prog.prepare(p, {QStringLiteral("--record")});
    p.start();
    QVERIFY(p.waitForStarted());
    // Two lines printed, then the signal arrives in the middle of the run.
    QByteArray sortie;
    while (sortie.count('\n') < 2 && p.waitForReadyRead(10000))
        sortie += p.readAllStandardOutput();
    QCOMPARE(sortie.count('\n') >= 2, true);
    p.terminate();
    QVERIFY(p.waitForFinished(10000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 0);
    sortie += p.readAllStandardOutput();
    const QList<QByteArray> fichier = lignes(prog.enregistrement(), "\r\n");
    QVERIFY(!fichier.isEmpty());
    QCOMPARE(fichier, lignes(sortie, "\n"));
}

void TstConsole::avisEspaces() {
    // The broker away for an hour, its notice renewed every 4 s: said at 0, 4, 12,
    // 28 s... with the count of those passed over, not 900 times.
    QTemporaryDir dir;
    test::HorlogeFixe horloge;
    engine::Environnement env;
    env.cheminConfig = dir.filePath(QStringLiteral("plovar.cfg"));
    env.horloge = &horloge;
    env.minuteriesManuelles = true;
    env.ecritureAttendue = true;
    app::Poste poste(std::move(env));
    qint64 ms = 0;
    app::OptionsConsole o;
    o.fichier = dir.filePath(QStringLiteral("r.csv"));
    std::FILE* nul = std::fopen("/dev/null", "w");
    char* texte = nullptr;
    size_t taille = 0;
    std::FILE* erreurs = open_memstream(&texte, &taille);
    app::EnregistreurConsole console(poste, o, nul, erreurs, [&ms] { return ms; });
    for (ms = 0; ms < 3600 * 1000; ms += 4000)
        poste.moteur.signale(engine::Alerte::Publication,
                             QStringLiteral("courtier injoignable, %1").arg(ms));
    poste.moteur.signale(engine::Alerte::Publication, QString());
    poste.moteur.signale(engine::Alerte::Publication, QStringLiteral("de nouveau absent"));
    std::fflush(erreurs);
    const QStringList dites =
        QString::fromUtf8(texte, qsizetype(taille)).split('\n', Qt::SkipEmptyParts);
    QVERIFY2(dites.size() >= 10 && dites.size() <= 14, qPrintable(dites.join('\n')));
    QVERIFY(dites[1].endsWith(QStringLiteral(", 4000")));
    QVERIFY(dites[2].contains(QStringLiteral("1 autre(s) avis")));
    // A new outage is said at once.
    QVERIFY(dites.constLast().contains(QStringLiteral("de nouveau absent")));
    std::fclose(erreurs);
    std::free(texte);
    std::fclose(nul);
}

void TstConsole::motDePasseCache() {
    // The broker's password given in the environment: gone from what the process
    // shows of its environment, and never printed.
    Programme prog;
    QProcess p;
    prog.prepare(p, {"--enregistrer", "--mqtt", "127.0.0.1:1", "--duree", "30"});
    QProcessEnvironment env = p.processEnvironment();
    env.insert(QStringLiteral("PLOVAR_MQTT_MOT_DE_PASSE"), QStringLiteral("Tres-Secret-42"));
    p.setProcessEnvironment(env);
    p.start();
    QVERIFY(p.waitForReadyRead(20000)); // recording
    QFile environ(QStringLiteral("/proc/%1/environ").arg(p.processId()));
    QVERIFY(environ.open(QIODevice::ReadOnly));
    QVERIFY(!environ.readAll().contains("Tres-Secret-42"));
    p.terminate();
    QVERIFY(p.waitForFinished(20000));
    QVERIFY(!p.readAllStandardError().contains("Tres-Secret-42"));
}

void TstConsole::touchesSurEntree() {
    Programme prog;
    QProcess p;
    prog.prepare(p, {QStringLiteral("--enregistrer"), QStringLiteral("--source"),
                     QStringLiteral("0"), QStringLiteral("--duree"), QStringLiteral("1.5")});
    p.start();
    QVERIFY(p.waitForStarted());
    p.write("+++");
    p.closeWriteChannel();
    QVERIFY(p.waitForFinished(30000));
    QCOMPARE(p.exitCode(), 0);
    const QList<QByteArray> sortie = lignes(p.readAllStandardOutput(), "\n");
    QVERIFY(!sortie.isEmpty());
    QCOMPARE(sortie.last().split(';').value(1), QByteArray("3"));
}

void TstConsole::optionInvalide_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    QTest::newRow("inconnue") << QStringList{"--enregistrer", "--baud", "3"} << "baud";
    QTest::newRow("cadence 0") << QStringList{"--enregistrer", "--cadence", "0"} << "--cadence";
    QTest::newRow("source 4") << QStringList{"--enregistrer", "--source", "4"} << "--source";
    QTest::newRow("vitesse 299") << QStringList{"--enregistrer", "--vitesse", "299"} << "--vitesse";
    QTest::newRow("étiquette avec espace")
        << QStringList{"--enregistrer", "--etiquette", "t h"} << "--etiquette";
    QTest::newRow("port sans source 3")
        << QStringList{"--enregistrer", "--source", "2", "--port", "/dev/ttyACM0"} << "--source 3";
    QTest::newRow("durée négative") << QStringList{"--enregistrer", "--duree", "-2"} << "--duree";
    QTest::newRow("sans --enregistrer") << QStringList{"--cadence", "2"} << "--enregistrer";
    // A date already past would start at once: refused, with the time it meant.
    QTest::newRow("début passé") << QStringList{"--enregistrer", "--debut", "2020-03-01T08:00"}
                                 << "01/03/2020 08:00:00";
}

void TstConsole::optionInvalide() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    Programme prog;
    QProcess p;
    prog.prepare(p, arguments);
    p.start();
    QVERIFY(p.waitForFinished(30000));
    QCOMPARE(p.exitCode(), 2);
    const QString erreur = QString::fromLocal8Bit(p.readAllStandardError());
    QVERIFY2(erreur.contains(message), qPrintable(erreur));
    QVERIFY2(erreur.contains(QStringLiteral("Utilisation")), qPrintable(erreur));
    QVERIFY(prog.enregistrement().isEmpty());
}

void TstConsole::posteQuiSeConfond() {
    // A station name in plovar.ini that cleaning would change could share another
    // station's topic: nothing is recorded or sent, and the user is told why.
    Programme prog;
    QVERIFY(test::ecritFichier(prog.dir.filePath(QStringLiteral("plovar.ini")),
                               "[publication]\nactif=oui\nhote=127.0.0.1\nposte=a/b\n"));
    QProcess p;
    prog.prepare(p,
                 {QStringLiteral("--enregistrer"), QStringLiteral("--duree"), QStringLiteral("1")});
    p.start();
    QVERIFY(p.waitForFinished(30000));
    QCOMPARE(p.exitCode(), 2);
    const QString erreur = QString::fromLocal8Bit(p.readAllStandardError());
    QVERIFY2(erreur.contains(QStringLiteral("« a/b » deviendrait « a_b »")), qPrintable(erreur));
    QVERIFY(prog.enregistrement().isEmpty());
}

void TstConsole::limiteMemoire() {
#ifdef __SANITIZE_ADDRESS__
    QSKIP("the sanitizer's own memory cannot live under a small address-space limit");
#endif
    // Run as a service with a small LimitAS=: refused before anything runs, with the
    // limit and what to do, instead of failing at some later moment.
    Programme prog;
    QProcess p;
    prog.prepare(p, {});
    p.setProgram(QStringLiteral("prlimit"));
    p.setArguments({QStringLiteral("--as=%1").arg(200 * 1024 * 1024), prog.chemin,
                    QStringLiteral("--enregistrer"), QStringLiteral("--duree"),
                    QStringLiteral("1")});
    p.start();
    QVERIFY(p.waitForFinished(30000));
    QCOMPARE(p.exitCode(), 2);
    const QString erreur = QString::fromLocal8Bit(p.readAllStandardError());
    QVERIFY2(erreur.contains(QStringLiteral("limité à 200 Mo")), qPrintable(erreur));
    QVERIFY(prog.enregistrement().isEmpty());
}

void TstConsole::deuxiemeEnregistrement() {
    Programme prog;
    QProcess premier;
    prog.prepare(premier, {QStringLiteral("--enregistrer")});
    premier.start();
    QVERIFY(premier.waitForReadyRead(10000)); // its first line: it holds the configuration
    // Another environment (another runtime and temporary folder) meets the same lock.
    QProcess second;
    prog.prepare(second,
                 {QStringLiteral("--enregistrer"), QStringLiteral("--duree"), QStringLiteral("1")});
    QProcessEnvironment autre = second.processEnvironment();
    autre.insert(QStringLiteral("XDG_RUNTIME_DIR"), prog.travail);
    autre.insert(QStringLiteral("TMPDIR"), prog.travail);
    second.setProcessEnvironment(autre);
    second.start();
    QVERIFY(second.waitForFinished(30000));
    QCOMPARE(second.exitCode(), 1);
    QVERIFY(QString::fromLocal8Bit(second.readAllStandardError())
                .contains(QStringLiteral("un autre Plovar")));
    QCOMPARE(premier.state(), QProcess::Running);
    premier.terminate();
    QVERIFY(premier.waitForFinished(10000));
    QCOMPARE(premier.exitCode(), 0);
}

void TstConsole::etalonnage() {
    Programme prog;
    QFile ini(prog.dir.filePath(QStringLiteral("plovar-etalonnage.ini")));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("[etalonnage]\nactif=oui\nbrut1=0\nphysique1=10\nbrut2=10\nphysique2=20\n"
              "unite=V\ndecimales=2\n");
    ini.close();
    QProcess p;
    prog.prepare(p, {QStringLiteral("--enregistrer"), QStringLiteral("--duree"),
                     QStringLiteral("1.2"), QStringLiteral("--etalonnage")});
    p.start();
    QVERIFY(p.waitForFinished(30000));
    QCOMPARE(p.exitCode(), 0);
    // Standard output gets the physical value as a fifth field; the file keeps four.
    const QList<QByteArray> sortie = lignes(p.readAllStandardOutput(), "\n");
    QVERIFY(!sortie.isEmpty());
    QCOMPARE(sortie[0].split(';').size(), 5);
    QCOMPARE(sortie[0].split(';').value(4), QByteArray("10,00"));
    const QList<QByteArray> fichier = lignes(prog.enregistrement(), "\r\n");
    QCOMPARE(fichier.size(), sortie.size());
    QCOMPARE(fichier[0].split(';').size(), 4);
}

QTEST_GUILESS_MAIN(TstConsole)
#include "tst_console.moc"
