// The recording engine on its own, without any widget.
#include "HorlogeFixe.h"
#include "engine/Moteur.h"
#include "files/EcrivainEnr.h"

#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <condition_variable>
#include <functional>
#include <mutex>

namespace {

QByteArray lit(const QString& chemin) {
    QFile f(chemin);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool ecrit(const QString& chemin, const QByteArray& contenu) {
    QFile f(chemin);
    return f.open(QIODevice::WriteOnly) && f.write(contenu) == contenu.size();
}

// A disk whose flushes wait until the test lets them go; it notes which file each
// write went to.
struct DisqueRetenu : files::AppelsSysteme {
    std::mutex m;
    std::condition_variable cv;
    bool retenu = true;
    QStringList fichiers;
    ssize_t ecrit(int fd, const char* octets, size_t n) override {
        {
            std::lock_guard<std::mutex> l(m);
            fichiers << QFileInfo(QFile::symLinkTarget(QStringLiteral("/proc/self/fd/%1").arg(fd)))
                            .fileName();
        }
        return AppelsSysteme::ecrit(fd, octets, n);
    }
    int synchronise(int) override {
        std::unique_lock<std::mutex> l(m);
        cv.wait(l, [this] { return !retenu; });
        return 0;
    }
    void libere() {
        {
            std::lock_guard<std::mutex> l(m);
            retenu = false;
        }
        cv.notify_all();
    }
};

// An engine in a temporary directory with a fake clock; its timers never fire.
// Each tick waits for its line, unless the test brings a disk of its own.
struct Banc {
    QTemporaryDir dir;
    test::HorlogeFixe horloge;
    std::unique_ptr<engine::Moteur> m;
    // The record writer's calls, with the flush to disk left out (a long run in seconds).
    struct SansSynchro : files::AppelsSysteme {
        int synchronise(int) override { return 0; }
    } sansSynchro;
    explicit Banc(const QByteArray& config = "\"X\",\"r.csv\",1,0,3600\r\n", bool rapide = false,
                  files::AppelsSysteme* disque = nullptr) {
        ecrit(chemin("plovar.cfg"), config);
        engine::Environnement env;
        env.cheminConfig = chemin("plovar.cfg");
        env.portSerie = chemin("pas-de-port");
        env.bibliothequesCarte = {chemin("absente.so")};
        env.horloge = &horloge;
        env.minuteriesManuelles = true;
        env.ecritureAttendue = true;
        if (rapide)
            env.appels = &sansSynchro;
        if (disque) {
            env.appels = disque;
            env.ecritureAttendue = false;
        }
        m = std::make_unique<engine::Moteur>(std::move(env));
        QDir::setCurrent(dir.path());
        m->demarrage();
    }
    QString chemin(const char* nom) const { return dir.filePath(QString::fromLatin1(nom)); }
    void tick(int ms = 1000) {
        m->Timer1_Timer();
        horloge.instant = horloge.instant.addMSecs(ms);
    }
};

} // namespace

class TstMoteur : public QObject {
    Q_OBJECT
private slots:
    void etats_data();
    void etats();
    void troisMesures();
    void disqueRetenu();
    void calendrier_data();
    void calendrier();
    void chargement();
    void auDelaDe32000();
    void allerRetour_data();
    void allerRetour();
};

void TstMoteur::allerRetour_data() {
    QTest::addColumn<bool>("entete");
    QTest::newRow("with a header") << true;
    QTest::newRow("without a header") << false;
}

void TstMoteur::allerRetour() {
    // Recorded, then loaded back: every sample of the file comes back, the first too.
    QFETCH(bool, entete);
    Banc b;
    const QString chemin = b.chemin("aller.csv");
    if (entete)
        QCOMPARE(b.m->nouveauFichier(chemin), engine::NouveauFichier::Cree);
    else
        QVERIFY(b.m->utiliseFichier(chemin));
    QVERIFY(b.m->demarre());
    QList<double> valeurs;
    for (int k = 0; k < 50; ++k) {
        b.m->toucheTest(k % 3 == 0 ? '-' : '+');
        b.tick();
        valeurs << b.m->magasin().valeur(b.m->magasin().NbMesures());
    }
    QVERIFY(b.m->arrete());
    QCOMPARE(b.m->charge(chemin), files::FinChargement::Complet);
    const core::Magasin& m = b.m->magasin();
    QCOMPARE(int(m.NbMesures()), valeurs.size());
    QCOMPARE(m.LigneEntete.isEmpty(), !entete);
    const QList<QByteArray> lignes = lit(chemin).split('\n');
    for (int i = 1; i <= valeurs.size(); ++i) {
        QCOMPARE(m.valeur(i), valeurs[i - 1]);
        QCOMPARE(m.LignesFichier(i).toLatin1() + '\r', lignes[i - (entete ? 0 : 1)]);
    }
}

void TstMoteur::etats_data() {
    QTest::addColumn<QString>("commande");
    QTest::addColumn<int>("etat");
    QTest::addColumn<bool>("accepte");
    const char* noms[] = {"demarrer", "arreter", "touche",  "cadence",
                          "source",   "fichier", "charger", "largeur"};
    // Accepted in Repos, Enregistrement, Chargement.
    const bool table[][3] = {{true, false, false}, {false, true, false}, {true, true, false},
                             {true, false, false}, {true, false, false}, {true, false, false},
                             {true, false, false}, {true, false, false}};
    const char* etats[] = {"repos", "enregistrement", "chargement"};
    for (int c = 0; c < 8; ++c)
        for (int e = 0; e < 3; ++e)
            QTest::addRow("%s en %s", noms[c], etats[e])
                << QString::fromLatin1(noms[c]) << e << table[c][e];
}

void TstMoteur::etats() {
    QFETCH(QString, commande);
    QFETCH(int, etat);
    QFETCH(bool, accepte);
    Banc b;
    engine::Moteur& m = *b.m;
    QVERIFY(ecrit(b.chemin("lu.csv"), files::enteteEnr() + "1;5;x;y\r\n2;6;x;y\r\n"));
    const QMap<QString, std::function<bool()>> commandes{
        {"demarrer", [&] { return m.demarre(); }},
        {"arreter", [&] { return m.arrete(); }},
        {"touche", [&] { return m.toucheTest('+'); }},
        {"cadence", [&] { return m.choisitCadence(3, true); }},
        {"source", [&] { return m.choisitSource(1, true); }},
        {"fichier",
         [&] { return m.nouveauFichier(b.chemin("n.csv")) != engine::NouveauFichier::Refuse; }},
        {"charger", [&] { return m.charge(b.chemin("lu.csv")).has_value(); }},
        {"largeur", [&] { return m.choisitLargeur(7890); }},
    };
    const auto cas = static_cast<engine::Etat>(etat);
    bool resultat = false;
    QByteArray configAvant;
    engine::Etat etatVu = engine::Etat::Repos;
    int valeurTestAvant = 0;
    bool accepteAvant = false;
    const QMap<QString, engine::Commande> enums{
        {"demarrer", engine::Commande::Demarrer}, {"arreter", engine::Commande::Arreter},
        {"touche", engine::Commande::ToucheTest}, {"cadence", engine::Commande::Cadence},
        {"source", engine::Commande::Source},     {"fichier", engine::Commande::FichierEnr},
        {"charger", engine::Commande::Charger},   {"largeur", engine::Commande::Largeur}};
    const auto essaie = [&] {
        accepteAvant = m.accepte(enums[commande]);
        configAvant = lit(b.chemin("plovar.cfg"));
        valeurTestAvant = m.cycle().ValeurTest;
        etatVu = m.etat();
        resultat = commandes[commande]();
    };
    if (cas == engine::Etat::Chargement) {
        // The command arrives while the file loads, as a click would.
        bool fait = false;
        connect(&m, &engine::Moteur::progressionChargement, this, [&](qint64 position, qint64) {
            if (position > 0 && !fait) {
                fait = true;
                essaie();
            }
        });
        QVERIFY(m.charge(b.chemin("lu.csv")));
        QVERIFY(fait);
    } else {
        if (cas == engine::Etat::Enregistrement)
            QVERIFY(m.demarre());
        essaie();
    }
    QCOMPARE(etatVu, cas);
    QCOMPARE(resultat, accepte);
    QCOMPARE(accepteAvant, accepte);
    if (!accepte) {
        // Refused: nothing changed, nothing written.
        QCOMPARE(lit(b.chemin("plovar.cfg")), configAvant);
        QCOMPARE(int(m.cycle().ValeurTest), valeurTestAvant);
        QVERIFY(!QFile::exists(b.chemin("n.csv")));
        if (cas != engine::Etat::Chargement)
            QCOMPARE(m.etat(), cas);
    } else if (commande == "touche") {
        QCOMPARE(int(m.cycle().ValeurTest), valeurTestAvant + 1);
    } else if (commande == "cadence") {
        QCOMPARE(lit(b.chemin("plovar.cfg")), QByteArray("\"NE PAS MODIFIER CE FICHIER\",\"r.csv\","
                                                         "3,0,3600\r\n"));
        QCOMPARE(m.cadence().periode().count(), 60000);
    } else if (commande == "demarrer") {
        QCOMPARE(m.etat(), engine::Etat::Enregistrement);
    } else if (commande == "arreter") {
        QCOMPARE(m.etat(), engine::Etat::Repos);
    }
}

void TstMoteur::troisMesures() {
    Banc b;
    engine::Moteur& m = *b.m;
    QList<core::Echantillon> stockes, ecrits;
    connect(&m, &engine::Moteur::echantillonStocke, this,
            [&](const core::Echantillon& e) { stockes << e; });
    connect(&m, &engine::Moteur::echantillonEcrit, this,
            [&](const core::Echantillon& e) { ecrits << e; });
    QVERIFY(m.demarre());
    b.tick();
    m.toucheTest('+');
    m.toucheTest('+');
    b.tick();
    m.toucheTest('-');
    m.toucheTest('-');
    m.toucheTest('-');
    b.tick();
    QVERIFY(m.arrete());
    b.tick(); // stopped: nothing more
    QCOMPARE(lit(b.chemin("r.csv")), QByteArray("1;0;11-08-2006;14:05:09\r\n"
                                                "2;2;11-08-2006;14:05:10\r\n"
                                                "3;-1;11-08-2006;14:05:11\r\n"));
    QCOMPARE(stockes.size(), 3);
    QCOMPARE(ecrits.size(), 3);
    // Listeners get the sample itself, the same when stored and once on disk.
    const core::Echantillon& e = ecrits[2];
    QCOMPARE(e.numero, 3);
    QCOMPARE(e.valeur, core::ValeurMesure::entier(-1));
    QCOMPARE(e.brute, -1);
    QCOMPARE(e.date, QStringLiteral("11-08-2006"));
    QCOMPARE(e.heure, QStringLiteral("14:05:11"));
    QCOMPARE(e.instantMs, QDateTime(QDate(2006, 11, 8), QTime(14, 5, 11)).toMSecsSinceEpoch());
    QVERIFY(e.lu);
    QCOMPARE(stockes[2].instantMs, e.instantMs);
}

void TstMoteur::disqueRetenu() {
    // The disk holds every flush: sampling goes on at its own pace, the lines wait in
    // memory, the user is told how many, and once the disk answers every line
    // reaches the file, in order, each sample announced once.
    DisqueRetenu disque;
    Banc b("\"X\",\"r.csv\",1,0,3600\r\n", false, &disque);
    // Whatever happens below, the disk answers before the engine goes.
    const std::unique_ptr<DisqueRetenu, void (*)(DisqueRetenu*)> garde(
        &disque, [](DisqueRetenu* d) { d->libere(); });
    engine::Moteur& m = *b.m;
    QList<qint64> ecrits;
    connect(&m, &engine::Moteur::echantillonEcrit, this,
            [&](const core::Echantillon& e) { ecrits << e.numero; });
    QVERIFY(m.demarre());
    const qint64 debut = b.horloge.instant.toMSecsSinceEpoch();
    for (int i = 0; i < 20; ++i)
        b.tick();
    QCOMPARE(m.magasin().NbMesures(), 20);
    for (int i = 1; i <= 20; ++i)
        QCOMPARE(m.magasin().instantMs(i), debut + (i - 1) * 1000);
    QVERIFY(ecrits.isEmpty());
    // A mark about the latest sample, noted while its line waits.
    m.ecritEvenement(b.chemin("r_evenements.csv"), "20;12-05-2026;18:00:19;commentaire;x\r\n");
    QCOMPARE(m.ecrivain().nbNonEcrits(), 20);
    QTRY_VERIFY(m.ecrivain().lotEnCours() != 0);
    QVERIFY2(m.alertes().join('\n').contains(QStringLiteral("20 mesure(s) attendent")),
             qPrintable(m.alertes().join('\n')));
    disque.libere();
    QTRY_COMPARE(ecrits.size(), 20);
    for (int i = 0; i < 20; ++i)
        QCOMPARE(ecrits[i], i + 1);
    const QList<QByteArray> lignes = lit(b.chemin("r.csv")).split('\n');
    QCOMPARE(lignes.size(), 21);
    for (int i = 0; i < 20; ++i)
        QVERIFY(lignes[i].startsWith(QByteArray::number(i + 1) + ';'));
    // The mark reached its file before the samples written with it: a reader of the
    // record file finds it there when it reads them.
    {
        std::lock_guard<std::mutex> l(disque.m);
        QCOMPARE(disque.fichiers.last(), QStringLiteral("r.csv"));
        QVERIFY(disque.fichiers.contains(QStringLiteral("r_evenements.csv")));
    }
    QVERIFY(!m.alertes().join('\n').contains(QStringLiteral("attendent")));
    QVERIFY(m.alertes().join('\n').contains(QStringLiteral("0 mesure en attente")));
    QCOMPARE(m.ecrivain().lotEnCours(), quint64(0));
    QVERIFY(m.arrete());
}

void TstMoteur::calendrier_data() {
    QTest::addColumn<int>("debutMs");
    QTest::addColumn<QList<int>>("ecarts");
    // The clock read at each tick strays from the schedule by these milliseconds in turn.
    QTest::newRow("juste avant la seconde") << 998 << QList<int>{-4, 3, -1, 5, 0, -3};
    QTest::newRow("juste après la seconde") << 2 << QList<int>{-5, 4, -2, 1};
    QTest::newRow("à l'heure") << 500 << QList<int>{0};
}

void TstMoteur::calendrier() {
    QFETCH(int, debutMs);
    QFETCH(QList<int>, ecarts);
    Banc b;
    engine::Moteur& m = *b.m;
    const QDateTime debut(QDate(2026, 12, 5), QTime(18, 0, 0, debutMs));
    QVERIFY(m.demarre());
    // Two hours at one sample a second.
    const int n = 2 * 3600;
    for (int k = 0; k < n; ++k) {
        b.horloge.instant = debut.addMSecs(qint64(k) * 1000 + ecarts[k % ecarts.size()]);
        m.Timer1_Timer();
    }
    m.arrete();
    const QList<QByteArray> lignes = lit(b.chemin("r.csv")).split('\n');
    QCOMPARE(lignes.size(), n + 1);
    // Every second once from the first sample's, none skipped, none twice, no drift.
    QTime attendue = QTime::fromString(QString::fromLatin1(lignes[0].split(';').value(3).trimmed()),
                                       QStringLiteral("hh:mm:ss"));
    QVERIFY(qAbs(attendue.msecsTo(debut.time())) < 1100);
    for (int k = 0; k < n; ++k) {
        const QByteArray heure = lignes[k].split(';').value(3).trimmed();
        QCOMPARE(heure, attendue.toString(QStringLiteral("hh:mm:ss")).toLatin1());
        attendue = attendue.addSecs(1);
    }
}

void TstMoteur::chargement() {
    Banc b;
    engine::Moteur& m = *b.m;
    QVERIFY(ecrit(b.chemin("a.csv"), files::enteteEnr() + "1;50;x;y\r\n2;200;x;y\r\n3;50;x;y\r\n"));
    QSignalSpy etats(&m, &engine::Moteur::etatChange);
    QSignalSpy fin(&m, &engine::Moteur::chargementTermine);
    QCOMPARE(m.charge(b.chemin("a.csv")), std::optional(files::FinChargement::Complet));
    QCOMPARE(m.magasin().NbMesures(), qint64(3));
    QCOMPARE(m.magasin().valeur(2), 200.0);
    QCOMPARE(etats.size(), 2);
    QCOMPARE(etats[0][0].value<engine::Etat>(), engine::Etat::Chargement);
    QCOMPARE(etats[1][0].value<engine::Etat>(), engine::Etat::Repos);
    QCOMPARE(fin.size(), 1);
    QCOMPARE(m.etat(), engine::Etat::Repos);
}

void TstMoteur::auDelaDe32000() {
    // The disk flush is left out so that the run takes seconds, not minutes.
    Banc b("\"X\",\"r.csv\",1,0,3600\r\n", true);
    engine::Moteur& m = *b.m;
    QVERIFY(m.demarre());
    for (int k = 0; k < 32003; ++k)
        b.tick();
    QCOMPARE(m.etat(), engine::Etat::Enregistrement);
    QCOMPARE(m.magasin().NbMesures(), qint64(32003));
    QVERIFY(m.alertes().isEmpty());
    QVERIFY(m.arrete());
    const QList<QByteArray> lignes = lit(b.chemin("r.csv")).split('\n');
    QCOMPARE(lignes.size(), 32004);
    QCOMPARE(lignes[31999], QByteArray("32000;0;11-08-2006;22:58:28\r"));
    QCOMPARE(lignes[32000], QByteArray("32001;0;11-08-2006;22:58:29\r"));
    QCOMPARE(lignes[32002], QByteArray("32003;0;11-08-2006;22:58:31\r"));
}

QTEST_GUILESS_MAIN(TstMoteur)
#include "tst_moteur.moc"
