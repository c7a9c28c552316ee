// Values in real units: the calibration, its file, and the spreadsheet export.
#include "core/Etalonnage.h"
#include "files/ExportMesures.h"
#include "files/FichierEtalonnage.h"

#include <QBuffer>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace {

core::Etalonnage etalonnage(double b1, double p1, double b2, double p2, int decimales,
                            const QString& unite = QStringLiteral("°C")) {
    core::Etalonnage e;
    e.actif = true;
    e.brut1 = b1;
    e.physique1 = p1;
    e.brut2 = b2;
    e.physique2 = p2;
    e.decimales = decimales;
    e.unite = unite;
    return e;
}

// Three samples of a recording, at 13:01:31 and the next two seconds.
void troisMesures(core::Magasin& m) {
    const QDateTime t(QDate(2026, 12, 7), QTime(13, 1, 31));
    m.ajoute(0, t);
    m.ajoute(500, t.addSecs(1));
    m.ajoute(999, t.addSecs(2));
}

} // namespace

class TstExport : public QObject {
    Q_OBJECT
private slots:
    void champCsv_data();
    void champCsv();
    void droite_data();
    void droite();
    void fichierEndommage_data();
    void fichierEndommage();
    void allerRetour();
    void octets_data();
    void octets();
    void dateQuiNEnEstPas();
    void annulation();
};

void TstExport::droite_data() {
    QTest::addColumn<double>("b1");
    QTest::addColumn<double>("p1");
    QTest::addColumn<double>("b2");
    QTest::addColumn<double>("p2");
    QTest::addColumn<int>("decimales");
    QTest::addColumn<double>("brut");
    QTest::addColumn<QString>("texte");
    QTest::newRow("0-999 to 0-99.9") << 0.0 << 0.0 << 999.0 << 99.9 << 1 << 500.0 << "50,0";
    QTest::newRow("negative slope") << 0.0 << 100.0 << 1000.0 << -100.0 << 2 << 250.0 << "50,00";
    QTest::newRow("points in any order") << 800.0 << 8.0 << 200.0 << 2.0 << 0 << 1000.0 << "10";
    QTest::newRow("rounding half up") << 0.0 << 0.0 << 1.0 << 1.0 << 1 << 0.25 << "0,3";
    QTest::newRow("no minus zero") << 0.0 << -1.0 << 1000.0 << 1.0 << 1 << 499.99 << "0,0";
    QTest::newRow("four decimals") << 0.0 << 0.0 << 3.0 << 1.0 << 4 << 1.0 << "0,3333";
}

void TstExport::droite() {
    QFETCH(double, b1);
    QFETCH(double, p1);
    QFETCH(double, b2);
    QFETCH(double, p2);
    QFETCH(int, decimales);
    QFETCH(double, brut);
    QFETCH(QString, texte);
    const core::Etalonnage e = etalonnage(b1, p1, b2, p2, decimales);
    QVERIFY(!e.refus());
    QCOMPARE(e.nombre(brut), texte);
    QCOMPARE(e.texte(brut), texte + QStringLiteral(" °C"));
    // Equal raw values give no line: refused, in French.
    QVERIFY(etalonnage(5, 1, 5, 2, 1).refus()->contains(QStringLiteral("différentes")));
    // A slope whose values over the raw range are not all numbers: refused.
    QVERIFY(etalonnage(0, 0, 1e-300, 1e10, 1).refus()->contains(QStringLiteral("pente")));
    QVERIFY(etalonnage(0, -1e304, 999, 1e304, 1).refus()->contains(QStringLiteral("pente")));
}

