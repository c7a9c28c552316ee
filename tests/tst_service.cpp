// The recorder under a service manager's notification protocol: the real program,
// with a Unix datagram socket the test owns standing in for the manager.
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// The manager's end: every datagram with the time it came, from the test's start.
struct Gestionnaire {
    int fd = -1;
    QString chemin;
    QElapsedTimer horloge;
    QList<QPair<qint64, QByteArray>> recus;

    explicit Gestionnaire(const QString& c) : chemin(c) {
        fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        const QByteArray nom = QFile::encodeName(c);
        std::memcpy(a.sun_path, nom.constData(), size_t(nom.size()));
        if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
            ::close(fd);
            fd = -1;
        }
        horloge.start();
    }
    ~Gestionnaire() {
        if (fd >= 0)
            ::close(fd);
    }
    // Reads what comes for `ms`, or until `fin` holds.
    void ecoute(qint64 ms, const std::function<bool()>& fin = {}) {
        const qint64 limite = horloge.elapsed() + ms;
        while (horloge.elapsed() < limite && !(fin && fin())) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, int(std::max<qint64>(1, limite - horloge.elapsed()))) <= 0)
                continue;
            char tampon[4096];
            const ssize_t n = ::recv(fd, tampon, sizeof tampon, 0);
            if (n > 0)
                recus.append({horloge.elapsed(), QByteArray(tampon, int(n))});
        }
    }
    bool a(const QByteArray& message) const {
        return std::any_of(recus.begin(), recus.end(),
                           [&](const auto& r) { return r.second == message; });
    }
    QList<qint64> pings(qint64 depuis = 0) const {
        QList<qint64> t;
        for (const auto& r : recus)
            if (r.second == "WATCHDOG=1" && r.first >= depuis)
                t.append(r.first);
        return t;
    }
};

// The program and the stand-in board library in a folder of their own.
struct Installation {
    QTemporaryDir dir;
    QString programme;
    QString travail;
    Installation() {
        programme = dir.filePath(QStringLiteral("plovar"));
        QFile::copy(QString::fromLocal8Bit(qgetenv("PLOVAR_BIN")), programme);
        QFile::copy(QString::fromLocal8Bit(qgetenv("PLOVAR_LIBCARTE")),
                    dir.filePath(QStringLiteral("libk8055.so")));
        travail = dir.filePath(QStringLiteral("travail"));
        QDir().mkpath(travail);
    }
    void prepare(QProcess& p, const QStringList& arguments, qint64 chienUs) const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), dir.path());
        env.insert(QStringLiteral("NOTIFY_SOCKET"), dir.filePath(QStringLiteral("notify")));
        env.insert(QStringLiteral("K8055_FACTICE_GEL"), dir.filePath(QStringLiteral("gel")));
        if (chienUs > 0)
            env.insert(QStringLiteral("WATCHDOG_USEC"), QString::number(chienUs));
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(travail);
        p.setProgram(programme);
        p.setArguments(arguments);
    }
    QString fichier() const { return QDir(travail).filePath(QStringLiteral("r.csv")); }
    // Every flush to disk takes `ms`, and waits while the file `gel` exists.
    static void disqueLent(QProcess& p, int ms, const QString& gel = QString()) {
        QProcessEnvironment env = p.processEnvironment();
        env.insert(QStringLiteral("LD_PRELOAD"),
                   QString::fromLocal8Bit(qgetenv("PLOVAR_FSYNC_LENT")));
        env.insert(QStringLiteral("PLOVAR_FSYNC_MS"), QString::number(ms));
        if (!gel.isEmpty())
            env.insert(QStringLiteral("PLOVAR_FSYNC_GEL"), gel);
        // Under the sanitizers, their runtime need not come first.
        env.insert(QStringLiteral("ASAN_OPTIONS"), env.value(QStringLiteral("ASAN_OPTIONS")) +
                                                       QStringLiteral(":verify_asan_link_order=0"));
        p.setProcessEnvironment(env);
    }
};

enum class Blocage { Carte, Sortie, Disque };

// The longest gap between pings, the start and the end of the span counted.
qint64 plusLongSilence(const QList<qint64>& pings, qint64 debut, qint64 fin) {
    qint64 precedent = debut, pire = 0;
    for (const qint64 t : pings) {
        if (t < debut || t > fin)
            continue;
        pire = std::max(pire, t - precedent);
        precedent = t;
    }
    return std::max(pire, fin - precedent);
}

constexpr qint64 kChienUs = 600'000;

} // namespace

class TstService : public QObject {
    Q_OBJECT
private slots:
    void pretPuisArret();
    void debutPrevu();
    void fichierImpossible();
    void blocage_data();
    void blocage();
    void disqueLent();
    void disquePlein();
    void declencheurAttendu();
};

