// Recording without a window: the real program run as a process, with no display.
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

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
    void optionInvalide_data();
    void optionInvalide();
    void deuxiemeEnregistrement();
    void etalonnage();
};

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
    QTest::newRow("inconnue") << QStringList{"--enregistrer", "--vitesse", "3"} << "vitesse";
    QTest::newRow("cadence 0") << QStringList{"--enregistrer", "--cadence", "0"} << "--cadence";
    QTest::newRow("source 3") << QStringList{"--enregistrer", "--source", "3"} << "--source";
    QTest::newRow("durée négative") << QStringList{"--enregistrer", "--duree", "-2"} << "--duree";
    QTest::newRow("sans --enregistrer") << QStringList{"--cadence", "2"} << "--enregistrer";
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

void TstConsole::deuxiemeEnregistrement() {
    Programme prog;
    QProcess premier;
    prog.prepare(premier, {QStringLiteral("--enregistrer")});
    premier.start();
    QVERIFY(premier.waitForReadyRead(10000)); // its first line: it holds the configuration
    QProcess second;
    prog.prepare(second,
                 {QStringLiteral("--enregistrer"), QStringLiteral("--duree"), QStringLiteral("1")});
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