void TstExport::fichierEndommage_data() {
    QTest::addColumn<QByteArray>("contenu");
    const QByteArray bon = "[etalonnage]\nactif=oui\nbrut1=0\nphysique1=0\nbrut2=999\n"
                           "physique2=99.9\nunite=\xC2\xB0"
                           "C\ndecimales=1\n";
    QTest::newRow("on or off unreadable")
        << QByteArray(bon).replace("actif=oui", "actif=peut-etre");
    QTest::newRow("not a number") << QByteArray(bon).replace("brut2=999", "brut2=beaucoup");
    QTest::newRow("equal raw values") << QByteArray(bon).replace("brut2=999", "brut2=0");
    QTest::newRow("decimals out of range") << QByteArray(bon).replace("decimales=1", "decimales=9");
    QTest::newRow("a key missing") << QByteArray(bon).replace("physique1=0\n", "");
    QTest::newRow("unit too long") << QByteArray(bon).replace("unite=\xC2\xB0"
                                                              "C",
                                                              "unite=" + QByteArray(40, 'u'));
    QTest::newRow("binary") << QByteArray("\x00\xff[\x01=\x02\n", 7);
    QTest::newRow("slope overflows")
        << QByteArray(bon).replace("physique2=99.9", "physique2=1e308");
}

void TstExport::fichierEndommage() {
    QFETCH(QByteArray, contenu);
    QTemporaryDir dir;
    const QString chemin = dir.filePath(QStringLiteral("plovar-etalonnage.ini"));
    QFile f(chemin);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(contenu);
    f.close();
    // Whatever the damage: no calibration, no crash, and it is said to be damaged.
    files::LectureEtalonnage etat = files::LectureEtalonnage::Lue;
    QVERIFY(!files::FichierEtalonnage(chemin).lit(&etat).actif);
    QCOMPARE(etat, files::LectureEtalonnage::Endommagee);
}

void TstExport::allerRetour() {
    QTemporaryDir dir;
    const QString cfg = dir.filePath(QStringLiteral("plovar.cfg"));
    const files::FichierEtalonnage f(files::FichierEtalonnage::cheminPour(cfg));
    QCOMPARE(f.chemin(), dir.filePath(QStringLiteral("plovar.ini")));
    // The other settings of the file are left as they are.
    {
        QFile ini(f.chemin());
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[alarme]\nhaute=12\n");
    }
    files::LectureEtalonnage etat = files::LectureEtalonnage::Lue;
    QVERIFY(!f.lit(&etat).actif);
    QCOMPARE(etat, files::LectureEtalonnage::Absente);
    const core::Etalonnage e = etalonnage(12.5, -3, 900, 45.25, 3, QStringLiteral("bar"));
    QVERIFY(f.ecrit(e));
    const core::Etalonnage relu = f.lit();
    QVERIFY(relu.actif);
    QCOMPARE(relu.brut1, 12.5);
    QCOMPARE(relu.physique2, 45.25);
    QCOMPARE(relu.unite, QStringLiteral("bar"));
    QCOMPARE(relu.decimales, 3);
    QVERIFY(!QFile::exists(cfg)); // never inside the settings file
    QVERIFY(QSettings(f.chemin(), QSettings::IniFormat).value("alarme/haute").toString() == "12");

    // A calibration kept by an older version alone in its file is read once, then
    // lives in plovar.ini.
    QVERIFY(files::FichierEtalonnage(f.chemin()).ecrit(core::Etalonnage()));
    QFile::remove(f.chemin());
    const QString ancien = files::FichierEtalonnage::cheminAncien(cfg);
    QVERIFY(files::FichierEtalonnage(ancien).ecrit(e));
    QString lu;
    const core::Etalonnage repris = files::FichierEtalonnage::pour(cfg, &etat, &lu);
    QCOMPARE(etat, files::LectureEtalonnage::Lue);
    QCOMPARE(lu, ancien);
    QCOMPARE(repris.unite, QStringLiteral("bar"));
    QVERIFY(!QFile::exists(ancien));
    QVERIFY(QFile::exists(ancien + ".ancien"));
    QCOMPARE(files::FichierEtalonnage::pour(cfg, &etat, &lu).physique2, 45.25);
    QCOMPARE(lu, f.chemin());
}

void TstExport::octets_data() {
    QTest::addColumn<bool>("etalonne");
    QTest::addColumn<QByteArray>("attendu");
    QTest::newRow("raw") << false
                         << QByteArray("\xEF\xBB\xBFN\xC2\xB0;Date et heure;Valeur brute\r\n"
                                       "1;2026-12-07 13:01:31;0\r\n"
                                       "2;2026-12-07 13:01:32;500\r\n"
                                       "3;2026-12-07 13:01:33;999\r\n");
    QTest::newRow("calibrated")
        << true
        << QByteArray("\xEF\xBB\xBFN\xC2\xB0;Date et heure;Valeur brute;Valeur;Unit\xC3\xA9\r\n"
                      "1;2026-12-07 13:01:31;0;0,0;\xC2\xB0"
                      "C\r\n"
                      "2;2026-12-07 13:01:32;500;50,0;\xC2\xB0"
                      "C\r\n"
                      "3;2026-12-07 13:01:33;999;99,9;\xC2\xB0"
                      "C\r\n");
}

