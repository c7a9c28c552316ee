#include "AccesMoteur.h"
#include "Factices.h"
#include "settings/GestionReglages.h"

#include <QFile>
#include <QMenuBar>
#include <QTest>

using test::Banc;

class TstDemarrage : public QObject {
    Q_OBJECT
private slots:
    void premierDemarrage();
    void largeurEtTitre_data();
    void largeurEtTitre();
    void configEndommagee();
    void repertoireDeTravail();
    void touchesTest();
    void afficheurValeur();
    void ledClignote();
};

void TstDemarrage::premierDemarrage() {
    Banc b;
    app::Enregistreur& f = b.demarre();
    QCOMPARE(b.lit(QStringLiteral("plovar.cfg")),
             QByteArray("\"NE PAS MODIFIER CE FICHIER\",\"data_tr.csv\",1,0,3600\r\n"));
    QCOMPARE(f.windowTitle(), QStringLiteral("Plovar : data_tr.csv"));
    QCOMPARE(f.largeurTwips(), 3600);
    QVERIFY(!f.ui().menuGraphe->isChecked());
    QCOMPARE(f.moteur().cadence().IntervalleTimer.count(), 1000);
    QCOMPARE(int(f.moteur().cadence().NbTicks), 1);
    QCOMPARE(int(f.moteur().reglages().TypeSource), 0);
    QCOMPARE(f.moteur().magasin().valeur(0), 0.0);
    QCOMPARE(int(f.vue().etat().PlafondY), 255);
    QCOMPARE(f.ui().Slider1->minimum(), 1);
    QCOMPARE(f.ui().Ecran1->ScaleWidth(), 360.f);
    QCOMPARE(f.ui().Ecran1->ScaleHeight(), 255.f);
    QCOMPARE(f.HauteurEcran(), 255.f);
    QVERIFY(f.moteur().TimerValActu().isActive());
    QVERIFY(!f.moteur().Timer1().isActive());
    QVERIFY(!f.TimerLed().isActive());
    QVERIFY(!f.moteur().TimerVideBufferRS().isActive());
    // Client width: 3600 outer less the frame's 90 twips; height 3735 below the menu bar.
    QCOMPARE(f.width(), (3600 - 90) / 15);
    QCOMPARE(f.height() - f.menuBar()->sizeHint().height(), 3735 / 15);
    QCOMPARE(f.moteur().cheminEnr(), b.chemin(QStringLiteral("data_tr.csv")));
    // A recording started at once samples every second.
    f.CmdRecord_Click();
    f.Timer1_Timer();
    QCOMPARE(f.moteur().Timer1().interval(), 1000);
    QCOMPARE(int(f.moteur().magasin().NbMesures()), 1);
}

void TstDemarrage::largeurEtTitre_data() {
    QTest::addColumn<int>("largeur");
    QTest::addColumn<bool>("coche");
    QTest::addColumn<QString>("titre");
    const QString court = QStringLiteral("Plovar : a.csv");
    const QString longT = QStringLiteral("Plovar                     Fichier en cours : a.csv");
    QTest::newRow("3600") << 3600 << false << court;
    QTest::newRow("3601") << 3601 << true << longT;
    QTest::newRow("7890") << 7890 << true << longT;
    QTest::newRow("5000") << 5000 << true << longT;
    QTest::newRow("2000") << 2000 << false << court;
    QTest::newRow("300") << 300 << false << court;
}

void TstDemarrage::largeurEtTitre() {
    QFETCH(int, largeur);
    QFETCH(bool, coche);
    QFETCH(QString, titre);
    const QByteArray cfg =
        "\"NE PAS MODIFIER CE FICHIER\",\"a.csv\",1,0," + QByteArray::number(largeur) + "\r\n";
    Banc b(cfg);
    app::Enregistreur& f = b.demarre();
    // Narrower than the value panel would hide it: such a window shows the panel.
    QCOMPARE(f.largeurTwips(), std::max(largeur, 3600));
    QCOMPARE(f.ui().menuGraphe->isChecked(), coche);
    QCOMPARE(f.windowTitle(), titre);
    // Start-up applied the values without writing them back.
    QCOMPARE(b.lit(QStringLiteral("plovar.cfg")), cfg);
}

void TstDemarrage::configEndommagee() {
    const QByteArray abimee("\"X\",\"a.csv\",2.4,0,3600\r\n");
    Banc b(abimee);
    QVERIFY(test::ecritFichier(b.chemin(QStringLiteral("plovar.cfg.bak")), "plus ancienne"));
    app::Enregistreur& f = b.demarre();
    QCOMPARE(f.moteur().reglages().NomFichierEnr, QStringLiteral("data_tr.csv"));
    QCOMPARE(int(f.moteur().reglages().IndexCadence), 1);
    QCOMPARE(b.lit(QStringLiteral("plovar.cfg")),
             QByteArray("\"NE PAS MODIFIER CE FICHIER\",\"data_tr.csv\",1,0,3600\r\n"));
    // The damaged file is kept beside it, replacing an older copy, and a notice says so.
    QCOMPARE(b.lit(QStringLiteral("plovar.cfg.bak")), abimee);
    QVERIFY(f.alerte().contains(QStringLiteral("endommagé")));
    QVERIFY(f.alerte().contains(b.chemin(QStringLiteral("plovar.cfg.bak"))));
    QVERIFY(b.dialogues.messages.isEmpty());
    QVERIFY(b.dialogues.avertissements.isEmpty());
}

