#include "core/Cadences.h"
#include "core/Cycle.h"
#include "core/Decoupage.h"
#include "core/Horaire.h"
#include "core/Quand.h"
#include "graph/EtatVue.h"

#include <QDateTime>
#include <QTest>
#include <QTimeZone>

#include <cmath>
#include <vector>

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
    void colonnes();
    void minMax_data();
    void minMax();
    void statistiques_data();
    void statistiques();
    void valeurTestStockee();
    void horaire_data();
    void horaire();
    void quand_data();
    void quand();
    void periode_data();
    void periode();
};

void TstCycle::horaire_data() {
    // Before each tick, both clocks move by `pas` ms and the wall clock alone by
    // `reglage` ms; each tick gives its stamp (ms from the first), "D" for a second
    // tick in one period, "J" when the clock was set.
    QTest::addColumn<QList<qint64>>("pas");
    QTest::addColumn<QList<qint64>>("reglage");
    QTest::addColumn<QStringList>("attendu");
    QTest::newRow("on time") << QList<qint64>{0, 1000, 1000, 1000} << QList<qint64>{0, 0, 0, 0}
                             << QStringList{"0", "1000", "2000", "3000"};
    QTest::newRow("a tick 0.9 s late")
        << QList<qint64>{0, 1900, 100, 1000} << QList<qint64>{0, 0, 0, 0}
        << QStringList{"0", "1000", "2000", "3000"};
    QTest::newRow("early by 0.4 s") << QList<qint64>{0, 600, 1400} << QList<qint64>{0, 0, 0}
                                    << QStringList{"0", "1000", "2000"};
    QTest::newRow("two ticks in one period")
        << QList<qint64>{0, 1000, 300, 700} << QList<qint64>{0, 0, 0, 0}
        << QStringList{"0", "1000", "D", "2000"};
    QTest::newRow("a tick missed") << QList<qint64>{0, 2000, 1000} << QList<qint64>{0, 0, 0}
                                   << QStringList{"0", "2000", "3000"};
    QTest::newRow("held up three seconds")
        << QList<qint64>{0, 1000, 3000, 1000} << QList<qint64>{0, 0, 0, 0}
        << QStringList{"0", "1000", "4000", "5000"};
    QTest::newRow("clock set forward an hour")
        << QList<qint64>{0, 1000, 1000, 1000} << QList<qint64>{0, 0, 3600000, 0}
        << QStringList{"0", "1000", "J3602000", "3603000"};
    QTest::newRow("clock set back an hour")
        << QList<qint64>{0, 1000, 1000, 1000} << QList<qint64>{0, 0, -3600000, 0}
        << QStringList{"0", "1000", "J-3598000", "-3597000"};
    QTest::newRow("a time server's small step")
        << QList<qint64>{0, 1000, 1000, 1000} << QList<qint64>{0, 0, 300, 0}
        << QStringList{"0", "1000", "2000", "3000"};
}

void TstCycle::horaire() {
    QFETCH(QList<qint64>, pas);
    QFETCH(QList<qint64>, reglage);
    QFETCH(QStringList, attendu);
    Horaire h;
    const QDateTime debut(QDate(2026, 12, 8), QTime(11, 54, 14));
    QDateTime mur = debut;
    qint64 mono = 5000;
    QStringList obtenu;
    for (int k = 0; k < pas.size(); ++k) {
        mono += pas[k];
        mur = mur.addMSecs(pas[k] + reglage[k]);
        const Horaire::Tick t = h.tick(mur, mono, 1000);
        obtenu << (t.double_ ? QStringLiteral("D")
                             : (t.prevu ? QStringLiteral("J") : QString()) +
                                   QString::number(debut.msecsTo(t.instant)));
    }
    QCOMPARE(obtenu, attendu);
}

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
        const ResultatTick res =
            tickEchantillonnage(m, e, r, ValeurMesure::entier(e.ValeurTest), t);
        QCOMPARE(int(res.intervalle.count()), intervalles.first());
        if (res.echantillon)
            vus << tick;
    }
    QCOMPARE(vus, ticksEchantillon);
    QCOMPARE(int(m.NbMesures()), ticksEchantillon.size());
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
    graph::EtatVue vue;
    for (const Pas& p : pas) {
        e.ValeurTest = p.valeur;
        const ResultatTick res =
            tickEchantillonnage(m, e, r, ValeurMesure::entier(e.ValeurTest), t);
        vue.suitEchantillon(m.NbMesures(), res.valeur.nombre(), 360);
        QCOMPARE(vue.DecalageY, p.decalage);
        QCOMPARE(vue.PlafondY, p.plafond);
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
    // Past its capacity the store lets the oldest samples go, a slice at a time; the
    // numbering goes on and the summary answers for what is held.
    Magasin m(262144);
    const QDateTime t(QDate(2026, 12, 1), QTime(0, 0, 0), Qt::UTC);
    const qint64 n = m.capacite() + 10;
    for (qint64 i = 1; i <= n; ++i)
        m.ajoute(i == 5 || i == n - 3 ? 5000 : double(i % 1000), t.addSecs(i));
    QCOMPARE(m.NbMesures(), n);
    QVERIFY(m.premier() > 5);
    QVERIFY(m.premier() < m.capacite() / 10);
    QCOMPARE(m.valeur(n), double(n % 1000));
    QCOMPARE(m.instantMs(n), t.addSecs(n).toMSecsSinceEpoch());
    const MinMax mm = m.minMax(1, n);
    QCOMPARE(mm.max, 5000.0);
    QCOMPARE(mm.iMax, n - 3);
    QCOMPARE(mm.min, 0.0);
    QVERIFY(mm.iMin >= m.premier());
    QVERIFY(m.octets() < 100 * 1024 * 1024);
}