void TstExport::octets() {
    QFETCH(bool, etalonne);
    QFETCH(QByteArray, attendu);
    core::Magasin m;
    troisMesures(m);
    core::Etalonnage e = etalonnage(0, 0, 999, 99.9, 1);
    e.actif = etalonne;
    QBuffer sortie;
    sortie.open(QIODevice::WriteOnly);
    QVERIFY(files::exporteMesures(sortie, m, 1, 3, e));
    QCOMPARE(sortie.data(), attendu);
}

void TstExport::champCsv_data() {
    QTest::addColumn<QString>("texte");
    QTest::addColumn<QByteArray>("champ");
    QTest::newRow("plain") << QStringLiteral("début : été")
                           << QStringLiteral("début : été").toUtf8();
    QTest::newRow("semicolon") << QStringLiteral("a;b") << QByteArray("\"a;b\"");
    QTest::newRow("double quote") << QStringLiteral("le \"four\"")
                                  << QByteArray("\"le \"\"four\"\"\"");
    QTest::newRow("line feed") << QStringLiteral("coupure\nsecteur")
                               << QByteArray("\"coupure\r\nsecteur\"");
    QTest::newRow("carriage return and line feed")
        << QStringLiteral("a\r\nb") << QByteArray("\"a\r\nb\"");
    QTest::newRow("lone carriage return") << QStringLiteral("a\rb") << QByteArray("\"a\r\nb\"");
    QTest::newRow("other control characters") << QStringLiteral("a\x07"
                                                                "b\tc\x1b")
                                              << QByteArray("a b c ");
}

void TstExport::champCsv() {
    QFETCH(QString, texte);
    QFETCH(QByteArray, champ);
    QCOMPARE(files::champCsv(texte), champ);
}

void TstExport::dateQuiNEnEstPas() {
    core::Magasin m;
    m.ajouteLigne(5, "1;5;hier;midi");
    m.ajouteLigne(6, "2;6;11-08-2006;14:05:09");
    m.ajouteLigne(7, "3;7");
    QBuffer sortie;
    sortie.open(QIODevice::WriteOnly);
    QVERIFY(files::exporteMesures(sortie, m, 1, 3, core::Etalonnage()));
    const QList<QByteArray> lignes = sortie.data().split('\n');
    QCOMPARE(lignes[1], QByteArray("1;hier midi;5\r"));
    QCOMPARE(lignes[2], QByteArray("2;2006-11-08 14:05:09;6\r"));
    QCOMPARE(lignes[3], QByteArray("3;;7\r"));
}

void TstExport::annulation() {
    QTemporaryDir dir;
    core::Magasin m;
    const QDateTime t(QDate(2026, 12, 1), QTime(0, 0), Qt::UTC);
    for (int i = 1; i <= 300000; ++i)
        m.ajoute(i % 1000, t.addSecs(i));
    const QString chemin = dir.filePath(QStringLiteral("gros.csv"));
    int appels = 0;
    QString erreur = QStringLiteral("pas touché");
    QVERIFY(!files::exporteMesures(
        chemin, m, 1, m.NbMesures(), core::Etalonnage(),
        [&](qint64 fait, qint64 total) {
            ++appels;
            return fait < total / 2;
        },
        &erreur));
    QVERIFY(appels >= 2);
    QVERIFY(erreur.isEmpty()); // cancelled, not failed
    QVERIFY(!QFile::exists(chemin));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList());
    // Not cancelled: the whole file.
    QVERIFY(files::exporteMesures(chemin, m, 1, m.NbMesures(), core::Etalonnage(), {}, &erreur));
    QFile f(chemin);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll().count('\n'), 300001);
}

QTEST_GUILESS_MAIN(TstExport)
#include "tst_export.moc"
