#include "core/Cadences.h"
#include "core/Cycle.h"

#include <QTest>

using namespace core;

class TstCycle : public QObject {
    Q_OBJECT
private slots:
    void echelle_data();
    void echelle();
    void cadences_data();
    void cadences();
    void compteurTicks_data();
    void compteurTicks();
    void plage();
    void touches();
    void formats();
    void magasinPlein();
    void valeurTestStockee();
};

void TstCycle::echelle_data() {
    QTest::addColumn<int>("brute");
    QTest::addColumn<int>("valeur");
    QTest::newRow("0") << 0 << 0;
    QTest::newRow("1") << 1 << 3;
    QTest::newRow("128") << 128 << 501;
    QTest::newRow("255") << 255 << 999;
    QTest::newRow("100") << 100 << 392;
}

void TstCycle::echelle() {
    QFETCH(int, brute);
    QFETCH(int, valeur);
    QCOMPARE(mise_a_l_echelle(brute), valeur);
    // The integer form equals floor(r * 3.921) in double precision for the whole range.
    for (int r = 0; r <= 255; ++r)
        QCOMPARE(mise_a_l_echelle(r), static_cast<int>(std::floor(r * 3.921)));
}

void TstCycle::cadences_data() {
    QTest::addColumn<int>("option");
    QTest::addColumn<int>("intervalle");
    QTest::addColumn<int>("ticks");
    const int ticks[] = {1, 1, 1, 15, 30, 60, 180, 360, 720, 1440};
    for (int i = 1; i <= 10; ++i)
        QTest::addRow("option %d", i) << i
                                      << (i == 1   ? 1000
                                          : i == 2 ? 10000
                                                   : 60000)
                                      << ticks[i - 1];
}

void TstCycle::cadences() {
    QFETCH(int, option);
    QFETCH(int, intervalle);
    QFETCH(int, ticks);
    const std::optional<Cadence> c = cadence(option);
    QVERIFY(c);
    QCOMPARE(int(c->IntervalleTimer.count()), intervalle);
    QCOMPARE(int(c->NbTicks), ticks);
    QCOMPARE(c->periode().count(), qint64(intervalle) * ticks);
    QVERIFY(!cadence(0));
    QVERIFY(!cadence(11));
}

void TstCycle::compteurTicks_data() {
    QTest::addColumn<int>("option");
    QTest::addColumn<QList<int>>("ticksEchantillon");
    QTest::addColumn<QList<int>>("intervalles");
    // Samples fall on ticks 1, N + 1, 2N + 1... (counting ticks from 1).
    QTest::newRow("rate 1") << 1 << QList<int>{1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11,
                                               12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22,
                                               23, 24, 25, 26, 27, 28, 29, 30, 31}
                            << QList<int>{1000};
    QTest::newRow("rate 4") << 4 << QList<int>{1, 16, 31} << QList<int>{60000};
}

void TstCycle::compteurTicks() {
    QFETCH(int, option);
    QFETCH(QList<int>, ticksEchantillon);
    QFETCH(QList<int>, intervalles);
    const Cadence r = *cadence(option);
    Magasin m;
    EtatCycle e;
    QDateTime t(QDate(2006, 11, 8), QTime(14, 5, 9));
    QList<int> vus;
    for (int tick = 1; tick <= 31; ++tick) {
        const ResultatTick res = tickEchantillonnage(m, e, r, Lecture{}, t, 360);
        QCOMPARE(int(res.intervalle.count()), intervalles.first());
        if (res.echantillon)
            vus << tick;
    }
    QCOMPARE(vus, ticksEchantillon);
    QCOMPARE(int(m.NbMesures), ticksEchantillon.size());
}

void TstCycle::plage() {
    const Cadence r = *cadence(1);
    Magasin m;
    EtatCycle e;
    const QDateTime t = QDateTime::currentDateTime();
    struct Pas {
        int16_t valeur, decalage, plafond;
    };
    // 256 raises the range by one; 200 and 255 leave it; 300 raises it again.
    const Pas pas[] = {{256, 1, 256}, {200, 1, 256}, {255, 1, 256}, {256, 1, 256}, {300, 45, 300}};
    for (const Pas& p : pas) {
        e.ValeurTest = p.valeur;
        tickEchantillonnage(m, e, r, Lecture{}, t, 360);
        QCOMPARE(e.DecalageY, p.decalage);
        QCOMPARE(e.PlafondY, p.plafond);
    }
}