void TstService::pretPuisArret() {
    Installation inst;
    Gestionnaire g(inst.dir.filePath(QStringLiteral("notify")));
    QVERIFY(g.fd >= 0);
    QProcess p;
    inst.prepare(p, {"--enregistrer", "--silencieux", "--source", "1", "--fichier", inst.fichier()},
                 kChienUs);
    p.start();
    QVERIFY(p.waitForStarted());
    // Ready only once the record file holds a sample.
    bool fichierAuPret = false;
    g.ecoute(20000, [&] {
        if (!g.a("READY=1"))
            return false;
        QFile f(inst.fichier());
        fichierAuPret = f.open(QIODevice::ReadOnly) && f.readAll().endsWith("\r\n");
        return true;
    });
    QVERIFY(g.a("READY=1"));
    QVERIFY(fichierAuPret);
    const qint64 pret = g.recus.constLast().first;
    g.ecoute(3000);
    // No ping before ready, then one at least every half period.
    QVERIFY(!g.pings().isEmpty());
    QVERIFY(g.pings().constFirst() >= pret);
    QVERIFY2(
        plusLongSilence(g.pings(pret), pret, g.horloge.elapsed()) <= kChienUs / 2000,
        qPrintable(QString::number(plusLongSilence(g.pings(pret), pret, g.horloge.elapsed()))));
    const auto statut = std::find_if(g.recus.rbegin(), g.recus.rend(),
                                     [](const auto& r) { return r.second.startsWith("STATUS="); });
    QVERIFY(statut != g.recus.rend());
    QVERIFY2(statut->second.contains("mesure(s) enregistrée(s)"), statut->second.constData());
    // Silent: nothing on standard output.
    QVERIFY(p.readAllStandardOutput().isEmpty());

    p.terminate();
    QVERIFY(p.waitForFinished(20000));
    QCOMPARE(p.exitCode(), 0);
    g.ecoute(200);
    QCOMPARE(g.recus.constLast().second, QByteArray("STOPPING=1"));
}

