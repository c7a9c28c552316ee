#include "core/InstanceUnique.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

class TstInstance : public QObject {
    Q_OBJECT
private slots:
    void deuxiemeInstance();
    void fenetreApresEnregistreur();
    void verrouPlanteParUnAutre();
    void tmpPrive();
    void reglagesPlantes_data();
    void reglagesPlantes();

private:
    static QByteArray pidDuVerrou(const QString& verrou) {
        QFile f(verrou);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return f.readLine().trimmed();
    }
};

void TstInstance::deuxiemeInstance() {
    QTemporaryDir dir;
    const QString programme = dir.filePath(QStringLiteral("plovar"));
    QVERIFY(QFile::copy(QString::fromLocal8Bit(qgetenv("PLOVAR_BIN")), programme));
    const QString config = dir.filePath(QStringLiteral("plovar.cfg"));
    const QString verrou = core::InstanceUnique::cheminVerrou(config);

    QProcess premier;
    premier.setWorkingDirectory(dir.path());
    premier.start(programme, {});
    QVERIFY(premier.waitForStarted());
    QVERIFY(QTest::qWaitFor(
        [&] { return pidDuVerrou(verrou) == QByteArray::number(premier.processId()); }, 20000));
    // The first run leaves the default configuration beside the program.
    QTRY_COMPARE_WITH_TIMEOUT(
        [&] {
            QFile f(config);
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        }(),
        QByteArray("\"NE PAS MODIFIER CE FICHIER\",\"data_tr.csv\",1,0,3600\r\n"), 20000);

    QProcess second;
    second.setWorkingDirectory(dir.path());
    second.start(programme, {});
    QVERIFY(second.waitForFinished(20000));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    QCOMPARE(premier.state(), QProcess::Running);

    // A killed instance leaves its lock behind; the next start takes it over.
    ::kill(pid_t(premier.processId()), SIGKILL);
    QVERIFY(premier.waitForFinished(20000));
    QVERIFY(QFile::exists(verrou));
    QProcess troisieme;
    troisieme.setWorkingDirectory(dir.path());
    troisieme.start(programme, {});
    QVERIFY(troisieme.waitForStarted());
    QVERIFY(QTest::qWaitFor(
        [&] { return pidDuVerrou(verrou) == QByteArray::number(troisieme.processId()); }, 20000));
    QCOMPARE(troisieme.state(), QProcess::Running);
    troisieme.kill();
    troisieme.waitForFinished(20000);
}

void TstInstance::fenetreApresEnregistreur() {
    QTemporaryDir dir;
    const QString programme = dir.filePath(QStringLiteral("plovar"));
    QVERIFY(QFile::copy(QString::fromLocal8Bit(qgetenv("PLOVAR_BIN")), programme));
    const auto environnement = [&](const QString& nom) {
        // Each process in an environment of its own: runtime and temporary folders differ.
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        const QString propre = dir.filePath(nom);
        QDir().mkpath(propre);
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), propre);
        env.insert(QStringLiteral("TMPDIR"), propre);
        return env;
    };
    QProcess enregistreur;
    enregistreur.setWorkingDirectory(dir.path());
    enregistreur.setProcessEnvironment(environnement(QStringLiteral("a")));
    enregistreur.start(programme, {QStringLiteral("--enregistrer")});
    QVERIFY(enregistreur.waitForReadyRead(20000)); // recording: it holds the configuration
    QProcess fenetre;
    fenetre.setWorkingDirectory(dir.path());
    fenetre.setProcessEnvironment(environnement(QStringLiteral("b")));
    fenetre.setReadChannel(QProcess::StandardError);
    fenetre.start(programme, {});
    // The window says who uses the configuration, and never records beside it.
    QByteArray erreurs;
    while (!erreurs.contains("sans fen") && fenetre.waitForReadyRead(20000))
        erreurs += fenetre.readAllStandardError();
    QVERIFY2(erreurs.contains(QByteArray::number(enregistreur.processId())), erreurs.constData());
    fenetre.kill();
    fenetre.waitForFinished(20000);
    QCOMPARE(enregistreur.state(), QProcess::Running);
    enregistreur.terminate();
    QVERIFY(enregistreur.waitForFinished(20000));
    QCOMPARE(enregistreur.exitCode(), 0);
}

// Runs a command as another user (nobody); false when this test cannot.
static bool commeAutre(QProcess& p, const QStringList& commande) {
    if (::geteuid() != 0 || QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty())
        return false;
    p.start(QStringLiteral("setpriv"),
            QStringList{"--reuid=65534", "--regid=65534", "--clear-groups"} + commande);
    return p.waitForStarted();
}

void TstInstance::verrouPlanteParUnAutre() {
    // A configuration in a folder everyone may write (like /tmp): another user made
    // the lock file first, and even holds it.
    QTemporaryDir dir;
    QVERIFY(QFile::setPermissions(dir.path(), QFileDevice::Permissions(0x7777)));
    QVERIFY(::chmod(QFile::encodeName(dir.path()).constData(), 01777) == 0);
    const QString config = dir.filePath(QStringLiteral("plovar.cfg"));
    const QString verrou = core::InstanceUnique::cheminVerrou(config);
    QProcess autre;
    if (!commeAutre(autre, {"flock", verrou, "sleep", "60"}))
        QSKIP("needs root and setpriv to act as another user");
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(verrou), 10000);
    QProcess p;
    p.start(QString::fromLocal8Bit(qgetenv("PLOVAR_BIN")),
            {"--enregistrer", "--config", config, "--fichier", dir.filePath("r.csv"), "--duree",
             "1.5"});
    QVERIFY(p.waitForFinished(20000));
    const QByteArray erreurs = p.readAllStandardError();
    QVERIFY2(p.exitCode() == 0, erreurs.constData());
    QVERIFY(QFile(dir.filePath("r.csv")).size() > 0);
    autre.kill();
    autre.waitForFinished();
}

