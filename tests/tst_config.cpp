#include "Factices.h"
#include "files/FichierConfig.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sys/wait.h>
#include <unistd.h>

using files::FichierConfig;
using files::LectureConfig;

class TstConfig : public QObject {
    Q_OBJECT
private slots:
    void ligneParDefaut();
    void lecture_data();
    void lecture();
    void endommage_data();
    void endommage();
    void allerRetour();
    void ecritureImpossible();
    void repertoireEnLectureSeule();
    void cheminChoisi();
};

void TstConfig::ligneParDefaut() {
    core::Reglages r;
    core::appliqueDefauts(r);
    QCOMPARE(FichierConfig::ligne(r),
             QByteArray("\"NE PAS MODIFIER CE FICHIER\",\"data_tr.csv\",1,0,3600\r\n"));
}

void TstConfig::lecture_data() {
    QTest::addColumn<QByteArray>("contenu");
    QTest::addColumn<QString>("nom");
    QTest::addColumn<int>("cadence");
    QTest::addColumn<int>("source");
    QTest::addColumn<int>("largeur");
    QTest::newRow("defaults") << QByteArray(
                                     "\"NE PAS MODIFIER CE FICHIER\",\"data_tr.csv\",1,0,3600\r\n")
                              << "data_tr.csv" << 1 << 0 << 3600;
    QTest::newRow("comma in path")
        << QByteArray("\"X\",\"/tmp/a,b.csv\",4,2,7890\r\n") << "/tmp/a,b.csv" << 4 << 2 << 7890;
    QTest::newRow("last record wins")
        << QByteArray("\"X\",\"a.csv\",1,0,3600\r\n\"X\",\"b.csv\",10,1,7890\r\n") << "b.csv" << 10
        << 1 << 7890;
    QTest::newRow("marker changed")
        << QByteArray("\"bonjour\",\"a.csv\",2,1,5000\r\n") << "a.csv" << 2 << 1 << 5000;
    QTest::newRow("one field a line")
        << QByteArray("\"X\"\r\n\"c.csv\"\r\n3\r\n2\r\n7890\r\n") << "c.csv" << 3 << 2 << 7890;
    QTest::newRow("blanks before fields")
        << QByteArray("  \"X\", \t\"d.csv\",  5 , 0,\t3600\r\n") << "d.csv" << 5 << 0 << 3600;
    QTest::newRow("bare LF and no final line end")
        << QByteArray("\"X\",\"e.csv\",6,0,3600\n") << "e.csv" << 6 << 0 << 3600;
    QTest::newRow("unquoted name") << QByteArray("X,f.csv,7,0,3600") << "f.csv" << 7 << 0 << 3600;
    QTest::newRow("trailing blank lines")
        << QByteArray("\"X\",\"g.csv\",8,0,3600\r\n\r\n\r\n") << "g.csv" << 8 << 0 << 3600;
    QTest::newRow("latin letters in path")
        << QByteArray("\"X\",\"/tmp/donn\xc3\xa9"
                      "es.csv\",1,0,3600\r\n")
        << QString::fromUtf8("/tmp/données.csv") << 1 << 0 << 3600;
}

void TstConfig::lecture() {
    QFETCH(QByteArray, contenu);
    QFETCH(QString, nom);
    QFETCH(int, cadence);
    QFETCH(int, source);
    QFETCH(int, largeur);
    QTemporaryDir d;
    const QString chemin = d.filePath(QStringLiteral("plovar.cfg"));
    QVERIFY(test::ecritFichier(chemin, contenu));
    core::Reglages r;
    QCOMPARE(FichierConfig(chemin).lit_config(r), LectureConfig::Lue);
    QCOMPARE(r.NomFichierEnr, nom);
    QCOMPARE(int(r.IndexCadence), cadence);
    QCOMPARE(int(r.TypeSource), source);
    QCOMPARE(int(r.LargeurFenetre), largeur);
}

void TstConfig::endommage_data() {
    QTest::addColumn<QByteArray>("contenu");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("blank lines only") << QByteArray("\r\n\r\n");
    QTest::newRow("four fields") << QByteArray("\"X\",\"a.csv\",1,0\r\n");
    QTest::newRow("six fields") << QByteArray("\"X\",\"a.csv\",1,0,3600,9\r\n");
    QTest::newRow("rate not a number") << QByteArray("\"X\",\"a.csv\",un,0,3600\r\n");
    QTest::newRow("width not a number") << QByteArray("\"X\",\"a.csv\",1,0,large\r\n");
    QTest::newRow("width too large") << QByteArray("\"X\",\"a.csv\",1,0,40000\r\n");
    QTest::newRow("width negative") << QByteArray("\"X\",\"a.csv\",1,0,-5\r\n");
    QTest::newRow("rate 0") << QByteArray("\"X\",\"a.csv\",0,0,3600\r\n");
    QTest::newRow("rate 11") << QByteArray("\"X\",\"a.csv\",11,0,3600\r\n");
    QTest::newRow("rate 300 (not 8-bit)") << QByteArray("\"X\",\"a.csv\",300,0,3600\r\n");
    QTest::newRow("source 3") << QByteArray("\"X\",\"a.csv\",1,3,3600\r\n");
    QTest::newRow("source -1") << QByteArray("\"X\",\"a.csv\",1,-1,3600\r\n");
    QTest::newRow("decimal rate") << QByteArray("\"X\",\"a.csv\",1.5,0,3600\r\n");
    QTest::newRow("empty record name") << QByteArray("\"X\",\"\",1,0,3600\r\n");
    QTest::newRow("quote inside unquoted name") << QByteArray("X,a\"b.csv,1,0,3600\r\n");
    QTest::newRow("binary garbage") << QByteArray("\x00\xff\x01,,,,\x02", 9);
    QTest::newRow("good record then broken one")
        << QByteArray("\"X\",\"a.csv\",1,0,3600\r\n\"X\",\"b.csv\",1\r\n");
    QTest::newRow("too large") << QByteArray(FichierConfig::kTailleMax + 10, ' ');
}