void TstService::debutPrevu() {
    // A run that waits for its start time is ready at once, says so, stays alive for
    // the watchdog, and writes nothing before its time.
    Installation inst;
    Gestionnaire g(inst.dir.filePath(QStringLiteral("notify")));
    QVERIFY(g.fd >= 0);
    const QDateTime debut = QDateTime::currentDateTime().addSecs(4);
    QProcess p;
    inst.prepare(p,
                 {"--enregistrer", "--silencieux", "--source", "0", "--fichier", inst.fichier(),
                  "--debut", debut.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")), "--duree", "1"},
                 kChienUs);
    p.start();
    QVERIFY(p.waitForStarted());
    g.ecoute(2500);
    QVERIFY(g.a("READY=1"));
    QVERIFY(!QFileInfo::exists(inst.fichier()) || QFileInfo(inst.fichier()).size() == 0);
    QVERIFY(!g.pings().isEmpty());
    const auto statut = std::find_if(g.recus.rbegin(), g.recus.rend(),
                                     [](const auto& r) { return r.second.startsWith("STATUS="); });
    QVERIFY(statut != g.recus.rend());
    QVERIFY2(statut->second.contains("prévu"), statut->second.constData());
    QVERIFY(p.waitForFinished(20000));
    QCOMPARE(p.exitCode(), 0);
    QFile f(inst.fichier());
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> lignes = f.readAll().split('\n');
    QVERIFY(lignes.size() >= 2);
    const QList<QByteArray> champs = lignes.constFirst().trimmed().split(';');
    QCOMPARE(champs.size(), 4);
    // The first sample is at the start time or after it, never before.
    const QDateTime premier = QDateTime::fromString(
        QString::fromLatin1(champs[2] + ' ' + champs[3]), QStringLiteral("MM-dd-yyyy HH:mm:ss"));
    QVERIFY2(premier >= debut.addMSecs(-debut.time().msec()), champs.join(';').constData());
}

void TstService::fichierImpossible() {
    // A record file that is a FIFO is refused at the start: never ready.
    Installation inst;
    Gestionnaire g(inst.dir.filePath(QStringLiteral("notify")));
    QVERIFY(::mkfifo(QFile::encodeName(inst.fichier()).constData(), 0600) == 0);
    QProcess p;
    inst.prepare(p, {"--enregistrer", "--fichier", inst.fichier()}, kChienUs);
    p.start();
    QVERIFY(p.waitForFinished(20000));
    QCOMPARE(p.exitCode(), 1);
    g.ecoute(200);
    QVERIFY(!g.a("READY=1"));
    QVERIFY(g.pings().isEmpty());
}

void TstService::blocage_data() {
    QTest::addColumn<int>("blocage");
    QTest::newRow("hung board driver") << int(Blocage::Carte);
    QTest::newRow("standard output nobody reads") << int(Blocage::Sortie);
    QTest::newRow("disk flush that does not return") << int(Blocage::Disque);
}

void TstService::blocage() {
    QFETCH(int, blocage);
    const bool sortieBloquee = blocage == int(Blocage::Sortie);
    const QString gelDisque = QDir::temp().filePath(
        QStringLiteral("plovar-gel-disque-%1").arg(QCoreApplication::applicationPid()));
    Installation inst;
    Gestionnaire g(inst.dir.filePath(QStringLiteral("notify")));
    // Standard output on a small pipe the test fills itself, leaving room for the
    // first few lines only.
    int tube[2] = {-1, -1};
    QVERIFY(::pipe2(tube, O_CLOEXEC) == 0);
    const int taille = ::fcntl(tube[1], F_SETPIPE_SZ, 4096);
    QVERIFY(taille >= 4096);
    if (sortieBloquee) {
        QVERIFY(::fcntl(tube[1], F_SETFL, O_NONBLOCK) == 0);
        const QByteArray plein(taille - 100, 'x');
        QCOMPARE(::write(tube[1], plein.constData(), size_t(plein.size())), ssize_t(plein.size()));
        QVERIFY(::fcntl(tube[1], F_SETFL, 0) == 0);
    }
    QProcess p;
    inst.prepare(p, {"--enregistrer", "--source", "1", "--fichier", inst.fichier()}, kChienUs);
    if (blocage == int(Blocage::Disque))
        inst.disqueLent(p, 0, gelDisque);
    p.setChildProcessModifier([&] { ::dup2(tube[1], STDOUT_FILENO); });
    p.start();
    QVERIFY(p.waitForStarted());
    g.ecoute(20000, [&] { return g.a("READY=1"); });
    QVERIFY(g.a("READY=1"));
    const qint64 pret = g.horloge.elapsed();
    g.ecoute(800);
    QVERIFY(!g.pings(pret).isEmpty());
    const QString gel =
        blocage == int(Blocage::Disque) ? gelDisque : inst.dir.filePath(QStringLiteral("gel"));
    if (!sortieBloquee) {
        QFile f(gel);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    // The recording stalls (the output within a few samples): no ping after that.
    // A held flush counts once it has lasted a whole period (the next sample's
    // flush is the first held, up to a second later).
    g.ecoute(sortieBloquee ? 5000 : blocage == int(Blocage::Disque) ? 3000 : 1500);
    const qint64 gele = g.horloge.elapsed();
    g.ecoute(2000);
    QVERIFY2(g.pings(gele).isEmpty(), qPrintable(QString::number(g.pings(gele).size())));
    // Unblocked, it goes on and pings again.
    if (sortieBloquee) {
        char tampon[8192];
        QVERIFY(::read(tube[0], tampon, sizeof tampon) > 0);
        QVERIFY(::fcntl(tube[0], F_SETFL, O_NONBLOCK) == 0);
    } else {
        QVERIFY(QFile::remove(gel));
    }
    const qint64 degele = g.horloge.elapsed();
    g.ecoute(3000, [&] {
        if (sortieBloquee) {
            char tampon[8192];
            while (::read(tube[0], tampon, sizeof tampon) > 0) {
            }
        }
        return !g.pings(degele).isEmpty();
    });
    QVERIFY(!g.pings(degele).isEmpty());
    p.terminate();
    QVERIFY(p.waitForFinished(20000));
    QCOMPARE(p.exitCode(), 0);
    ::close(tube[0]);
    ::close(tube[1]);
}

void TstService::disqueLent() {
    // Every flush takes 1.5 s, longer than the period: each sample is still taken
    // on time, and every one reaches the file.
    Installation inst;
    QProcess p;
    inst.prepare(p, {"--enregistrer", "--source", "0", "--duree", "8", "--fichier", inst.fichier()},
                 0);
    Installation::disqueLent(p, 1500);
    p.start();
    QVERIFY(p.waitForFinished(60000));
    QCOMPARE(p.exitCode(), 0);
    QFile f(inst.fichier());
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> lignes = f.readAll().split('\n');
    // 8 samples, and the empty end after the last line end.
    QCOMPARE(lignes.size(), 9);
    QDateTime precedent;
    for (int i = 1; i <= 8; ++i) {
        const QList<QByteArray> champs = lignes[i - 1].trimmed().split(';');
        QCOMPARE(champs.size(), 4);
        QCOMPARE(champs[0].toInt(), i);
        const QDateTime t = QDateTime::fromString(QString::fromLatin1(champs[2] + ' ' + champs[3]),
                                                  QStringLiteral("MM-dd-yyyy HH:mm:ss"));
        // One a second, no hole.
        if (precedent.isValid())
            QCOMPARE(precedent.secsTo(t), 1);
        precedent = t;
    }
    const QByteArray sortie = p.readAllStandardError();
    QVERIFY2(sortie.contains("8 mesure(s)"), sortie.constData());
}

void TstService::disquePlein() {
    // The state folder on a real 8 KiB memory file system, its record file two lines
    // short of full: the status says what waits and why, not "N enregistrée(s)", and
    // the journal is not told at every sample.
    Installation inst;
    Gestionnaire g(inst.dir.filePath(QStringLiteral("notify")));
    QProcess essai;
    essai.start(QStringLiteral("unshare"), {"-m", "true"});
    if (!essai.waitForFinished(10000) || essai.exitCode() != 0)
        QSKIP("no mount namespace here (unshare -m refused)");
    QByteArray lignes;
    for (int i = 1; lignes.size() < 4096 - 60; ++i)
        lignes += QByteArray::number(i) + ";5;12-09-2026;10:00:00\r\n";
    QFile rempli(inst.dir.filePath(QStringLiteral("r.csv")));
    QVERIFY(rempli.open(QIODevice::WriteOnly) && rempli.write(lignes) == lignes.size());
    rempli.close();
    QProcess p;
    inst.prepare(p, {}, kChienUs);
    // The folder gets its memory file system in a mount namespace of the program's
    // own, the almost full file copied in first.
    const QString script =
        QStringLiteral("mount -t tmpfs -o size=8k none \"$1\" && cp \"$2\" \"$1/r.csv\" && "
                       "exec \"$3\" --enregistrer --silencieux --source 0 --duree 6 --fichier "
                       "\"$1/r.csv\"");
    p.setProgram(QStringLiteral("unshare"));
    p.setArguments(
        {"-m", "sh", "-c", script, "sh", inst.travail, rempli.fileName(), inst.programme});
    p.start();
    g.ecoute(20000, [&] { return p.state() == QProcess::NotRunning; });
    QVERIFY(p.waitForFinished(20000));
    const QByteArray erreurs = p.readAllStandardError();
    // Every sample went to a rescue file: none lost, and the status says so.
    QVERIFY2(p.exitCode() == 3, erreurs.constData());
    bool etatPanne = false;
    for (const auto& r : g.recus)
        etatPanne = etatPanne || (r.second.startsWith("STATUS=\xc3\x89"
                                                      "criture impossible dans ") &&
                                  r.second.contains("le disque est plein"));
    QVERIFY2(etatPanne, erreurs.constData());
    // 6 samples refused: the notice said at once and at doubling intervals, not 6 times.
    const int avis = int(erreurs.count("plovar : \xc3\x89"
                                       "criture impossible"));
    QVERIFY2(avis >= 1 && avis <= 3, erreurs.constData());
}

void TstService::declencheurAttendu() {
    // Waiting for a crossing is a running service: ready, saying what it waits for,
    // pinging while it samples; the crossing then brings the samples before it.
    Installation inst;
    Gestionnaire g(inst.dir.filePath(QStringLiteral("notify")));
    QProcess p;
    inst.prepare(p,
                 {"--enregistrer", "--source", "0", "--declencheur-haut", "5", "--avant", "3",
                  "--fichier", inst.fichier()},
                 kChienUs);
    p.start();
    QVERIFY(p.waitForStarted());
    g.ecoute(10000, [&] { return g.a("READY=1"); });
    QVERIFY(g.a("READY=1"));
    const qint64 pret = g.horloge.elapsed();
    g.ecoute(4500);
    QVERIFY(std::any_of(g.recus.begin(), g.recus.end(), [](const auto& r) {
        return r.second.startsWith("STATUS=en attente du franchissement en montant de 5") &&
               r.second.endsWith("(3 mesure(s) gardées avant)");
    }));
    QVERIFY2(plusLongSilence(g.pings(), pret, g.horloge.elapsed()) < kChienUs / 1000,
             qPrintable(QString::number(g.pings(pret).size())));
    QVERIFY(!QFile::exists(inst.fichier()) || QFile(inst.fichier()).size() == 0);
    // The value goes from 0 to 6: the crossing sample and the 3 before it are written.
    p.write("++++++\n");
    QTRY_VERIFY_WITH_TIMEOUT(QFile(inst.fichier()).size() > 0, 10000);
    g.ecoute(1500);
    QVERIFY(std::any_of(g.recus.begin(), g.recus.end(), [](const auto& r) {
        return r.second.startsWith("STATUS=") && r.second.contains("mesure(s) enregistrée(s)");
    }));
    p.terminate();
    QVERIFY(p.waitForFinished(20000));
    QFile f(inst.fichier());
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> lignes = f.readAll().split('\n');
    QVERIFY(lignes.size() >= 5);
    QVERIFY2(lignes[0].startsWith("1;0;") && lignes[3].startsWith("4;6;"),
             lignes.join('|').constData());
}

QTEST_GUILESS_MAIN(TstService)
#include "tst_service.moc"