void TstCycle::colonnes() {
    // Values and instants come back exactly as stored: past 65,535 distinct values
    // (the store then keeps them whole), instants months apart or going back, none.
    Magasin m;
    const qint64 t0 = QDateTime(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC).toMSecsSinceEpoch();
    std::vector<double> v;
    std::vector<qint64> t;
    for (int i = 1; i <= 70000; ++i) {
        v.push_back(i % 3 == 0 ? 21.5 : i * 0.001 - 7);
        if (i % 1000 == 0)
            t.push_back(t0 + qint64(i) * 40 * 86400 * 1000); // 40 days apart
        else if (i % 777 == 0)
            t.push_back(t0 - qint64(i) * 1000); // the clock set back
        else
            t.push_back(t0 + qint64(i) * 1003);
        m.ajouteLigne(v.back(), "1;2;3;4", i == 5000 ? 0 : t.back());
    }
    t[4999] = 0;
    double somme = 0;
    for (int i = 1; i <= 70000; ++i) {
        QCOMPARE(m.valeur(i), v[size_t(i - 1)]);
        QCOMPARE(m.instant(i), t[size_t(i - 1)]);
        somme += v[size_t(i - 1)];
    }
    const Statistiques st = m.statistiques(1, 70000);
    QCOMPARE(st.extremes.min, -6.999);
    QCOMPARE(st.extremes.iMin, qint64(1));
    QCOMPARE(st.extremes.max, 70000 * 0.001 - 7);
    QCOMPARE(st.extremes.iMax, qint64(70000));
    QVERIFY(std::abs(st.moyenne - somme / 70000) < 1e-9);
    QCOMPARE(m.LignesFichier(70000), QStringLiteral("1;2;3;4"));
}

void TstCycle::valeurTestStockee() {
    const Cadence r = *cadence(1);
    Magasin m;
    EtatCycle e;
    const QDateTime t(QDate(2006, 11, 8), QTime(14, 5, 9));
    e.ValeurTest = -2;
    const ResultatTick premier =
        tickEchantillonnage(m, e, r, ValeurMesure::entier(e.ValeurTest), t);
    QVERIFY(premier.valeur.estEntier());
    QCOMPARE(premier.valeur.texte(), QStringLiteral("-2"));
    QCOMPARE(m.valeur(1), -2.0);
    const ValeurMesure carte = ValeurMesure::reel(mise_a_l_echelle(255));
    const ResultatTick second = tickEchantillonnage(m, e, r, carte, t);
    QVERIFY(second.valeur.estReel());
    QCOMPARE(second.valeur.texte(), QStringLiteral("999"));
    QCOMPARE(m.TabDate(2), QStringLiteral("11-08-2006"));
    QCOMPARE(m.TabHeure(2), QStringLiteral("14:05:09"));
    // Beyond the scale width the scroll position follows the samples.
    graph::EtatVue vue;
    vue.suitEchantillon(m.NbMesures(), 999, 360);
    QCOMPARE(vue.DecalageX, 0.0);
    tickEchantillonnage(m, e, r, carte, t);
    vue.suitEchantillon(m.NbMesures(), 999, 2.0);
    QCOMPARE(vue.DecalageX, 1.0);
    QVERIFY(ValeurMesure().estVide());
    QCOMPARE(ValeurMesure().nombre(), 0.0);
}