void TstConfig::endommage() {
    QFETCH(QByteArray, contenu);
    QTemporaryDir d;
    const QString chemin = d.filePath(QStringLiteral("plovar.cfg"));
    QVERIFY(test::ecritFichier(chemin, contenu));
    core::Reglages r;
    r.NomFichierEnr = QStringLiteral("inchangé");
    r.IndexCadence = 9;
    QCOMPARE(FichierConfig(chemin).lit_config(r), LectureConfig::Endommagee);
    QCOMPARE(r.NomFichierEnr, QStringLiteral("inchangé"));
    QCOMPARE(int(r.IndexCadence), 9);
}

void TstConfig::allerRetour() {
    QTemporaryDir d;
    FichierConfig c(d.filePath(QStringLiteral("plovar.cfg")));
    core::Reglages r;
    r.NomFichierEnr = QStringLiteral("/home/u/mesures, été.csv");
    r.IndexCadence = 10;
    r.TypeSource = 2;
    r.LargeurFenetre = 7890;
    QVERIFY(c.ecrit_config(r));
    core::Reglages lu;
    QCOMPARE(c.lit_config(lu), LectureConfig::Lue);
    QCOMPARE(lu.NomFichierEnr, r.NomFichierEnr);
    QCOMPARE(lu.IndexCadence, r.IndexCadence);
    QCOMPARE(lu.TypeSource, r.TypeSource);
    QCOMPARE(lu.LargeurFenetre, r.LargeurFenetre);
    QFile f(c.chemin());
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), FichierConfig::ligne(r));
}

void TstConfig::ecritureImpossible() {
    core::Reglages r;
    core::appliqueDefauts(r);
    QString erreur;
    QVERIFY(!FichierConfig(QStringLiteral("/proc/plovar-interdit/plovar.cfg"))
                 .ecrit_config(r, &erreur));
    QVERIFY(!erreur.isEmpty());
    QCOMPARE(r.NomFichierEnr, QStringLiteral("data_tr.csv"));
}

void TstConfig::repertoireEnLectureSeule() {
    // The directory refuses new files, the configuration itself may be written: it is
    // written in place. Run as an ordinary user (root ignores permissions).
    QTemporaryDir dir;
    QVERIFY(QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                                  QFileDevice::ReadOther | QFileDevice::ExeOther |
                                                  QFileDevice::WriteOwner));
    const QString chemin = dir.filePath(QStringLiteral("plovar.cfg"));
    QVERIFY(test::ecritFichier(chemin, "\"X\",\"a.csv\",1,0,3600\r\n"));
    QVERIFY(QFile::setPermissions(chemin, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                              QFileDevice::ReadOther | QFileDevice::WriteOther));
    core::Reglages r;
    core::appliqueDefauts(r);
    r.LargeurFenetre = 7890;
    const uid_t personne = 65534;
    if (::geteuid() == 0) {
        QVERIFY(::chown(QFile::encodeName(dir.path()).constData(), personne, personne) == 0);
        QVERIFY(QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                                      QFileDevice::ReadOther |
                                                      QFileDevice::ExeOther));
        const pid_t enfant = ::fork();
        if (enfant == 0) {
            // In the child: an ordinary user, then the write.
            if (::setgid(personne) != 0 || ::setuid(personne) != 0)
                ::_exit(3);
            if (QFileInfo(dir.path()).isWritable())
                ::_exit(4);
            ::_exit(FichierConfig(chemin).ecrit_config(r) ? 0 : 1);
        }
        int statut = -1;
        QCOMPARE(::waitpid(enfant, &statut, 0), enfant);
        QVERIFY(WIFEXITED(statut));
        QCOMPARE(WEXITSTATUS(statut), 0);
    } else {
        QVERIFY(QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        QVERIFY(FichierConfig(chemin).ecrit_config(r));
    }
    QFile f(chemin);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(),
             QByteArray("\"NE PAS MODIFIER CE FICHIER\",\"data_tr.csv\",1,0,7890\r\n"));
    QFile::setPermissions(dir.path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (::geteuid() == 0)
        QVERIFY(::chown(QFile::encodeName(dir.path()).constData(), 0, 0) == 0);
}

void TstConfig::cheminChoisi() {
    QTemporaryDir prog, utilisateur;
    const QString local = prog.filePath(QStringLiteral("plovar.cfg"));
    const QString perso = utilisateur.filePath(QStringLiteral("plovar.cfg"));
    QCOMPARE(FichierConfig::choisitChemin(prog.path(), utilisateur.path(), true), local);
    // An installed program's directory cannot be written: the user's directory is used.
    QCOMPARE(FichierConfig::choisitChemin(prog.path(), utilisateur.path(), false), perso);
    // Installed by a package: never beside the program, even for root who may write there.
    if (!QFile::exists(QStringLiteral("/usr/bin/plovar.cfg")))
        QCOMPARE(FichierConfig::choisitChemin(QStringLiteral("/usr/bin"), utilisateur.path()),
                 perso);
    // A file already beside the program is kept there.
    QFile f(local);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    QCOMPARE(FichierConfig::choisitChemin(prog.path(), utilisateur.path(), false), local);
}

QTEST_GUILESS_MAIN(TstConfig)
#include "tst_config.moc"
