#include "core/InstanceUnique.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <signal.h>

class TstInstance : public QObject {
    Q_OBJECT
private slots:
    void deuxiemeInstance();

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

QTEST_GUILESS_MAIN(TstInstance)
#include "tst_instance.moc"