void TstCycle::minMax_data() {
    QTest::addColumn<int>("de");
    QTest::addColumn<int>("a");
    QTest::newRow("one sample") << 7 << 7;
    QTest::newRow("inside one run") << 17 << 30;
    QTest::newRow("across runs") << 3 << 5000;
    QTest::newRow("everything") << 1 << 100000;
    QTest::newRow("past the end") << 99990 << 200000;
    QTest::newRow("before the start") << -5 << 40;
}

void TstCycle::minMax() {
    QFETCH(int, de);
    QFETCH(int, a);
    // Against a plain scan, on values with repeats and a single spike and dip.
    Magasin m;
    const int n = 100000;
    std::vector<double> v(n + 1);
    for (int i = 1; i <= n; ++i) {
        v[size_t(i)] = (i * 7919) % 613 - 300;
        if (i == 4321)
            v[size_t(i)] = 9999;
        if (i == 77777)
            v[size_t(i)] = -9999;
        m.ajoute(v[size_t(i)], QDateTime(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC));
    }
    MinMax attendu;
    for (int i = std::max(de, 1); i <= std::min(a, n); ++i) {
        if (attendu.vide() || v[size_t(i)] < attendu.min) {
            attendu.min = v[size_t(i)];
            attendu.iMin = i;
        }
        if (attendu.iMax < 0 || v[size_t(i)] > attendu.max) {
            attendu.max = v[size_t(i)];
            attendu.iMax = i;
        }
    }
    const MinMax r = m.minMax(de, a);
    QCOMPARE(r.min, attendu.min);
    QCOMPARE(r.max, attendu.max);
    QCOMPARE(m.valeur(r.iMin), attendu.min);
    QCOMPARE(m.valeur(r.iMax), attendu.max);
    QVERIFY(r.iMin >= std::max(de, 1) && r.iMin <= std::min(a, n));
}

void TstCycle::statistiques_data() {
    QTest::addColumn<int>("n");
    QTest::addColumn<int>("forme");
    QTest::addColumn<int>("de");
    QTest::addColumn<int>("a");
    QTest::newRow("one sample") << 1 << 0 << 1 << 1;
    QTest::newRow("all equal") << 5000 << 1 << 1 << 5000;
    QTest::newRow("negative values") << 3000 << 2 << 1 << 3000;
    QTest::newRow("one spike among a million") << 1000000 << 3 << 1 << 1000000;
    QTest::newRow("visible quarter (zoom 4)") << 100000 << 2 << 75001 << 100000;
}

void TstCycle::statistiques() {
    QFETCH(int, n);
    QFETCH(int, forme);
    QFETCH(int, de);
    QFETCH(int, a);
    Magasin m;
    std::vector<double> v(size_t(n) + 1);
    for (int i = 1; i <= n; ++i) {
        switch (forme) {
        case 0:
            v[size_t(i)] = 42;
            break;
        case 1:
            v[size_t(i)] = 250;
            break;
        case 2:
            v[size_t(i)] = -((i * 37) % 500);
            break;
        default:
            v[size_t(i)] = i == 654321 ? 999 : 100;
            break;
        }
        m.ajoute(v[size_t(i)], QDateTime(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC));
    }
    double somme = 0, mini = 1e300, maxi = -1e300;
    for (int i = de; i <= a; ++i) {
        somme += v[size_t(i)];
        mini = std::min(mini, v[size_t(i)]);
        maxi = std::max(maxi, v[size_t(i)]);
    }
    const double moyenne = somme / (a - de + 1);
    double carres = 0;
    for (int i = de; i <= a; ++i)
        carres += (v[size_t(i)] - moyenne) * (v[size_t(i)] - moyenne);
    const Statistiques st = m.statistiques(de, a);
    QCOMPARE(st.n, qint64(a - de + 1));
    QCOMPARE(st.premier, qint64(de));
    QCOMPARE(st.dernier, qint64(a));
    QCOMPARE(st.extremes.min, mini);
    QCOMPARE(st.extremes.max, maxi);
    QVERIFY(qAbs(st.moyenne - moyenne) < 1e-9 * std::max(1.0, qAbs(moyenne)));
    QVERIFY2(qAbs(st.ecartType - std::sqrt(carres / (a - de + 1))) < 1e-6,
             qPrintable(QString::number(st.ecartType)));
    if (forme == 3)
        QCOMPARE(st.extremes.iMax, qint64(654321));
}