void TstDemarrage::repertoireDeTravail() {
    // The configuration beside the program is found whatever the working directory.
    Banc b(QByteArray("\"X\",\"rel.csv\",2,0,3600\r\n"));
    QTemporaryDir ailleurs;
    QDir::setCurrent(ailleurs.path());
    app::Enregistreur& f = b.demarre();
    QCOMPARE(f.moteur().cadence().IntervalleTimer.count(), 10000);
    // The relative record name is resolved once, against the working directory at start-up.
    QCOMPARE(f.moteur().cheminEnr(), ailleurs.filePath(QStringLiteral("rel.csv")));
    QCOMPARE(f.moteur().reglages().NomFichierEnr, QStringLiteral("rel.csv"));
}

void TstDemarrage::touchesTest() {
    Banc b;
    app::Enregistreur& f = b.demarre();
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    // "+" and "-" work whichever control has the focus, and are not swallowed.
    f.ui().CmdRecord->setFocus();
    QTest::keyClick(f.ui().CmdRecord, '+');
    QTest::keyClick(f.ui().CmdRecord, '+');
    QTest::keyClick(f.ui().CmdRecord, '+');
    QCOMPARE(int(f.moteur().cycle().ValeurTest), 3);
    f.ui().Text1->setFocus();
    QTest::keyClick(f.ui().Text1, '-');
    QCOMPARE(int(f.moteur().cycle().ValeurTest), 2);
    QTest::keyClick(f.ui().Text1, 'x');
    QCOMPARE(int(f.moteur().cycle().ValeurTest), 2);
    f.TimerValActu_Timer();
    QCOMPARE(f.ui().Label3->text(), QStringLiteral("2"));
}

void TstDemarrage::afficheurValeur() {
    Banc b;
    app::Enregistreur& f = b.demarre();
    b.horloge.instant = QDateTime(QDate(2026, 12, 7), QTime(14, 5, 9));
    test::AccesMoteur::cycle(f.moteur()).ValeurTest = -7;
    f.TimerValActu_Timer();
    QCOMPARE(f.ui().Label3->text(), QStringLiteral("-7"));
    QVERIFY(f.ui().Label2->text().contains(QStringLiteral("05")));
    QVERIFY(f.ui().Label2->text().contains(QStringLiteral("09")));
    // A hardware source shows the scaled reading.
    settings::Option2_Click(f.moteur(), 2, false);
    test::AccesMoteur::valeurBrute(f.moteur(), 128);
    f.TimerValActu_Timer();
    QCOMPARE(f.ui().Label3->text(), QStringLiteral("501"));
    // With a calibration, the physical value and its unit, in a font that fits.
    core::Etalonnage e;
    e.actif = true;
    e.brut1 = 0;
    e.physique1 = 900;
    e.brut2 = 1000;
    e.physique2 = 1100;
    e.unite = QStringLiteral("hPa");
    e.decimales = 2;
    QVERIFY(f.moteur().choisitEtalonnage(e));
    f.TimerValActu_Timer();
    QCOMPARE(f.ui().Label3->text(), QStringLiteral("1000,20 hPa"));
    QVERIFY(QFontMetrics(f.ui().Label3->font()).horizontalAdvance(f.ui().Label3->text()) <=
            f.ui().Label3->contentsRect().width());
    e.actif = false;
    QVERIFY(f.moteur().choisitEtalonnage(e));
    f.TimerValActu_Timer();
    QCOMPARE(f.ui().Label3->text(), QStringLiteral("501"));
    // While idle the LED stays dark.
    QVERIFY(!f.ui().Frame2->allumee());
}

void TstDemarrage::ledClignote() {
    Banc b;
    app::Enregistreur& f = b.demarre();
    f.CmdRecord_Click();
    QVERIFY(f.TimerLed().isActive());
    QCOMPARE(f.TimerLed().interval(), 500);
    QCOMPARE(f.ui().Frame2->FillColor(), 128);
    f.TimerLed_Timer();
    QCOMPARE(f.ui().Frame2->FillColor(), 255);
    f.TimerLed_Timer();
    QCOMPARE(f.ui().Frame2->FillColor(), 128);
    f.TimerLed_Timer();
    f.CmdRecord_Click();
    QCOMPARE(f.ui().Frame2->FillColor(), 128);
    QVERIFY(!f.TimerLed().isActive());
}

QTEST_MAIN(TstDemarrage)
#include "tst_demarrage.moc"