void TstCycle::touches() {
    EtatCycle e;
    QVERIFY(toucheTest(e, '+'));
    QVERIFY(toucheTest(e, '+'));
    QVERIFY(toucheTest(e, '+'));
    QCOMPARE(int(e.ValeurTest), 3);
    QVERIFY(!toucheTest(e, 'a'));
    QCOMPARE(int(e.ValeurTest), 3);
    e.ValeurTest = 0;
    toucheTest(e, '-');
    toucheTest(e, '-');
    QCOMPARE(int(e.ValeurTest), -2);
    e.ValeurTest = 32767;
    toucheTest(e, '+');
    QCOMPARE(int(e.ValeurTest), 32767);
    e.ValeurTest = -32768;
    toucheTest(e, '-');
    QCOMPARE(int(e.ValeurTest), -32768);
}

void TstCycle::formats() {
    QCOMPARE(formatDate(QDate(2006, 11, 8)), QStringLiteral("11-08-2006"));
    QCOMPARE(formatDate(QDate(2007, 1, 31)), QStringLiteral("01-31-2007"));
    QCOMPARE(formatHeure(QTime(14, 5, 9)), QStringLiteral("14:05:09"));
    QCOMPARE(formatHeure(QTime(9, 5, 3)), QStringLiteral("09:05:03"));
    // The displayed time of day always carries seconds, whatever the locale's short format.
    for (const char* nom : {"fr_FR", "en_US", "de_DE", "C"}) {
        const QString s = formatHeureLocale(QTime(14, 5, 9), QLocale(QString::fromLatin1(nom)));
        QVERIFY2(s.contains(QStringLiteral("09")), qPrintable(s));
        QVERIFY2(s.contains(QStringLiteral("05")), qPrintable(s));
    }
}

void TstCycle::magasinPlein() {
    const Cadence r = *cadence(1);
    Magasin m;
    EtatCycle e;
    m.NbMesures = Magasin::kCapacite - 1;
    const QDateTime t = QDateTime::currentDateTime();
    QVERIFY(tickEchantillonnage(m, e, r, Lecture{}, t, 360).echantillon);
    QCOMPARE(int(m.NbMesures), 32000);
    const ResultatTick res = tickEchantillonnage(m, e, r, Lecture{}, t, 360);
    QVERIFY(res.plein);
    QVERIFY(!res.echantillon);
    QCOMPARE(int(m.NbMesures), 32000);
}

void TstCycle::valeurTestStockee() {
    const Cadence r = *cadence(1);
    Magasin m;
    EtatCycle e;
    const QDateTime t(QDate(2006, 11, 8), QTime(14, 5, 9));
    e.ValeurTest = -2;
    tickEchantillonnage(m, e, r, Lecture{}, t, 360);
    QVERIFY(m.TabValeur[1].estEntier());
    QCOMPARE(m.TabValeur[1].texte(), QStringLiteral("-2"));
    const Lecture carte{1, 255};
    tickEchantillonnage(m, e, r, carte, t, 360);
    QVERIFY(m.TabValeur[2].estReel());
    QCOMPARE(m.TabValeur[2].texte(), QStringLiteral("999"));
    QCOMPARE(m.TabDate[2], QStringLiteral("11-08-2006"));
    QCOMPARE(m.TabHeure[2], QStringLiteral("14:05:09"));
    // Beyond the scale width the scroll position follows the samples.
    QCOMPARE(e.DecalageX, 0.0);
    tickEchantillonnage(m, e, r, carte, t, 2.0f);
    QCOMPARE(e.DecalageX, 1.0);
    QVERIFY(ValeurMesure().estVide());
    QCOMPARE(ValeurMesure().nombre(), 0.0);
}

QTEST_GUILESS_MAIN(TstCycle)
#include "tst_cycle.moc"