namespace {

qint64 utcMs(const char* texte) {
    return QDateTime::fromString(QString::fromLatin1(texte), Qt::ISODate).toMSecsSinceEpoch();
}

} // namespace

void TstCycle::quand_data() {
    // Instants as UTC; the clock is Paris's.
    QTest::addColumn<QString>("maintenant");
    QTest::addColumn<QString>("texte");
    QTest::addColumn<QString>("attendu");                         // "" when refused
    const QString matin = QStringLiteral("2026-12-08T09:00:00Z"); // 10:00 in Paris
    QTest::newRow("later today") << matin << "14:00"
                                 << "2026-12-08T13:00:00Z";
    QTest::newRow("earlier: tomorrow") << matin << "09:00:30"
                                       << "2026-12-09T08:00:30Z";
    QTest::newRow("now: tomorrow") << matin << "10:00"
                                   << "2026-12-09T09:00:00Z";
    QTest::newRow("a date") << matin << "2026-12-24T18:30"
                            << "2026-12-24T17:30:00Z";
    QTest::newRow("autumn date: the first") << matin << "2026-10-25T02:30"
                                            << "2026-10-25T00:30:00Z";
    QTest::newRow("autumn, between the two: the second") << "2026-10-25T00:45:00Z"
                                                         << "02:30"
                                                         << "2026-10-25T01:30:00Z";
    QTest::newRow("autumn, before both: the first") << "2026-10-24T20:00:00Z"
                                                    << "02:30"
                                                    << "2026-10-25T00:30:00Z";
    QTest::newRow("spring: the jump") << matin << "2026-03-29T02:30"
                                      << "2026-03-29T01:00:00Z";
    QTest::newRow("spring, next time: the jump") << "2026-03-28T23:00:00Z"
                                                 << "02:15"
                                                 << "2026-03-29T01:00:00Z";
    QTest::newRow("no such hour") << matin << "25:00"
                                  << "";
    QTest::newRow("no such day") << matin << "2026-02-30T10:00"
                                 << "";
    QTest::newRow("words") << matin << "demain"
                           << "";
    QTest::newRow("empty") << matin << ""
                           << "";
}

void TstCycle::quand() {
    QFETCH(QString, maintenant);
    QFETCH(QString, texte);
    QFETCH(QString, attendu);
    QString erreur;
    const std::optional<qint64> u = core::resoutQuand(
        texte, utcMs(maintenant.toLatin1().constData()), QTimeZone("Europe/Paris"), &erreur);
    if (attendu.isEmpty()) {
        QVERIFY(!u);
        QVERIFY(erreur.contains(QStringLiteral("« %1 »").arg(texte)));
        return;
    }
    QVERIFY2(u, qPrintable(erreur));
    QCOMPARE(*u, utcMs(attendu.toLatin1().constData()));
}

void TstCycle::periode_data() {
    QTest::addColumn<QString>("chemin");
    QTest::addColumn<QString>("par");
    QTest::addColumn<QDate>("jour");
    QTest::addColumn<QString>("attendu");
    QTest::newRow("a day") << "/d/mesures.csv"
                           << "jour" << QDate(2026, 12, 8) << "/d/mesures_2026-12-08.csv";
    QTest::newRow("a Sunday is in Monday's week")
        << "/d/mesures.csv"
        << "semaine" << QDate(2026, 12, 13) << "/d/mesures_2026-S50.csv";
    // ISO weeks: 1 January 2027 (a Friday) is in the last week of 2026.
    QTest::newRow("new year's day in the old year's week")
        << "/d/mesures.csv"
        << "semaine" << QDate(2027, 1, 1) << "/d/mesures_2026-S53.csv";
    QTest::newRow("a month") << "/d/mesures.csv"
                             << "mois" << QDate(2026, 2, 28) << "/d/mesures_2026-02.csv";
    QTest::newRow("no suffix, dots in the folder")
        << "/d.v2/releve"
        << "jour" << QDate(2026, 1, 2) << "/d.v2/releve_2026-01-02";
    QTest::newRow("one file") << "/d/mesures.csv"
                              << "" << QDate(2026, 1, 2) << "/d/mesures.csv";
}

void TstCycle::periode() {
    QFETCH(QString, chemin);
    QFETCH(QString, par);
    QFETCH(QDate, jour);
    QFETCH(QString, attendu);
    const std::optional<core::Decoupage> d = core::decoupage(par);
    QVERIFY(d);
    QCOMPARE(core::cheminPeriode(chemin, *d, jour), attendu);
}

QTEST_GUILESS_MAIN(TstCycle)
#include "tst_cycle.moc"
