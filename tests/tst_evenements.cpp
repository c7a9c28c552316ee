// Threshold alarms and the events kept beside a record file, without any widget.
#include "HorlogeFixe.h"
#include "core/Alarme.h"
#include "engine/Moteur.h"
#include "evenements/CommandeAlarme.h"
#include "evenements/Journal.h"
#include "evenements/Programme.h"
#include "evenements/Surveillance.h"
#include "files/FichierAlarme.h"
#include "files/FichierEvenements.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <csignal>
#include <sys/types.h>

namespace {

QByteArray lit(const QString& chemin) {
    QFile f(chemin);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool ecrit(const QString& chemin, const QByteArray& contenu) {
    QFile f(chemin);
    return f.open(QIODevice::WriteOnly) && f.write(contenu) == contenu.size();
}

std::optional<double> limite(double v) {
    return std::isnan(v) ? std::nullopt : std::optional<double>(v);
}

} // namespace

class TstEvenements : public QObject {
    Q_OBJECT
private slots:
    void alarme_data();
    void alarme();
    void alarmeEtalonnee();
    void fichierEvenements_data();
    void fichierEvenements();
    void evenementsSansPlace();
    void finCoupee();
    void commandeAlarme();
    void programme_data();
    void programme();
    void minuit();
};

void TstEvenements::alarme_data() {
    QTest::addColumn<QList<double>>("valeurs");
    QTest::addColumn<QList<int>>("secondes"); // time of each value; empty: one a second
    QTest::addColumn<double>("haute");        // NaN: none
    QTest::addColumn<double>("basse");
    QTest::addColumn<double>("hysteresis");
    QTest::addColumn<int>("maintien");
    QTest::addColumn<int>("changeA"); // from this value on, the high limit is `haute2`
    QTest::addColumn<double>("haute2");
    QTest::addColumn<QString>("attendu"); // level after each change, @ the value's index
    const double aucune = std::nan("");
    QTest::newRow("chatter at the limit rings once")
        << QList<double>{9, 11, 9.5, 10.5, 9, 11, 7} << QList<int>{} << 10.0 << aucune << 2.0 << 0
        << -1 << 0.0 << "H@1 N@6";
    QTest::newRow("a spike shorter than the minimum duration")
        << QList<double>{5, 15, 5, 5, 15, 15, 5} << QList<int>{} << 10.0 << aucune << 0.0 << 3 << -1
        << 0.0 << "";
    QTest::newRow("held long enough, in and out")
        << QList<double>{5, 15, 15, 15, 5, 5, 5} << QList<int>{} << 10.0 << aucune << 0.0 << 2 << -1
        << 0.0 << "H@3 N@6";
    QTest::newRow("a gap while in alarm")
        << QList<double>{15, 15, 5, 5} << QList<int>{0, 1, 3600, 3601} << 10.0 << aucune << 0.0 << 1
        << -1 << 0.0 << "H@1 N@3";
    QTest::newRow("low limit with hysteresis")
        << QList<double>{1, -1, -0.5, 0.5, 1.5} << QList<int>{} << aucune << 0.0 << 1.0 << 0 << -1
        << 0.0 << "B@1 N@4";
    QTest::newRow("from high to low at once")
        << QList<double>{0, 20, -20, 0} << QList<int>{} << 10.0 << -10.0 << 0.0 << 0 << -1 << 0.0
        << "H@1 B@2 N@3";
    QTest::newRow("limit raised during a run") << QList<double>{12, 12, 25} << QList<int>{} << 10.0
                                               << aucune << 0.0 << 0 << 1 << 20.0 << "H@0 N@1 H@2";
}

void TstEvenements::alarme() {
    QFETCH(QList<double>, valeurs);
    QFETCH(QList<int>, secondes);
    QFETCH(double, haute);
    QFETCH(double, basse);
    QFETCH(double, hysteresis);
    QFETCH(int, maintien);
    QFETCH(int, changeA);
    QFETCH(double, haute2);
    QFETCH(QString, attendu);
    core::ReglageAlarme r;
    r.haute = limite(haute);
    r.basse = limite(basse);
    r.hysteresis = hysteresis;
    r.maintienMs = maintien * 1000LL;
    QVERIFY(!r.refus());
    core::Alarme a;
    a.regle(r);
    QStringList vus;
    for (int k = 0; k < valeurs.size(); ++k) {
        if (k == changeA) {
            r.haute = haute2;
            a.regle(r);
        }
        const qint64 t = (secondes.isEmpty() ? k : secondes[k]) * 1000LL;
        if (const auto tr = a.suit(t, valeurs[k])) {
            const char* niveaux = "NHB";
            vus << QStringLiteral("%1@%2").arg(QLatin1Char(niveaux[int(tr->apres)])).arg(k);
            QVERIFY(tr->depuisMs <= t);
        }
    }
    QCOMPARE(vus.join(' '), attendu);
}

namespace {

// An engine in a temporary directory with a fake clock; its timers never fire.
struct Banc {
    QTemporaryDir dir;
    test::HorlogeFixe horloge;
    std::unique_ptr<engine::Moteur> m;
    std::unique_ptr<evenements::Journal> j;
    std::unique_ptr<evenements::Surveillance> a;
    std::unique_ptr<evenements::Programme> p;
    Banc() {
        ecrit(chemin("plovar.cfg"), "\"X\",\"r.csv\",1,0,3600\r\n");
        engine::Environnement env;
        env.cheminConfig = chemin("plovar.cfg");
        env.portSerie = chemin("pas-de-port");
        env.bibliothequesCarte = {chemin("absente.so")};
        env.horloge = &horloge;
        env.minuteriesManuelles = true;
        env.ecritureAttendue = true;
        m = std::make_unique<engine::Moteur>(std::move(env));
        j = std::make_unique<evenements::Journal>(*m);
        a = std::make_unique<evenements::Surveillance>(*m, *j);
        p = std::make_unique<evenements::Programme>(*m, *j, *a);
        QDir::setCurrent(dir.path());
        m->demarrage();
    }
    QString chemin(const char* nom) const { return dir.filePath(QString::fromLatin1(nom)); }
    void tick() {
        m->Timer1_Timer();
        horloge.avance(1);
    }
};

} // namespace

void TstEvenements::alarmeEtalonnee() {
    // The limits are in the unit shown: with a falling calibration, raw values that
    // rise make the physical value fall below the low limit.
    Banc b;
    core::Etalonnage e;
    e.actif = true;
    e.brut1 = 0;
    e.physique1 = 100;
    e.brut2 = 100;
    e.physique2 = 0;
    e.unite = QStringLiteral("°C");
    QVERIFY(b.m->choisitEtalonnage(e));
    core::ReglageAlarme r;
    r.basse = 50;
    QVERIFY(b.a->choisitAlarme(r, true));
    QVERIFY(b.m->demarre());
    b.tick();
    for (int k = 0; k < 60; ++k)
        b.m->toucheTest('+');
    b.tick();
    QCOMPARE(b.a->niveau(), core::NiveauAlarme::Basse);
    QVERIFY(b.m->alertes().join(' ').contains(QStringLiteral("Alarme basse : 40 °C")));
    QVERIFY(b.j->ajouteCommentaire(QString::fromUtf8("porte ouverte;\0\x1b[2J 2 min", 25)));
    QVERIFY(b.m->arrete());
    // The record keeps its four fields; the events say what happened, in order.
    QCOMPARE(lit(b.chemin("r.csv")).count(';'), 6);
    const files::LectureEvenements l = files::lisEvenements(b.chemin("r_evenements.csv"));
    QVERIFY(l.raison.isEmpty());
    QStringList types;
    for (const core::Evenement& ev : l.evenements)
        types << ev.type;
    QCOMPARE(types.join('|'), QStringLiteral("début|alarme|commentaire|arrêt"));
    QCOMPARE(l.evenements[1].numero, 2);
    // The comment, typed a second after the newest sample, bears that sample's date
    // and time and says when it was typed.
    QCOMPARE(l.evenements[2].numero, 2);
    QCOMPARE(l.evenements[2].heure, b.m->magasin().TabHeure(2));
    QCOMPARE(l.evenements[2].texte,
             QStringLiteral("porte ouverte, [2J 2 min (écrit le %1)")
                 .arg(b.horloge.maintenant().toString(QStringLiteral("dd/MM/yyyy 'à' HH:mm:ss"))));
    QVERIFY(lit(b.chemin("r_evenements.csv")).startsWith(files::enteteEvenements()));
    // Stored with the settings, read again at the next start.
    Banc autre;
    QCOMPARE(files::FichierAlarme(files::FichierAlarme::cheminPour(b.chemin("plovar.cfg"))).lit(),
             r);
}

void TstEvenements::fichierEvenements_data() {
    QTest::addColumn<QByteArray>("contenu"); // null: no events file
    QTest::addColumn<int>("nb");
    QTest::addColumn<bool>("avis");
    const QByteArray h = files::enteteEvenements();
    QTest::newRow("missing") << QByteArray() << 0 << false;
    QTest::newRow("two events") << h + "0;12-07-2026;10:00:00;début;x\r\n2;12-07-2026;10:00:02;"
                                       "commentaire;a;b\r\n"
                                << 2 << false;
    QTest::newRow("damaged line") << h + "1;12-07-2026;10:00:00;début;x\r\nabc\r\n" << 1 << true;
    // A write cut by a full disk in the middle: the events around it are read.
    QTest::newRow("cut line in the middle")
        << h + "0;12-07-2026;10:00:00;début;x\r\n3;12-07-20\r\n5;12-07-2026;10:00:05;"
               "commentaire;après\r\n9;12-07-2026;10:00:09;arrêt;fin\r\n"
        << 3 << true;
    QTest::newRow("longer than the record")
        << h + "99;12-07-2026;10:00:00;commentaire;plus loin\r\n"
        << 1 << false;
}

void TstEvenements::fichierEvenements() {
    // Loading a record file brings the events beside it.
    QFETCH(QByteArray, contenu);
    QFETCH(int, nb);
    QFETCH(bool, avis);
    Banc b;
    QVERIFY(ecrit(b.chemin("lu.csv"), "1;5;12-07-2026;10:00:00\r\n2;6;12-07-2026;10:00:01\r\n"));
    if (!contenu.isNull())
        QVERIFY(ecrit(b.chemin("lu_evenements.csv"), contenu));
    QCOMPARE(b.m->charge(b.chemin("lu.csv")), files::FinChargement::Complet);
    QCOMPARE(int(b.j->evenements().size()), nb);
    QCOMPARE(b.m->alertes().join(' ').contains(QStringLiteral("Événements")), avis);
    // A comment on a loaded file goes beside it, at the line's own record number.
    // Its date and time are the line's; the text says when it was typed.
    QVERIFY(b.j->ajouteCommentaire(QStringLiteral("relu"), 2));
    const QByteArray evenements = lit(b.chemin("lu_evenements.csv"));
    const QByteArray quand = b.horloge.maintenant().toString("dd/MM/yyyy à HH:mm:ss").toUtf8();
    QVERIFY2(
        evenements.endsWith("2;12-07-2026;10:00:01;commentaire;relu (écrit le " + quand + ")\r\n"),
        evenements.constData());
}

void TstEvenements::evenementsSansPlace() {
    // The events file cannot be written (a folder stands in its place): the samples
    // are not held back, and at the end the events go beside the samples' rescue file
    // or are said lost; never a loop of questions.
    Banc b;
    QVERIFY(QDir(b.dir.path()).mkdir(QStringLiteral("r_evenements.csv")));
    QVERIFY(b.m->demarre());
    b.tick();
    b.tick();
    QCOMPARE(b.m->ecrivain().nbEnAttente(), 0);
    QCOMPARE(lit(b.chemin("r.csv")).count('\n'), 2);
    QVERIFY(b.m->alertes().join(' ').contains(QStringLiteral("événement(s) en attente")));
    b.m->termine();
    QVERIFY(
        b.m->alertes().join(' ').contains(QStringLiteral("perdus (les mesures ne le sont pas)")));
}

void TstEvenements::finCoupee() {
    // A record file left in the middle of a line: the next run says so in its events.
    Banc b;
    QVERIFY(ecrit(b.chemin("r.csv"), "8;0;12-07-2026;10:00:00\r\n9;0;12-0"));
    QVERIFY(b.m->demarre());
    b.tick();
    QVERIFY(b.m->arrete());
    QVERIFY(lit(b.chemin("r.csv")).startsWith("8;0;12-07-2026;10:00:00\r\n9;0;12-0\r\n1;0;"));
    const files::LectureEvenements l = files::lisEvenements(b.chemin("r_evenements.csv"));
    QStringList types;
    for (const core::Evenement& e : l.evenements)
        types << e.type;
    QCOMPARE(types.join('|'), QStringLiteral("début|reprise|arrêt"));
}

void TstEvenements::commandeAlarme() {
    // The command sees its variables but neither the broker's password nor the service
    // manager's socket; at its time limit everything it started goes, not only the shell.
    QTemporaryDir dir;
    qputenv("PLOVAR_MQTT_MOT_DE_PASSE", "secret-du-courtier");
    qputenv("NOTIFY_SOCKET", "/run/systemd/notify");
    evenements::CommandeAlarme c;
    c.setLimite(300);
    QProcessEnvironment v;
    v.insert(QStringLiteral("PLOVAR_VALEUR"), QStringLiteral("12,5"));
    const QString env = dir.filePath(QStringLiteral("env"));
    const QString pid = dir.filePath(QStringLiteral("pid"));
    QVERIFY(
        c.lance(QStringLiteral("env > '%1'; sleep 301 & echo $! > '%2'; exit 0").arg(env, pid), v));
    qunsetenv("PLOVAR_MQTT_MOT_DE_PASSE");
    qunsetenv("NOTIFY_SOCKET");
    QTRY_VERIFY(!lit(pid).trimmed().isEmpty());
    const pid_t enfant = lit(pid).trimmed().toInt();
    QVERIFY(enfant > 0);
    QTRY_VERIFY(!c.enCours());
    // The shell is gone; its child lives on until the limit.
    QCOMPARE(::kill(enfant, 0), 0);
    QTRY_VERIFY_WITH_TIMEOUT(::kill(enfant, 0) != 0, 5000);
    const QByteArray vu = lit(env);
    QVERIFY(vu.contains("PLOVAR_VALEUR=12,5"));
    QVERIFY(!vu.contains("secret-du-courtier"));
    QVERIFY(!vu.contains("NOTIFY_SOCKET"));
}

void TstEvenements::programme_data() {
    // Test values, one a tick; the trigger ("+5": upward at 5, "-3": downward at 3)
    // with the samples kept from before; the stop ("+8" a level, "alarme" the first
    // alarm above 9); what the record file holds, and the events.
    QTest::addColumn<QList<int>>("valeurs");
    QTest::addColumn<QString>("declencheur");
    QTest::addColumn<int>("avant");
    QTest::addColumn<QString>("arret");
    QTest::addColumn<QString>("enregistre");
    QTest::addColumn<QString>("evenements");
    QTest::addColumn<int>("declencheA"); // record number of the crossing sample
    QTest::newRow("upward, three kept") << QList<int>{0, 1, 2, 3, 4, 5, 6, 7} << "+5" << 3 << ""
                                        << "2 3 4 5 6 7"
                                        << "début|déclenchement|arrêt" << 4;
    QTest::newRow("fewer taken than asked") << QList<int>{4, 6, 7} << "+5" << 10 << ""
                                            << "4 6 7"
                                            << "début|déclenchement|arrêt" << 2;
    QTest::newRow("above at the start: waits for a new crossing")
        << QList<int>{7, 8, 4, 6} << "+5" << 0 << ""
        << "6"
        << "début|déclenchement|arrêt" << 1;
    QTest::newRow("downward, one kept") << QList<int>{9, 8, 2, 1} << "-3" << 1 << ""
                                        << "8 2 1"
                                        << "début|déclenchement|arrêt" << 2;
    QTest::newRow("never crossed: nothing recorded") << QList<int>{1, 2, 3, 4} << "+5" << 2 << ""
                                                     << ""
                                                     << "début|arrêt" << 0;
    QTest::newRow("stop on a level") << QList<int>{1, 2, 9, 10} << "" << 0 << "+8"
                                     << "1 2 9"
                                     << "début|arrêt" << 0;
    QTest::newRow("stop on the first alarm after the trigger")
        << QList<int>{10, 3, 4, 6, 7, 11, 12} << "+5" << 3 << "alarme"
        << "10 3 4 6 7 11"
        << "début|alarme|fin d'alarme|déclenchement|alarme|arrêt" << 4;
}

void TstEvenements::programme() {
    QFETCH(QList<int>, valeurs);
    QFETCH(QString, declencheur);
    QFETCH(int, avant);
    QFETCH(QString, arret);
    QFETCH(QString, enregistre);
    QFETCH(QString, evenements);
    QFETCH(int, declencheA);
    Banc b;
    const auto seuil = [](const QString& t) {
        return core::Seuil{t.mid(1).toDouble(), t.startsWith(QLatin1Char('+'))};
    };
    core::Plan plan;
    if (!declencheur.isEmpty())
        plan.declencheur = core::Declencheur{seuil(declencheur), avant};
    if (arret == QLatin1String("alarme")) {
        core::ReglageAlarme r;
        r.haute = 9;
        QVERIFY(b.a->choisitAlarme(r, false));
        plan.arretAlarme = true;
    } else if (!arret.isEmpty()) {
        plan.arretSeuil = seuil(arret);
    }
    QVERIFY(b.p->lance(plan));
    int valeur = 0;
    for (const int v : valeurs) {
        for (; valeur < v; ++valeur)
            b.m->toucheTest('+');
        for (; valeur > v; --valeur)
            b.m->toucheTest('-');
        b.tick();
        QCoreApplication::processEvents();
    }
    const bool arreteSeul = !arret.isEmpty();
    QCOMPARE(b.m->etat(), arreteSeul ? engine::Etat::Repos : engine::Etat::Enregistrement);
    b.m->arrete();
    QCOMPARE(b.p->phase(), evenements::Programme::Phase::Aucune);
    // The record: numbers from 1 with no gap, the values kept, each with its own time.
    QStringList vus;
    qint64 n = 0;
    QString heurePrecedente;
    for (const QByteArray& ligne : lit(b.chemin("r.csv")).split('\n')) {
        if (ligne.trimmed().isEmpty())
            continue;
        const QList<QByteArray> champs = ligne.trimmed().split(';');
        QCOMPARE(champs.size(), 4);
        QCOMPARE(champs[0].toLongLong(), ++n);
        QVERIFY(QString::fromLatin1(champs[3]) != heurePrecedente);
        heurePrecedente = QString::fromLatin1(champs[3]);
        vus << QString::fromLatin1(champs[1]);
    }
    QCOMPARE(vus.join(' '), enregistre);
    QCOMPARE(b.m->magasin().NbMesures(), n);
    const files::LectureEvenements l = files::lisEvenements(b.chemin("r_evenements.csv"));
    QStringList types;
    for (const core::Evenement& ev : l.evenements) {
        types << ev.type;
        // The trigger stands at the crossing sample, after the ones kept.
        if (ev.type == QString::fromUtf8(core::Evenement::kDeclenchement))
            QCOMPARE(ev.numero, qint64(declencheA));
    }
    QCOMPARE(types.join('|'), evenements);
    if (arreteSeul)
        QVERIFY2(l.evenements.back().texte.contains(QLatin1Char('(')),
                 qPrintable(l.evenements.back().texte));
}

void TstEvenements::minuit() {
    // A run split by day across local midnight: two files whose lines together are
    // those of the same run unsplit, each with its own events.
    QByteArray lignes[2];
    for (const bool parJour : {false, true}) {
        Banc b;
        b.horloge.instant = QDateTime(QDate(2026, 12, 7), QTime(23, 59, 50));
        if (parJour)
            QVERIFY(b.m->choisitDecoupage(core::Decoupage::Jour));
        QVERIFY(b.m->demarre());
        for (int k = 0; k < 20; ++k) {
            b.m->toucheTest('+');
            b.tick();
        }
        QVERIFY(b.m->arrete());
        if (!parJour) {
            lignes[0] = lit(b.chemin("r.csv"));
            continue;
        }
        QVERIFY(!QFile::exists(b.chemin("r.csv")));
        const QByteArray veille = lit(b.chemin("r_2026-12-07.csv"));
        const QByteArray jour = lit(b.chemin("r_2026-12-08.csv"));
        QCOMPARE(veille.count('\n'), 10);
        QVERIFY(veille.endsWith("10;10;12-07-2026;23:59:59\r\n"));
        QVERIFY(jour.startsWith("11;11;12-08-2026;00:00:00\r\n"));
        lignes[1] = veille + jour;
        QVERIFY(lit(b.chemin("r_2026-12-07_evenements.csv")).contains(";début;"));
        const QByteArray evenementsJour = lit(b.chemin("r_2026-12-08_evenements.csv"));
        QVERIFY2(evenementsJour.contains("20;12-08-2026;00:00:10;arrêt;"),
                 evenementsJour.constData());
        QVERIFY(!evenementsJour.contains(";début;"));
    }
    QCOMPARE(lignes[1], lignes[0]);
}

QTEST_GUILESS_MAIN(TstEvenements)
#include "tst_evenements.moc"
