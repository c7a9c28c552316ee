#include "core/InstanceUnique.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <signal.h>

class TstInstance : public QObject {
    Q_OBJECT
private slots:
    void deuxiemeInstance();
    void fenetreApresEnregistreur();

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

QTEST_GUILESS_MAIN(TstInstance)
#include "tst_instance.moc"