void TstInstance::reglagesPlantes_data() {
    QTest::addColumn<int>("modeDossier");
    QTest::addColumn<int>("modeIni"); // 0: no plovar.ini
    QTest::addColumn<bool>("autreProprietaire");
    QTest::addColumn<QByteArray>("raison"); // empty: the settings are used
    QTest::newRow("own settings") << 0755 << 0644 << false << QByteArray();
    QTest::newRow("settings of another user")
        << 0755 << 0644 << true << QByteArray("appartient à un autre utilisateur");
    QTest::newRow("settings others may change")
        << 0755 << 0664 << false << QByteArray("chmod go-w");
    QTest::newRow("folder everyone may write, no sticky bit")
        << 0777 << 0 << false << QByteArray("peut être modifié par tous");
    QTest::newRow("folder everyone may write, sticky bit") << 01777 << 0 << false << QByteArray();
}

void TstInstance::reglagesPlantes() {
    // An alarm whose command leaves a mark: it runs only from settings the user owns.
    QFETCH(int, modeDossier);
    QFETCH(int, modeIni);
    QFETCH(bool, autreProprietaire);
    QFETCH(QByteArray, raison);
    if (autreProprietaire && ::geteuid() != 0)
        QSKIP("needs root to give a file to another user");
    QTemporaryDir dir;
    const QString config = dir.filePath(QStringLiteral("plovar.cfg"));
    const QString marque = dir.filePath(QStringLiteral("marque"));
    if (modeIni != 0) {
        const QString ini = dir.filePath(QStringLiteral("plovar.ini"));
        QFile f(ini);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[alarme]\nhaute=-5\ncommande=touch " + QFile::encodeName(marque) + "\n");
        f.close();
        QVERIFY(::chmod(QFile::encodeName(ini).constData(), mode_t(modeIni)) == 0);
        if (autreProprietaire)
            QVERIFY(::chown(QFile::encodeName(ini).constData(), 65534, 65534) == 0);
    }
    QVERIFY(::chmod(QFile::encodeName(dir.path()).constData(), mode_t(modeDossier)) == 0);
    QProcess p;
    p.start(
        QString::fromLocal8Bit(qgetenv("PLOVAR_BIN")),
        {"--enregistrer", "--config", config, "--fichier", dir.filePath("r.csv"), "--duree", "2"});
    QVERIFY(p.waitForFinished(20000));
    const QByteArray erreurs = p.readAllStandardError();
    if (raison.isEmpty()) {
        QVERIFY2(p.exitCode() == 0, erreurs.constData());
        if (modeIni != 0)
            QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(marque), 10000);
        return;
    }
    QCOMPARE(p.exitCode(), 2);
    QVERIFY2(erreurs.contains(raison), erreurs.constData());
    // Refused before anything: no record, no command, no help text.
    QVERIFY(!QFile::exists(dir.filePath("r.csv")));
    QVERIFY(!QFile::exists(marque));
    QVERIFY(!erreurs.contains("--enregistrer"));
}

void TstInstance::tmpPrive() {
    // A service with a /tmp of its own and a recorder outside it, on one
    // configuration. The configuration and the program are kept out of /tmp, which
    // the service does not share.
    if (::geteuid() != 0 || QStandardPaths::findExecutable(QStringLiteral("unshare")).isEmpty())
        QSKIP("needs root and unshare for a private /tmp");
    QTemporaryDir dir(QStringLiteral("/var/tmp/plovar-instance-XXXXXX"));
    QVERIFY(dir.isValid());
    const QString programme = dir.filePath(QStringLiteral("plovar"));
    QVERIFY(QFile::copy(QString::fromLocal8Bit(qgetenv("PLOVAR_BIN")), programme));
    const QString config = dir.filePath(QStringLiteral("plovar.cfg"));
    const QStringList enregistrement{"--enregistrer", "--config", config, "--fichier",
                                     dir.filePath("r.csv")};
    QProcess premier;
    premier.start(QStringLiteral("unshare"),
                  QStringList{"-m", "--propagation", "private", "sh", "-c",
                              "mount -t tmpfs none /tmp && exec \"$0\" \"$@\"", programme} +
                      enregistrement);
    QVERIFY(premier.waitForReadyRead(20000)); // recording
    QProcess second;
    second.start(programme, enregistrement);
    QVERIFY(second.waitForFinished(20000));
    QCOMPARE(second.exitCode(), 1);
    QVERIFY(second.readAllStandardError().contains("utilise déjà"));
    QCOMPARE(premier.state(), QProcess::Running);
    premier.terminate();
    QVERIFY(premier.waitForFinished(20000));
    QCOMPARE(premier.exitCode(), 0);
}

QTEST_GUILESS_MAIN(TstInstance)
#include "tst_instance.moc"
