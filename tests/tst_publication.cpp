// Publishing against the real thing: Debian's mosquitto on a free loopback port, a
// QoS 1 subscriber with a persistent session, and the real program recording.
#include "Factices.h"
#include "PortLibre.h"
#include "app/Enregistreur.h"
#include "files/FichierEvenements.h"
#include "files/InstantsEnr.h"
#include "publication/Avis.h"
#include "publication/Charges.h"
#include "publication/Curseur.h"
#include "publication/EvenementsSuivis.h"
#include "publication/FileEnr.h"
#include "publication/FileEnvoi.h"
#include "publication/Publieur.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLocale>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

#include <arpa/inet.h>
#include <cerrno>
#include <clocale>
#include <cmath>
#include <csignal>
#include <mosquitto.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

class TstPublication : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void charges_data();
    void charges();
    void curseur_data();
    void curseur();
    void curseurImpossible();
    void suiteDeFichiers();
    void evenementsLus();
    void reglages();
    void avis_data();
    void avis();
    void scenarios_data();
    void scenarios();
    void horloge();
    void sansLecture();
    void evenements();
    void reprisePeriodes();
    void courtierDuReadme();
    void remplace_data();
    void remplace();
    void sansReponse_data();
    void sansReponse();
    void fenetre();
};

namespace {

using test::portLibre;

bool ecoute(int port) {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    ::close(s);
    return ok;
}

// Its own process group, so that a signal reaches the children too.
void groupePropre(QProcess& p) {
    p.setChildProcessModifier([] { ::setpgid(0, 0); });
}

void signale(QProcess& p, int s) {
    if (p.processId() > 0)
        ::kill(-static_cast<pid_t>(p.processId()), s);
}

struct Courtier {
    QString dir;
    int port = portLibre();
    QProcess p;
    QString conf;
    explicit Courtier(const QString& d, const QByteArray& plus = {}) : dir(d) {
        conf = dir + QStringLiteral("/mosquitto.conf");
        QFile f(conf);
        f.open(QIODevice::WriteOnly);
        f.write("listener " + QByteArray::number(port) + " 127.0.0.1\n" +
                (plus.contains("password_file") ? QByteArray() : "allow_anonymous true\n") +
                "persistence true\npersistence_location " + dir.toUtf8() +
                "/\nautosave_interval 1\nmax_queued_messages 0\nlog_dest file " + dir.toUtf8() +
                "/mosquitto.log\n"
                // Run as root, it would become the user "mosquitto" and lose the directory.
                "user " +
                QByteArray(::getpwuid(::getuid())->pw_name) + "\n" + plus);
    }
    bool demarre() {
        groupePropre(p);
        p.start(QStringLiteral("mosquitto"), {QStringLiteral("-c"), conf});
        if (!p.waitForStarted())
            return false;
        QElapsedTimer t;
        t.start();
        while (!ecoute(port) && t.elapsed() < 10'000)
            QTest::qWait(50);
        return ecoute(port);
    }
    void tue() {
        signale(p, SIGKILL);
        p.waitForFinished(5000);
    }
    ~Courtier() {
        signale(p, SIGCONT);
        signale(p, SIGTERM);
        p.waitForFinished(5000);
    }
};

// A QoS 1 subscriber with a persistent session; one message per line.
struct Abonne {
    QProcess p;
    QByteArray recu;
    void demarre(int port, const QString& feuille = QStringLiteral("mesure")) {
        groupePropre(p);
        QObject::connect(&p, &QProcess::readyReadStandardOutput,
                         [this] { recu += p.readAllStandardOutput(); });
        p.start(QStringLiteral("mosquitto_sub"),
                {"-h", "127.0.0.1", "-p", QString::number(port), "-q", "1", "-c", "-i",
                 "abonne-" + feuille, "-t", "plovar/+/" + feuille, "-F", "%p"});
        p.waitForStarted();
    }
    ~Abonne() {
        signale(p, SIGCONT);
        signale(p, SIGTERM);
        p.waitForFinished(5000);
    }
};

// The retained message of a topic.
QByteArray retenu(int port, const QString& sujet) {
    QProcess p;
    p.start(QStringLiteral("mosquitto_sub"),
            {"-h", "127.0.0.1", "-p", QString::number(port), "-t", sujet, "-C", "1", "-W", "5"});
    p.waitForFinished(8000);
    return p.readAllStandardOutput().trimmed();
}

struct Ligne {
    qint64 n;
    QByteArray valeur, date, heure;
};

QList<Ligne> lignesFichier(const QString& chemin) {
    QList<Ligne> r;
    QFile f(chemin);
    f.open(QIODevice::ReadOnly);
    for (QByteArray l : f.readAll().split('\n')) {
        l = l.trimmed();
        const QList<QByteArray> c = l.split(';');
        if (c.size() == 4)
            r.append({c[0].toLongLong(), c[1], c[2], c[3]});
    }
    return r;
}

// openssl in `dir`; true when it succeeded.
bool lanceOpenssl(const QString& dir, const QStringList& a) {
    QProcess o;
    o.setWorkingDirectory(dir);
    o.start(QStringLiteral("openssl"), a);
    return o.waitForFinished(30'000) && o.exitCode() == 0;
}

QProcessEnvironment environnement(const QString& dir) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), dir);
    env.insert(QStringLiteral("TZ"), QStringLiteral("UTC"));
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    return env;
}

// Starts the real program recording in test mode to `courtier`, as station "banc",
// once both subscribers (samples and events) listen.
void enregistre(QProcess& plovar, const QString& dir, Courtier& courtier, Abonne& mesures,
                Abonne& evenements, const QStringList& plus) {
    mesures.demarre(courtier.port);
    evenements.demarre(courtier.port, QStringLiteral("evenement"));
    QTest::qWait(300);
    plovar.setProcessEnvironment(environnement(dir));
    plovar.start(QString::fromLocal8Bit(qgetenv("PLOVAR_BIN")),
                 QStringList{"--enregistrer", "--source", "0", "--mqtt",
                             QStringLiteral("127.0.0.1:%1").arg(courtier.port), "--poste", "banc",
                             "--config", dir + QStringLiteral("/plovar.cfg")} +
                     plus);
}

} // namespace

void TstPublication::initTestCase() {
    if (QStandardPaths::findExecutable(QStringLiteral("mosquitto")).isEmpty() &&
        !QFile::exists(QStringLiteral("/usr/sbin/mosquitto")))
        QFAIL("mosquitto is missing: tools/dev test installs it");
}

void TstPublication::charges_data() {
    QTest::addColumn<double>("valeur");
    QTest::addColumn<QByteArray>("texte");
    QTest::newRow("entier") << 512.0 << QByteArray("512");
    QTest::newRow("décimales") << -12.5 << QByteArray("-12.5");
    QTest::newRow("grand") << 1234567.25 << QByteArray("1234567.25");
    QTest::newRow("zéro négatif") << -0.0 << QByteArray("0");
    QTest::newRow("nan") << std::nan("") << QByteArray("null");
    QTest::newRow("infini") << HUGE_VAL << QByteArray("null");
}

void TstPublication::charges() {
    QFETCH(double, valeur);
    QFETCH(QByteArray, texte);
    // Whatever the locale says about decimal commas.
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    std::setlocale(LC_ALL, "fr_FR.UTF-8");
    QCOMPARE(publication::nombre(valeur), texte);
    publication::Mesure m{"banc-1", "2026-10-25T02:30:00",     7, 1792891800000, 3600, 12,
                          valeur,   QStringLiteral("°C \"x\"")};
    const QByteArray charge = publication::chargeMesure(m);
    QJsonParseError e{};
    const QJsonObject o = QJsonDocument::fromJson(charge, &e).object();
    QCOMPARE(e.error, QJsonParseError::NoError);
    QCOMPARE(o.value("n").toInteger(), 7);
    QCOMPARE(o.value("t_ms").toInteger(), 1792891800000);
    QCOMPARE(o.value("t").toString(), QStringLiteral("2026-10-25T02:30:00+01:00"));
    QCOMPARE(o.value("unite").toString(), QStringLiteral("°C \"x\""));
    QVERIFY(charge.contains("\"valeur\":" + texte));
    std::setlocale(LC_ALL, "C");
    QLocale::setDefault(QLocale::c());
}

void TstPublication::curseur_data() {
    QTest::addColumn<QByteArray>("contenu");
    QTest::addColumn<qint64>("octet");
    QTest::addColumn<bool>("raison");
    // The record file holds three lines of 26 bytes.
    QTest::newRow("absent") << QByteArray() << qint64(0) << false;
    QTest::newRow("valide") << QByteArray("octet=52\nn=2\nsession=s\nt_ms=5\n") << qint64(52)
                            << false;
    QTest::newRow("tronqué") << QByteArray("octet=52\nn=2\n") << qint64(0) << true;
    QTest::newRow("illisible") << QByteArray("\x01\x02octet=xx") << qint64(0) << true;
    QTest::newRow("après la fin") << QByteArray("octet=900\nn=2\nsession=s\nt_ms=5\n") << qint64(0)
                                  << true;
    QTest::newRow("milieu de ligne")
        << QByteArray("octet=40\nn=2\nsession=s\nt_ms=5\n") << qint64(0) << true;
    // The prints of the lines it was written for: the same file, or another one whose
    // lines have the same lengths.
    const auto empreintes = [](const QByteArray& premiere, const QByteArray& derniere) {
        return "premiere=" + QByteArray::number(publication::empreinte(premiere), 16) +
               "\nderniere=" + QByteArray::number(publication::empreinte(derniere), 16) + '\n';
    };
    QTest::newRow("même fichier") << "octet=52\nn=2\nsession=s\nt_ms=5\n" +
                                         empreintes("1;10;12-07-2026;10:00:00\r\n",
                                                    "2;11;12-07-2026;10:00:01\r\n")
                                  << qint64(52) << false;
    QTest::newRow("autre fichier, mêmes longueurs")
        << "octet=52\nn=2\nsession=s\nt_ms=5\n" +
               empreintes("1;10;12-06-2026;10:00:00\r\n", "2;11;12-06-2026;10:00:01\r\n")
        << qint64(0) << true;
    QTest::newRow("autre ligne au curseur")
        << "octet=52\nn=2\nsession=s\nt_ms=5\n" +
               empreintes("1;10;12-07-2026;10:00:00\r\n", "2;99;12-07-2026;10:00:01\r\n")
        << qint64(0) << true;
}

void TstPublication::curseur() {
    QFETCH(QByteArray, contenu);
    QFETCH(qint64, octet);
    QFETCH(bool, raison);
    QTemporaryDir dir;
    const QString enr = dir.filePath(QStringLiteral("r.csv"));
    QFile f(enr);
    f.open(QIODevice::WriteOnly);
    f.write("1;10;12-07-2026;10:00:00\r\n2;11;12-07-2026;10:00:01\r\n3;12;12-07-2026;10:00:02\r\n");
    f.close();
    if (!contenu.isEmpty()) {
        QFile c(publication::cheminCurseur(enr));
        c.open(QIODevice::WriteOnly);
        c.write(contenu);
    }
    QString pourquoi;
    const publication::Curseur c = publication::lisCurseur(enr, &pourquoi);
    QCOMPARE(c.octet, octet);
    QCOMPARE(!pourquoi.isEmpty(), raison);
    // Reading goes on from there: the samples after it, none skipped.
    publication::FileEnr file(enr);
    file.reprend(c);
    const std::vector<publication::LigneLue> l = file.lit(10);
    QCOMPARE(qint64(l.size()), 3 - octet / 26);
    QCOMPARE(l.back().n, 3);
    QCOMPARE(l.back().octetFin, 78);
    // Written whole, read back the same.
    QVERIFY(publication::ecritCurseur(enr, {78, 3, "2026-12-07T10:00:00", 77}));
    QCOMPARE(publication::lisCurseur(enr).octet, 78);
}

void TstPublication::curseurImpossible() {
    // The cursor cannot be written (its name is taken by a folder): the sending goes
    // on, the user is told once, and told again when it is written once more.
    QTemporaryDir dir;
    const QString enr = dir.filePath(QStringLiteral("r.csv"));
    QVERIFY(test::ecritFichier(enr, "1;10;12-07-2026;10:00:00\r\n2;11;12-07-2026;10:00:01\r\n"));
    QVERIFY(QDir().mkdir(publication::cheminCurseur(enr)));
    publication::FileEnvoi envoi;
    envoi.suit(enr, true, 0);
    bool fin = false;
    for (int mid = 1; mid <= 2; ++mid) {
        QVERIFY(envoi.prochaine(fin));
        envoi.envoyee(mid, 0);
        envoi.acquitte(mid);
        envoi.sauveCurseur();
        const QString avis = envoi.avis();
        if (mid == 1)
            QVERIFY2(avis.contains(QStringLiteral("n'a pas pu être enregistré")), qPrintable(avis));
        else
            QVERIFY2(avis.isEmpty(), qPrintable(avis));
    }
    QVERIFY(QDir().rmdir(publication::cheminCurseur(enr)));
    envoi.sauveCurseur();
    QVERIFY(envoi.avis().contains(QStringLiteral("de nouveau enregistré")));
    QCOMPARE(publication::lisCurseur(enr).n, 2);
}

void TstPublication::avis_data() {
    QTest::addColumn<bool>("ligneDeCommande");
    QTest::newRow("window") << false;
    QTest::newRow("command line") << true;
}

void TstPublication::avis() {
    // Every broker notice is French, and names where to act in the words of the front
    // end that shows it: the dialog in the window, options and plovar.ini headless.
    QFETCH(bool, ligneDeCommande);
    publication::ReglagePublication r;
    r.hote = QStringLiteral("serveur");
    r.utilisateur = QStringLiteral("banc");
    r.ca = QStringLiteral("/etc/ca.pem");
    r.ligneDeCommande = ligneDeCommande;
    const publication::Avis a(r);
    QStringList textes{a.fichierAutorite(),
                       a.inconnu(),
                       a.chiffrement(),
                       a.certificat(QStringLiteral("certificate has expired")),
                       a.certificat(QStringLiteral("certificate is not yet valid")),
                       a.certificat(QStringLiteral("certificate verify failed")),
                       a.sansReponse(10),
                       a.neRepondPlus()};
    for (const int err : {ECONNREFUSED, EHOSTUNREACH, ENETUNREACH, ETIMEDOUT, ECONNRESET, EPIPE})
        textes << a.injoignable(MOSQ_ERR_ERRNO, err);
    for (const int rc :
         {MOSQ_ERR_CONN_LOST, MOSQ_ERR_KEEPALIVE, MOSQ_ERR_PROTOCOL, MOSQ_ERR_MALFORMED_PACKET,
          MOSQ_ERR_NO_CONN, MOSQ_ERR_TLS, MOSQ_ERR_SUCCESS, MOSQ_ERR_ERRNO})
        textes << a.perdue(rc, false) << a.perdue(rc, true);
    for (int code = 1; code <= 6; ++code)
        textes << a.refus(code);
    // English from the library or the system: a word of it.
    const QRegularExpression anglais(
        QStringLiteral("\\b(the|connection|refused|error|failed|lost|network|protocol|timed|"
                       "unknown|reset|broken|unreachable|host)\\b"),
        QRegularExpression::CaseInsensitiveOption);
    for (const QString& t : textes) {
        QVERIFY2(!anglais.match(t).hasMatch(), qPrintable(t));
        QVERIFY2(!t.contains(QStringLiteral("erreur %1").arg(MOSQ_ERR_ERRNO)), qPrintable(t));
        if (ligneDeCommande)
            QVERIFY2(!t.contains(QStringLiteral("Publication…")), qPrintable(t));
        else
            QVERIFY2(!t.contains(QStringLiteral("--")) &&
                         !t.contains(QStringLiteral("plovar.ini")) &&
                         !t.contains(QStringLiteral("PLOVAR_")),
                     qPrintable(t));
    }
    // Where the user must act, the notice says where.
    const QString ou = ligneDeCommande ? QStringLiteral("--mqtt") : QStringLiteral("Publication…");
    QVERIFY2(a.inconnu().contains(ou), qPrintable(a.inconnu()));
    QVERIFY2(a.refus(5).contains(ligneDeCommande ? QStringLiteral("mot_de_passe") : ou),
             qPrintable(a.refus(5)));
    // Closed before the broker accepted: never called a lost link.
    QVERIFY(!a.perdue(MOSQ_ERR_CONN_LOST, false).contains(QStringLiteral("perdue")));
    QVERIFY(a.perdue(MOSQ_ERR_CONN_LOST, true).contains(QStringLiteral("perdue")));
}

void TstPublication::evenementsLus() {
    // Two runs in one events file, read whole and then again from a cursor left in
    // the first run: each start names its run and ranks start again; two comments on
    // one sample stay two; the alarm state follows; a line cut by a crash waits.
    QTemporaryDir dir;
    const QString chemin = dir.filePath(QStringLiteral("r_evenements.csv"));
    QFile f(chemin);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(files::enteteEvenements());
    f.write(QStringLiteral("0;12-07-2026;10:00:00;début;Début.\r\n"
                           "3;12-07-2026;10:00:03;alarme;Alarme haute.\r\n"
                           "3;12-07-2026;10:00:03;commentaire;un\r\n"
                           "3;12-07-2026;10:00:04;commentaire;deux\r\n"
                           "5;12-07-2026;10:00:05;arrêt;Arrêt.\r\n"
                           "0;12-07-2026;11:00:00;reprise;Reprise.\r\n"
                           "0;12-07-2026;11:00:00;début;Début.\r\n"
                           "2;12-07-2026;11:00:02;commentaire;trois\r\n"
                           "4;12-07-2026;11:00:04;fin d'al")
                .toUtf8());
    f.close();
    const QString s1 = QStringLiteral("2026-12-07T10:00:00+00:00");
    const QString s2 = QStringLiteral("2026-12-07T11:00:00+00:00");
    using Attendu = std::tuple<qint64, QString, QString, int>;
    const QList<Attendu> attendus{{1, s1, "début", 0},       {2, s1, "alarme", 1},
                                  {3, s1, "commentaire", 1}, {4, s1, "commentaire", 1},
                                  {5, s1, "arrêt", 1},       {6, s1, "reprise", 1},
                                  {1, s2, "début", 0},       {2, s2, "commentaire", 0}};
    const auto lit = [&](const publication::Curseur& c) {
        publication::EvenementsSuivis e(chemin);
        e.reprend(c);
        QList<Attendu> r;
        std::vector<publication::EvenementLu> v;
        while (!(v = e.lit(3)).empty())
            for (const publication::EvenementLu& l : v)
                r << Attendu{l.n, l.session, l.type, l.alarme};
        return std::make_pair(r, e.lignesRestantes());
    };
    const auto [tout, restantes] = lit(publication::Curseur());
    QCOMPARE(tout, attendus);
    QCOMPARE(restantes, 0); // the cut line is not whole yet
    // From a cursor after the second event: the rest, with the run and the alarm.
    publication::EvenementsSuivis e(chemin);
    e.reprend(publication::Curseur());
    const std::vector<publication::EvenementLu> deux = e.lit(2);
    publication::Curseur c;
    c.octet = deux[1].octetFin;
    c.n = deux[1].n;
    c.session = deux[1].session;
    c.tMs = deux[1].tMs;
    c.alarme = deux[1].alarme;
    QCOMPARE(lit(c).first, attendus.mid(2));
}

void TstPublication::suiteDeFichiers() {
    // A run split by day, its backlog over two files: the second file waits until
    // every sample of the first is acknowledged, and goes on in the same session.
    QTemporaryDir dir;
    const QString a = dir.filePath(QStringLiteral("m_2026-12-07.csv"));
    const QString b = dir.filePath(QStringLiteral("m_2026-12-08.csv"));
    QVERIFY(test::ecritFichier(a, "1;5;12-07-2026;23:59:57\r\n2;6;12-07-2026;23:59:58\r\n"
                                  "3;7;12-07-2026;23:59:59\r\n"));
    QVERIFY(test::ecritFichier(b, "4;8;12-08-2026;00:00:00\r\n5;9;12-08-2026;00:00:01\r\n"));
    publication::FileEnvoi f;
    QVERIFY(f.suit(a, true, 0).isEmpty());
    f.suitEnsuite(b);
    QStringList envoyes;
    QSet<QString> sessions;
    int mid = 0;
    const auto envoie = [&] {
        bool fin = false;
        const publication::LigneLue* l = f.prochaine(fin);
        if (!l)
            return false;
        envoyes << QString::number(l->n);
        sessions << l->session;
        f.envoyee(++mid, 0);
        return true;
    };
    while (envoie()) {
    }
    // In flight: the first file is not left yet.
    QCOMPARE(envoyes.join(' '), QStringLiteral("1 2 3"));
    QCOMPARE(f.fichier(), a);
    for (int k = 1; k <= mid; ++k)
        f.acquitte(k);
    while (envoie())
        f.acquitte(mid);
    QCOMPARE(envoyes.join(' '), QStringLiteral("1 2 3 4 5"));
    QCOMPARE(f.fichier(), b);
    QCOMPARE(sessions.size(), 1);
    // Each file keeps its own cursor.
    QString raison;
    QCOMPARE(publication::lisCurseur(a, &raison).n, 3);
    f.sauveCurseur();
    QCOMPARE(publication::lisCurseur(b, &raison).n, 5);
}

void TstPublication::reglages() {
    // A password is written for the owner's eyes only; the environment's wins.
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("plovar.ini"));
    publication::ReglagePublication r;
    r.hote = QStringLiteral("serveur");
    r.poste = QStringLiteral("banc 3/é");
    r.utilisateur = QStringLiteral("banc");
    r.motDePasse = QStringLiteral("secret");
    QString erreur;
    QVERIFY(publication::FichierPublication::ecrit(ini, r, &erreur));
    QCOMPARE(QFile::permissions(ini) & 0x0077, QFileDevice::Permissions());
    QCOMPARE(publication::FichierPublication::lit(ini).motDePasse, QStringLiteral("secret"));
    // A settings file others may read is said to be one.
    QVERIFY(publication::FichierPublication::lit(ini).avis.isEmpty());
    QVERIFY(QFile::setPermissions(ini, QFile::permissions(ini) | QFileDevice::ReadOther));
    QVERIFY(publication::FichierPublication::lit(ini).avis.contains(QStringLiteral("chmod 600")));
    // The environment's password is used, leaves the environment, and is never written
    // into the file, which is tightened again.
    qputenv("PLOVAR_MQTT_MOT_DE_PASSE", "autre");
    const publication::ReglagePublication lu = publication::FichierPublication::lit(ini);
    QCOMPARE(lu.motDePasse, QStringLiteral("autre"));
    QVERIFY(qgetenv("PLOVAR_MQTT_MOT_DE_PASSE").isEmpty());
    QVERIFY(publication::FichierPublication::ecrit(ini, lu, &erreur));
    QFile f(ini);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray contenu = f.readAll();
    QVERIFY(!contenu.contains("autre"));
    QVERIFY(contenu.contains("secret"));
    QCOMPARE(QFile::permissions(ini) & 0x0077, QFileDevice::Permissions());
    QCOMPARE(r.posteEffectif(), QStringLiteral("banc_3__"));
    QVERIFY(!publication::analyseAdresse("hote:99999"));
    QCOMPARE(publication::analyseAdresse("[::1]:1884")->second, 1884);
    QCOMPARE(*publication::analyseAdresse("[::1]"), std::make_pair(QStringLiteral("::1"), 1883));
}

void TstPublication::scenarios_data() {
    QTest::addColumn<QString>("scenario");
    QTest::newRow("tue") << "tue";
    QTest::newRow("gele") << "gele";
    QTest::newRow("relais") << "relais";
    QTest::newRow("plovar") << "plovar";
    QTest::newRow("motdepasse") << "motdepasse";
    QTest::newRow("hote") << "hote";
    QTest::newRow("tls") << "tls";
    QTest::newRow("republier") << "republier";
    QTest::newRow("nuit") << "nuit";
    QTest::newRow("depuis") << "depuis";
}

void TstPublication::scenarios() {
    QFETCH(QString, scenario);
    QTemporaryDir dir;
    const QString enr = dir.filePath(QStringLiteral("r.csv"));
    const QString bin = QString::fromLocal8Bit(qgetenv("PLOVAR_BIN"));
    QByteArray plusCourtier;
    if (scenario == "motdepasse") {
        QProcess mdp;
        mdp.start(QStringLiteral("mosquitto_passwd"),
                  {"-b", "-c", dir.filePath("mdp"), "banc", "juste"});
        QVERIFY(mdp.waitForFinished());
        plusCourtier = "password_file " + dir.filePath("mdp").toUtf8() + "\n";
    }
    if (scenario == "tls") {
        // The broker's certificate comes from one authority, Plovar trusts another.
        const auto openssl = [&](const QStringList& a) { return lanceOpenssl(dir.path(), a); };
        QVERIFY(openssl({"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "ca.key",
                         "-out", "ca.pem", "-days", "2", "-subj", "/CN=Essai CA"}));
        QVERIFY(openssl({"req", "-newkey", "rsa:2048", "-nodes", "-keyout", "srv.key", "-out",
                         "srv.csr", "-subj", "/CN=localhost"}));
        QVERIFY(openssl({"x509", "-req", "-in", "srv.csr", "-CA", "ca.pem", "-CAkey", "ca.key",
                         "-CAcreateserial", "-out", "srv.pem", "-days", "2"}));
        QVERIFY(openssl({"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "autre.key",
                         "-out", "autre.pem", "-days", "2", "-subj", "/CN=Autre CA"}));
        plusCourtier = "cafile " + dir.filePath("ca.pem").toUtf8() + "\ncertfile " +
                       dir.filePath("srv.pem").toUtf8() + "\nkeyfile " +
                       dir.filePath("srv.key").toUtf8() + "\n";
    }
    Courtier courtier(dir.path(), plusCourtier);
    QVERIFY(courtier.demarre());
    Abonne abonne;
    abonne.demarre(courtier.port);
    QTest::qWait(300);

    QProcess relais;
    const auto finRelais = qScopeGuard([&] {
        signale(relais, SIGCONT);
        signale(relais, SIGTERM);
        relais.waitForFinished(5000);
    });
    int port = courtier.port;
    if (scenario == "relais") {
        port = portLibre();
        groupePropre(relais);
        relais.start(QStringLiteral("socat"),
                     {QStringLiteral("TCP-LISTEN:%1,bind=127.0.0.1,reuseaddr,fork").arg(port),
                      QStringLiteral("TCP:127.0.0.1:%1").arg(courtier.port)});
        QVERIFY(relais.waitForStarted());
        QElapsedTimer t;
        t.start();
        while (!ecoute(port) && t.elapsed() < 5000)
            QTest::qWait(50);
    }
    const QString hote =
        scenario == "hote" ? QStringLiteral("courtier.invalid") : QStringLiteral("127.0.0.1");
    QStringList args{"--enregistrer",
                     "--mqtt",
                     QStringLiteral("%1:%2").arg(hote).arg(port),
                     "--poste",
                     "banc",
                     "--fichier",
                     enr,
                     "--config",
                     dir.filePath("plovar.cfg"),
                     "--duree",
                     "30"};
    QProcessEnvironment env = environnement(dir.path());
    if (scenario == "tls") {
        QFile ini(dir.filePath("plovar.ini"));
        ini.open(QIODevice::WriteOnly);
        ini.write("[publication]\nca=" + dir.filePath("autre.pem").toUtf8() + "\n");
    }
    if (scenario == "motdepasse") {
        QFile ini(dir.filePath("plovar.ini"));
        ini.open(QIODevice::WriteOnly);
        ini.write("[publication]\nutilisateur=banc\n");
        env.insert("PLOVAR_MQTT_MOT_DE_PASSE", "faux");
    }
    QProcess plovar;
    plovar.setProcessEnvironment(env);
    QElapsedTimer montre;
    const auto attend = [&](int ms) {
        while (montre.elapsed() < ms)
            QTest::qWait(50);
    };
    // For a file sent by hand: a quick catch-up rate.
    {
        QFile ini(dir.filePath("plovar.ini"));
        ini.open(QIODevice::Append);
        ini.write(scenario == "motdepasse" || scenario == "tls"
                      ? ""
                      : "[publication]\ncadence_rattrapage=50000\n");
    }
    const qint64 debutNuit =
        QDateTime(QDate(2026, 10, 24), QTime(23, 30), Qt::UTC).toMSecsSinceEpoch();
    if (scenario == "republier" || scenario == "nuit" || scenario == "depuis") {
        // 100,000 lines, sent while the subscriber pauses for a while; or two hours at
        // ten seconds over the autumn clock change, as a recorder in Paris writes them.
        const QTimeZone paris("Europe/Paris");
        QFile f(enr);
        f.open(QIODevice::WriteOnly);
        QByteArray b;
        const int nombre = scenario == "nuit" ? 720 : scenario == "depuis" ? 50 : 100'000;
        for (int i = 1; i <= nombre; ++i) {
            const QDateTime t =
                scenario == "nuit"
                    ? QDateTime::fromMSecsSinceEpoch(debutNuit + (i - 1) * 10'000LL, paris)
                    : QDateTime(QDate(2026, 12, 7), QTime(0, 0).addSecs(i % 86400), Qt::UTC);
            b += QByteArray::number(i) + ';' + QByteArray::number(i % 1000) + ';' +
                 t.toString("MM-dd-yyyy;HH:mm:ss").toLatin1() + "\r\n";
            // A line that holds no sample: passed over, but counted and named.
            if (scenario == "depuis" && i == 45)
                b += "###\r\n";
        }
        f.write(b);
        f.close();
        if (scenario == "nuit")
            env.insert("TZ", "Europe/Paris");
        plovar.setProcessEnvironment(env);
        QStringList a{"--republier", enr,    "--mqtt",   QStringLiteral("127.0.0.1:%1").arg(port),
                      "--poste",     "banc", "--config", dir.filePath("plovar.cfg")};
        if (scenario == "depuis")
            a << "--depuis"
              << "40";
        plovar.start(bin, a);
        montre.start();
        signale(abonne.p, SIGSTOP);
        attend(scenario == "nuit" ? 500 : 4000);
        signale(abonne.p, SIGCONT);
        QVERIFY(plovar.state() == QProcess::NotRunning || plovar.waitForFinished(120'000));
        QCOMPARE(plovar.exitCode(), scenario == "depuis" ? 3 : 0);
    } else {
        plovar.start(bin, args);
        montre.start();
        QVERIFY(plovar.waitForStarted());
        if (scenario == "tue") {
            attend(8000);
            courtier.tue();
            attend(23'000);
            QVERIFY(courtier.demarre());
        } else if (scenario == "gele") {
            attend(8000);
            signale(courtier.p, SIGSTOP);
            attend(23'000);
            signale(courtier.p, SIGCONT);
        } else if (scenario == "relais") {
            attend(8000);
            signale(relais, SIGSTOP);
            attend(23'000);
            signale(relais, SIGCONT);
        } else if (scenario == "plovar") {
            // Killed while the broker is down; started again, it resumes from the cursor.
            attend(6000);
            courtier.tue();
            attend(12'000);
            ::kill(static_cast<pid_t>(plovar.processId()), SIGKILL);
            plovar.waitForFinished();
            QVERIFY(courtier.demarre());
            args[args.indexOf("30")] = "10";
            plovar.start(bin, args);
        }
        QVERIFY(plovar.state() == QProcess::NotRunning || plovar.waitForFinished(60'000));
        QCOMPARE(plovar.exitStatus(), QProcess::NormalExit);
    }
    const QString erreurs = QString::fromLocal8Bit(plovar.readAllStandardError());
    // Headless, the notices name options and files, never the window's dialog.
    QVERIFY2(!erreurs.contains(QStringLiteral("Publication…")), qPrintable(erreurs));
    QList<Ligne> fichier = lignesFichier(enr);
    // From sample 40 on only.
    if (scenario == "depuis") {
        fichier = fichier.mid(39);
        QVERIFY2(erreurs.contains(QStringLiteral("1 ligne(s) illisible(s) n'ont pas été publiées "
                                                 "(« ### »)")),
                 qPrintable(erreurs));
    }
    QVERIFY(fichier.size() >= 8);

    if (scenario == "motdepasse" || scenario == "hote" || scenario == "tls") {
        // Nothing reaches the broker; the user is told what to do; the recording is whole.
        const char* attendu = scenario == "hote"         ? "est inconnu"
                              : scenario == "motdepasse" ? "refuse l'utilisateur"
                                                         : "n'est pas reconnu";
        QVERIFY2(erreurs.contains(attendu), qPrintable(erreurs));
        QVERIFY(erreurs.contains("restent à publier"));
        QVERIFY(!erreurs.contains("faux"));
        QCOMPARE(plovar.exitCode(), 0);
        QCOMPARE(fichier.size(), 30);
        QVERIFY(abonne.recu.isEmpty());
        return;
    }

    // Every line of the file, once after de-duplication, in order, with its time.
    QElapsedTimer t;
    t.start();
    QList<QByteArray> messages;
    QSet<QString> vus;
    QList<QJsonObject> uniques;
    int doublons = 0;
    while (t.elapsed() < 60'000) {
        messages = abonne.recu.split('\n');
        messages.removeAll(QByteArray());
        vus.clear();
        uniques.clear();
        doublons = 0;
        for (const QByteArray& m : messages) {
            const QJsonObject o = QJsonDocument::fromJson(m).object();
            const QString cle =
                o.value("session").toString() + '/' + QString::number(o.value("n").toInteger());
            if (vus.contains(cle)) {
                ++doublons;
                continue;
            }
            vus.insert(cle);
            uniques.append(o);
        }
        if (uniques.size() >= fichier.size())
            break;
        QTest::qWait(200);
    }
    QVERIFY2(
        uniques.size() == fichier.size(),
        qPrintable(QStringLiteral("%1 reçues sur %2\n%3\n%4")
                       .arg(uniques.size())
                       .arg(fichier.size())
                       .arg(erreurs, QString::fromLocal8Bit(abonne.p.readAllStandardError()))));
    qint64 precedent = 0;
    for (int k = 0; k < fichier.size(); ++k) {
        const QJsonObject& o = uniques[k];
        QCOMPARE(o.value("n").toInteger(), fichier[k].n);
        QCOMPARE(o.value("brut").toDouble(), fichier[k].valeur.toDouble());
        const QDateTime quand = QDateTime::fromString(
            QString::fromLatin1(fichier[k].date + ' ' + fichier[k].heure), "MM-dd-yyyy HH:mm:ss");
        QDateTime utc = quand;
        utc.setTimeSpec(Qt::UTC);
        // Over the clock change, times keep going forward ten seconds a line.
        QCOMPARE(o.value("t_ms").toInteger(),
                 scenario == "nuit" ? debutNuit + k * 10'000LL : utc.toMSecsSinceEpoch());
        if (scenario != "republier" && scenario != "nuit" && scenario != "depuis") {
            // Sampling kept its pace: a second between samples of a run.
            if (k > 0 && fichier[k].n == fichier[k - 1].n + 1)
                QCOMPARE(o.value("t_ms").toInteger() - precedent, 1000);
        }
        precedent = o.value("t_ms").toInteger();
    }
    // Resumed from the cursor: only what was in flight goes twice.
    QVERIFY2(doublons <= 20, qPrintable(QString::number(doublons)));
    QCOMPARE(retenu(courtier.port, "plovar/banc/valeur"), fichier.back().valeur);
    QCOMPARE(retenu(courtier.port, "plovar/banc/etat"), QByteArray("offline"));
    if (scenario != "republier" && scenario != "nuit" && scenario != "depuis") {
        QCOMPARE(plovar.exitCode(), 0);
        // The outage was said on standard error.
        if (scenario != "plovar")
            QVERIFY2(erreurs.contains("en attente"), qPrintable(erreurs));
    }
}

void TstPublication::evenements() {
    // Ten alarm changes made with the keys while the broker is killed: once it is
    // back, every event of the events file arrives, in order, once after
    // de-duplication on (poste, session, n, type); the samples arrive as ever; the
    // alarm's state is left retained for Home Assistant.
    QTemporaryDir dir;
    const QString enr = dir.filePath(QStringLiteral("r.csv"));
    Courtier courtier(dir.path());
    QVERIFY(courtier.demarre());
    Abonne mesures, evenements;
    QProcess plovar;
    enregistre(plovar, dir.path(), courtier, mesures, evenements,
               {"--alarme-haute", "2.5", "--fichier", enr, "--duree", "24"});
    QVERIFY(plovar.waitForStarted());
    QElapsedTimer montre;
    montre.start();
    const auto attend = [&](int ms) {
        while (montre.elapsed() < ms)
            QTest::qWait(50);
    };
    attend(2000);
    courtier.tue();
    for (int k = 0; k < 10; ++k) {
        plovar.write(k % 2 == 0 ? "+++++" : "-----");
        attend(3000 + 1500 * k);
    }
    QVERIFY(courtier.demarre());
    QVERIFY(plovar.waitForFinished(60'000));
    QCOMPARE(plovar.exitCode(), 0);

    QFile f(files::cheminEvenements(enr));
    QVERIFY(f.open(QIODevice::ReadOnly));
    QList<QStringList> attendus;
    for (const QByteArray& l : f.readAll().split('\n').mid(1))
        if (!l.trimmed().isEmpty())
            attendus << QString::fromUtf8(l.trimmed()).split(';');
    QStringList types;
    for (const QStringList& e : attendus)
        types << e.value(3);
    QCOMPARE(types.count("alarme") + types.count("fin d'alarme"), 10);
    const QList<Ligne> fichier = lignesFichier(enr);

    QList<QJsonObject> uniques;
    QSet<qint64> numeros;
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 30'000) {
        QSet<QString> vus;
        uniques.clear();
        for (const QByteArray& m : evenements.recu.split('\n')) {
            const QJsonObject o = QJsonDocument::fromJson(m).object();
            const QString cle = o.value("poste").toString() + '/' + o.value("session").toString() +
                                '/' + QString::number(o.value("n").toInteger()) + '/' +
                                o.value("type").toString();
            if (!o.isEmpty() && !vus.contains(cle)) {
                vus.insert(cle);
                uniques << o;
            }
        }
        numeros.clear();
        for (const QByteArray& m : mesures.recu.split('\n'))
            if (!m.isEmpty())
                numeros.insert(QJsonDocument::fromJson(m).object().value("n").toInteger());
        if (uniques.size() >= attendus.size() && numeros.size() >= fichier.size())
            break;
        QTest::qWait(200);
    }
    QCOMPARE(uniques.size(), attendus.size());
    for (int k = 0; k < attendus.size(); ++k) {
        const QJsonObject& o = uniques[k];
        QCOMPARE(o.value("type").toString(), attendus[k].value(3));
        QCOMPARE(o.value("texte").toString(), attendus[k].mid(4).join(';'));
        QCOMPARE(o.value("mesure").toInteger(), attendus[k].value(0).toLongLong());
        QCOMPARE(o.value("n").toInteger(), k + 1);
        QCOMPARE(o.value("session").toString(), uniques[0].value("session").toString());
        const QDateTime quand = QDateTime::fromString(
            attendus[k].value(1) + ' ' + attendus[k].value(2), "MM-dd-yyyy HH:mm:ss");
        QCOMPARE(o.value("t_ms").toInteger(),
                 QDateTime(quand.date(), quand.time(), Qt::UTC).toMSecsSinceEpoch());
    }
    // The samples: each of the file once, nothing else.
    QCOMPARE(numeros.size(), fichier.size());
    for (const Ligne& l : fichier)
        QVERIFY(numeros.contains(l.n));
    QCOMPARE(
        retenu(courtier.port, "plovar/banc/alarme"),
        QByteArray(types.lastIndexOf("alarme") > types.lastIndexOf("fin d'alarme") ? "ON" : "OFF"));
    QVERIFY(retenu(courtier.port, "homeassistant/binary_sensor/plovar_banc/config")
                .contains("\"state_topic\":\"plovar/banc/alarme\""));
}

void TstPublication::reprisePeriodes() {
    // An earlier process stopped half-way through a day's file, and the next day's
    // file was never entered: a new run, the day after, sends what is left of both,
    // in order, before its own samples; events go with their files.
    QTemporaryDir dir;
    const auto ecrit = [&](const QString& nom, int de, int a) {
        QFile f(dir.filePath(nom));
        QVERIFY(f.open(QIODevice::Append));
        for (int i = de; i <= a; ++i)
            f.write(QByteArray::number(i) + ";" + QByteArray::number(i) +
                    ";12-07-2026;10:00:" + QByteArray::number(10 + i) + "\r\n");
    };
    ecrit("r_2026-12-01.csv", 1, 5);
    ecrit("r_2026-12-02.csv", 6, 20);
    ecrit("r_2026-12-03.csv", 21, 25);
    {
        QFile e(dir.filePath("r_2026-12-03_evenements.csv"));
        QVERIFY(e.open(QIODevice::WriteOnly));
        e.write("22;12-07-2026;10:00:32;commentaire;vanne ouverte\r\n");
    }
    // Day 1 never published; day 2 acknowledged up to sample 10.
    QFile f(dir.filePath("r_2026-12-02.csv"));
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray contenu = f.readAll();
    qsizetype octet = 0;
    for (int k = 0; k < 5; ++k)
        octet = contenu.indexOf('\n', octet) + 1;
    QVERIFY(publication::ecritCurseur(
        f.fileName(), {octet, 10, QStringLiteral("2026-12-07T10:00:16+00:00"), 0, 0, 0}));
    Courtier courtier(dir.path());
    QVERIFY(courtier.demarre());
    Abonne mesures, evenements;
    QProcess plovar;
    enregistre(plovar, dir.path(), courtier, mesures, evenements,
               {"--fichier", dir.filePath("r.csv"), "--fichier-par", "jour", "--duree", "2"});
    QVERIFY(plovar.waitForFinished(60'000));
    QCOMPARE(plovar.exitCode(), 0);
    QList<qint64> recus;
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 20'000 && !evenements.recu.contains("arr\xc3\xaat"))
        QTest::qWait(100);
    for (const QByteArray& m : mesures.recu.split('\n'))
        if (!m.isEmpty())
            recus << QJsonDocument::fromJson(m).object().value("n").toInteger();
    // 11 to 25 from the earlier files, then the new run from 1.
    QVERIFY2(recus.size() >= 17, qPrintable(QString::number(recus.size())));
    for (int k = 0; k < 15; ++k)
        QCOMPARE(recus[k], k + 11);
    QCOMPARE(recus[15], 1);
    QVERIFY(evenements.recu.startsWith("{\"poste\":\"banc\""));
    QVERIFY(evenements.recu.contains("vanne ouverte"));
    QVERIFY(evenements.recu.indexOf("vanne ouverte") < evenements.recu.indexOf("\"d\xc3\xa9"
                                                                               "but\""));
}

void TstPublication::courtierDuReadme() {
    // The broker configuration the README gives, killed while a persistent reader is
    // away: everything Plovar had sent reaches the reader when it comes back.
    QFile readme(QStringLiteral(PLOVAR_README));
    QVERIFY(readme.open(QIODevice::ReadOnly));
    const QByteArray texte = readme.readAll();
    const qsizetype debut = texte.indexOf("```\n", texte.indexOf("conf.d/plovar.conf"));
    QVERIFY(debut > 0);
    const qsizetype fin = texte.indexOf("```", debut + 4);
    QByteArray conf;
    for (const QByteArray& l : texte.mid(debut + 4, fin - debut - 4).split('\n'))
        if (!l.startsWith("listener") && !l.startsWith("password_file"))
            conf += l + '\n';
    QVERIFY(conf.contains("persistence true"));
    QTemporaryDir dir;
    const QString enr = dir.filePath(QStringLiteral("r.csv"));
    {
        QFile f(enr);
        QVERIFY(f.open(QIODevice::WriteOnly));
        for (int i = 1; i <= 200; ++i)
            f.write(QByteArray::number(i) + ";" + QByteArray::number(i % 256) +
                    ";12-07-2026;10:" + QByteArray::number(10 + i / 60) + ":" +
                    QByteArray::number(10 + i % 50) + "\r\n");
    }
    Courtier courtier(dir.path(), {});
    {
        // The test's own listener and folder; the README's persistence settings.
        QFile c(courtier.conf);
        QVERIFY(c.open(QIODevice::WriteOnly | QIODevice::Truncate));
        c.write("listener " + QByteArray::number(courtier.port) +
                " 127.0.0.1\nallow_anonymous true\npersistence_location " + dir.path().toUtf8() +
                "/\nuser " + QByteArray(::getpwuid(::getuid())->pw_name) + "\n" + conf);
    }
    QVERIFY(courtier.demarre());
    {
        // The reader subscribes, then goes away; its session stays.
        Abonne abonne;
        abonne.demarre(courtier.port);
        QTest::qWait(500);
    }
    QProcess plovar;
    plovar.setProcessEnvironment(environnement(dir.path()));
    plovar.start(QString::fromLocal8Bit(qgetenv("PLOVAR_BIN")),
                 {"--republier", enr, "--mqtt", QStringLiteral("127.0.0.1:%1").arg(courtier.port),
                  "--poste", "banc", "--config", dir.filePath("plovar.cfg")});
    QVERIFY(plovar.waitForFinished(60'000));
    QCOMPARE(plovar.exitCode(), 0); // every sample acknowledged
    // The broker saves just after it acknowledges, not before: its last save first.
    QTest::qWait(1000);
    courtier.tue();
    QVERIFY(courtier.demarre());
    Abonne revenu;
    revenu.demarre(courtier.port);
    QTRY_COMPARE_WITH_TIMEOUT(revenu.recu.count('\n'), 200, 20'000);
}

void TstPublication::sansLecture() {
    // No board: the samples stand for no reading. None is published with a number,
    // the retained value stays what it was, and a replay of the file says the same.
    QTemporaryDir dir;
    const QString enr = dir.filePath(QStringLiteral("r.csv"));
    const QString bin = QString::fromLocal8Bit(qgetenv("PLOVAR_BIN"));
    Courtier courtier(dir.path());
    QVERIFY(courtier.demarre());
    QProcess pub;
    pub.start(QStringLiteral("mosquitto_pub"),
              {"-h", "127.0.0.1", "-p", QString::number(courtier.port), "-r", "-t",
               "plovar/banc/valeur", "-m", "42"});
    QVERIFY(pub.waitForFinished(10'000));
    Abonne abonne;
    abonne.demarre(courtier.port);
    QTest::qWait(300);
    QProcess plovar;
    plovar.setProcessEnvironment(environnement(dir.path()));
    plovar.start(bin, {"--enregistrer", "--silencieux", "--source", "1", "--mqtt",
                       QStringLiteral("127.0.0.1:%1").arg(courtier.port), "--poste", "banc",
                       "--fichier", enr, "--config", dir.filePath("plovar.cfg"), "--duree", "3"});
    QVERIFY(plovar.waitForFinished(30'000));
    QCOMPARE(plovar.exitCode(), 4);
    const qsizetype nombre = lignesFichier(enr).size();
    QVERIFY(nombre >= 3);
    const auto verifie = [&](qsizetype attendus) {
        QTRY_COMPARE_WITH_TIMEOUT(abonne.recu.count('\n'), attendus, 20'000);
        for (const QByteArray& m : abonne.recu.split('\n')) {
            if (m.isEmpty())
                continue;
            const QJsonObject o = QJsonDocument::fromJson(m).object();
            QVERIFY2(o.value("valeur").isNull() && o.value("brut").isNull() &&
                         o.value("lu") == QJsonValue(false),
                     m.constData());
        }
        QCOMPARE(retenu(courtier.port, "plovar/banc/valeur"), QByteArray("42"));
    };
    verifie(nombre);
    plovar.start(bin,
                 {"--republier", enr, "--mqtt", QStringLiteral("127.0.0.1:%1").arg(courtier.port),
                  "--poste", "banc", "--config", dir.filePath("plovar.cfg")});
    QVERIFY(plovar.waitForFinished(30'000));
    QCOMPARE(plovar.exitCode(), 0);
    verifie(2 * nombre);
}

void TstPublication::remplace_data() {
    QTest::addColumn<QString>("cas");
    QTest::newRow("mêmes longueurs") << "longueurs";
    QTest::newRow("raccourci avant le curseur") << "raccourci";
    QTest::newRow("autre série sous le même nom") << "serie";
}

void TstPublication::remplace() {
    // A record file published up to its cursor, then replaced while Plovar is
    // stopped: at the next start every line of the new file reaches the broker.
    QFETCH(QString, cas);
    QTemporaryDir dir;
    const QString enr = dir.filePath(QStringLiteral("r.csv"));
    const QString bin = QString::fromLocal8Bit(qgetenv("PLOVAR_BIN"));
    Courtier courtier(dir.path());
    QVERIFY(courtier.demarre());
    Abonne abonne;
    abonne.demarre(courtier.port);
    QTest::qWait(300);
    const auto ecrit = [&](const QByteArray& annee, int debut, int nombre) {
        QFile f(enr);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        for (int i = 1; i <= nombre; ++i)
            f.write(QByteArray::number(i) + ";1" + QByteArray::number(i % 10) + ";12-07-" + annee +
                    ";10:" + QByteArray::number(10 + (debut + i) / 60) + ':' +
                    QByteArray::number(10 + (debut + i) % 60 % 50) + "\r\n");
    };
    ecrit("2026", 0, 20);
    QProcess plovar;
    plovar.setProcessEnvironment(environnement(dir.path()));
    const QStringList args{"--enregistrer", "--silencieux",
                           "--mqtt",        QStringLiteral("127.0.0.1:%1").arg(courtier.port),
                           "--poste",       "banc",
                           "--fichier",     enr,
                           "--config",      dir.filePath("plovar.cfg"),
                           "--duree",       "2.5"};
    // The keys of every sample of the file: its run's first date and time, its number.
    const auto cles = [&] {
        QSet<QString> r;
        QString session;
        qint64 precedent = 0;
        for (const Ligne& l : lignesFichier(enr)) {
            if (session.isEmpty() || l.n <= precedent)
                session = QString::fromLatin1(l.date.mid(6, 4) + '-' + l.date.left(2) + '-' +
                                              l.date.mid(3, 2) + 'T' + l.heure) +
                          "+00:00";
            precedent = l.n;
            r.insert(session + '/' + QString::number(l.n));
        }
        return r;
    };
    const auto recues = [&] {
        QSet<QString> r;
        for (const QByteArray& m : abonne.recu.split('\n')) {
            const QJsonObject o = QJsonDocument::fromJson(m).object();
            if (!o.isEmpty())
                r.insert(o.value("session").toString() + '/' +
                         QString::number(o.value("n").toInteger()));
        }
        return r;
    };
    const auto toutRecu = [&] {
        const QSet<QString> attendu = cles();
        QTRY_VERIFY_WITH_TIMEOUT(recues().contains(attendu), 20'000);
    };
    plovar.start(bin, args);
    QVERIFY(plovar.waitForFinished(30'000));
    QCOMPARE(plovar.exitCode(), 0);
    toutRecu();
    QVERIFY(QFile::exists(publication::cheminCurseur(enr)));

    const QList<Ligne> avant = lignesFichier(enr);
    if (cas == "longueurs") {
        // Every line as long as before, none the same.
        QFile f(enr);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QByteArray contenu = f.readAll();
        f.close();
        contenu.replace("-2026;", "-2025;");
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(contenu);
    } else if (cas == "raccourci") {
        QVERIFY(QFile::resize(enr, 26 * 9));
    } else {
        QVERIFY(QFile::rename(enr, enr + ".ancien"));
        ecrit("2025", 7, avant.size() + 5);
    }
    plovar.start(bin, args);
    QVERIFY(plovar.waitForFinished(30'000));
    QCOMPARE(plovar.exitCode(), 0);
    toutRecu();
    // Said on standard error, with the reason.
    const QByteArray erreurs = plovar.readAllStandardError();
    QVERIFY2(erreurs.contains("tout le fichier est renvoy"), erreurs.constData());
    if (cas == "longueurs")
        QVERIFY2(erreurs.contains("n'est plus celui"), erreurs.constData());
}

void TstPublication::horloge() {
    // The publisher's delays on its own clock, which the test moves: reconnection,
    // the time allowed to a connection, the wait for acknowledgements, the catch-up.
    QTemporaryDir dir;
    qint64 t = 1000;
    const auto monotone = [&t] { return t; };
    publication::ReglagePublication r;
    r.actif = true;
    r.hote = QStringLiteral("127.0.0.1");
    r.poste = QStringLiteral("horloge");
    {
        // Nobody listens: tries again after 1, 2, 4, then every 4 seconds.
        r.port = portLibre();
        publication::Publieur p(r, monotone);
        p.demarre();
        QCOMPARE(p.tentatives(), 1);
        for (const int delai : {1000, 2000, 4000, 4000}) {
            QTRY_VERIFY_WITH_TIMEOUT(p.bilan().texte.contains(QStringLiteral("nouvel essai")),
                                     5000);
            const int avant = p.tentatives();
            t += delai - 1;
            p.tic();
            QCOMPARE(p.tentatives(), avant);
            t += 1;
            p.tic();
            QCOMPARE(p.tentatives(), avant + 1);
        }
        p.arrete();
    }
    {
        // A listener that takes the connection and never answers: given up after ten
        // seconds, said, and tried again.
        const int s = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        QCOMPARE(::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
        QCOMPARE(::listen(s, 4), 0);
        socklen_t l = sizeof a;
        ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &l);
        const auto ferme = qScopeGuard([s] { ::close(s); });
        r.port = ntohs(a.sin_port);
        publication::Publieur p(r, monotone);
        p.demarre();
        QTest::qWait(200);
        t += publication::Publieur::kDelaiConnexionMs - 1;
        p.tic();
        QCOMPARE(p.bilan().etat, publication::EtatPublieur::Connexion);
        QVERIFY(!p.bilan().texte.contains(QStringLiteral("ne répond pas")));
        QCOMPARE(p.bilan().attenteConnexionMs, publication::Publieur::kDelaiConnexionMs - 1);
        t += 1;
        p.tic();
        QVERIFY2(p.bilan().texte.contains(QStringLiteral("ne répond pas (aucune réponse en 10 s)")),
                 qPrintable(p.bilan().texte));
        QCOMPARE(p.tentatives(), 1);
        t += 1000;
        p.tic();
        QCOMPARE(p.tentatives(), 2);
        p.arrete();
    }
    // A real broker: 1000 samples on disk, 100 a second at most.
    Courtier courtier(dir.path());
    QVERIFY(courtier.demarre());
    const QString enr = dir.filePath(QStringLiteral("r.csv"));
    QByteArray lignes;
    for (int i = 1; i <= 1000; ++i)
        lignes += QByteArray::number(i) + ";5;12-07-2026;" +
                  QTime(10, 0).addSecs(i).toString("HH:mm:ss").toLatin1() + "\r\n";
    QVERIFY(test::ecritFichier(enr, lignes));
    r.port = courtier.port;
    r.cadenceRejeu = 100;
    publication::Publieur p(r, monotone);
    p.suitFichier(enr, false);
    p.demarre();
    QTRY_COMPARE_WITH_TIMEOUT(p.bilan().etat, publication::EtatPublieur::Connecte, 10'000);
    // A fifth of a second's worth at once, then ten for each tenth of a second.
    QCOMPARE(p.envoyes(), 20);
    for (int k = 1; k <= 5; ++k) {
        t += 100;
        p.tic();
        QCOMPARE(p.envoyes(), 20 + 10 * k);
    }
    QTRY_COMPARE_WITH_TIMEOUT(p.bilan().acquittes, 70, 10'000);
    QCOMPARE(p.bilan().attenteAcquittementMs, 0);
    // The broker stops answering: the wait for the acknowledgement is on the clock.
    signale(courtier.p, SIGSTOP);
    t += 100;
    p.tic();
    QCOMPARE(p.envoyes(), 80);
    t += 6000;
    p.tic();
    QCOMPARE(p.envoyes(), 100);
    QCOMPARE(p.bilan().attenteAcquittementMs, 6000);
    QCOMPARE(p.bilan().enAttente, 930);
    signale(courtier.p, SIGCONT);
    QTRY_COMPARE_WITH_TIMEOUT(p.bilan().acquittes, 100, 10'000);
    p.arrete();
}

void TstPublication::sansReponse_data() {
    QTest::addColumn<QString>("cas");
    QTest::newRow("nom") << "nom";
    QTest::newRow("tls gelé") << "tls";
}

void TstPublication::sansReponse() {
    // A name server that never answers, or a broker frozen during the TLS handshake:
    // the recording keeps its pace, one sample a second, and ends on time.
    QFETCH(QString, cas);
    if (::geteuid() != 0 || QStandardPaths::findExecutable(QStringLiteral("unshare")).isEmpty())
        QSKIP("needs root and unshare for a private mount namespace");
    QTemporaryDir dir;
    const QString enr = dir.filePath(QStringLiteral("r.csv"));
    const QString bin = QString::fromLocal8Bit(qgetenv("PLOVAR_BIN"));
    QStringList args{"--enregistrer",
                     "--source",
                     "0",
                     "--fichier",
                     enr,
                     "--config",
                     dir.filePath("plovar.cfg"),
                     "--duree",
                     "20",
                     "--poste",
                     "muet"};
    QProcess plovar;
    QProcessEnvironment env = environnement(dir.path());
    std::unique_ptr<Courtier> courtier;
    int muet = -1;
    const auto fermeMuet = qScopeGuard([&muet] {
        if (muet >= 0)
            ::close(muet);
    });
    if (cas == "nom") {
        // Queries reach a socket that reads and drops them.
        muet = ::socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(53);
        a.sin_addr.s_addr = inet_addr("127.83.0.1");
        QCOMPARE(::bind(muet, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
        QVERIFY(test::ecritFichier(dir.filePath("resolv.conf"),
                                   "nameserver 127.83.0.1\noptions timeout:5 attempts:2\n"));
        args << "--mqtt"
             << "courtier.example:1883";
        args.prepend(bin);
        args = QStringList{"-m",
                           "--",
                           "sh",
                           "-c",
                           "mount --bind \"$0\" /etc/resolv.conf && exec \"$@\"",
                           dir.filePath("resolv.conf")} +
               args;
        plovar.setProcessEnvironment(env);
        plovar.start(QStringLiteral("unshare"), args);
    } else {
        const auto openssl = [&](const QStringList& a) { return lanceOpenssl(dir.path(), a); };
        QVERIFY(openssl({"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "ca.key",
                         "-out", "ca.pem", "-days", "2", "-subj", "/CN=localhost"}));
        courtier = std::make_unique<Courtier>(
            dir.path(), "cafile " + dir.filePath("ca.pem").toUtf8() + "\ncertfile " +
                            dir.filePath("ca.pem").toUtf8() + "\nkeyfile " +
                            dir.filePath("ca.key").toUtf8() + "\n");
        QVERIFY(courtier->demarre());
        signale(courtier->p, SIGSTOP);
        QVERIFY(test::ecritFichier(dir.filePath("plovar.ini"),
                                   "[publication]\nca=" + dir.filePath("ca.pem").toUtf8() + "\n"));
        args << "--mqtt" << QStringLiteral("localhost:%1").arg(courtier->port);
        plovar.setProcessEnvironment(env);
        plovar.start(bin, args);
    }
    QElapsedTimer montre;
    montre.start();
    QVERIFY(plovar.waitForStarted());
    QVERIFY(plovar.waitForFinished(60'000));
    const qint64 duree = montre.elapsed();
    const QString erreurs = QString::fromLocal8Bit(plovar.readAllStandardError());
    if (courtier)
        signale(courtier->p, SIGCONT);
    QCOMPARE(plovar.exitStatus(), QProcess::NormalExit);
    QVERIFY2(plovar.exitCode() == 0, qPrintable(erreurs));
    // Twenty samples, a second apart, none missing.
    const QList<Ligne> fichier = lignesFichier(enr);
    QCOMPARE(fichier.size(), 20);
    for (int k = 1; k < fichier.size(); ++k) {
        const QDateTime a = QDateTime::fromString(
            QString::fromLatin1(fichier[k - 1].date + ' ' + fichier[k - 1].heure),
            "MM-dd-yyyy HH:mm:ss");
        const QDateTime b = QDateTime::fromString(
            QString::fromLatin1(fichier[k].date + ' ' + fichier[k].heure), "MM-dd-yyyy HH:mm:ss");
        QCOMPARE(a.secsTo(b), 1);
        QCOMPARE(fichier[k].n, fichier[k - 1].n + 1);
    }
    QVERIFY2(erreurs.contains(cas == "nom" ? "est inconnu" : "ne répond pas"), qPrintable(erreurs));
    QVERIFY2(erreurs.contains("restent à publier"), qPrintable(erreurs));
    // The run ends soon after its twenty seconds, whatever the publisher is waiting for.
    QVERIFY2(duree < 40'000, qPrintable(QString::number(duree)));
}

void TstPublication::fenetre() {
    // The window publishes what it records; a broker killed and back loses nothing,
    // and the banner tells the truth meanwhile.
    test::Banc b;
    Courtier courtier(b.dir.path());
    QVERIFY(courtier.demarre());
    Abonne abonne;
    abonne.demarre(courtier.port);
    app::Enregistreur& f = b.demarre();
    publication::ReglagePublication r;
    r.actif = true;
    r.hote = QStringLiteral("127.0.0.1");
    r.port = courtier.port;
    r.poste = QStringLiteral("fenetre");
    QString erreur;
    QVERIFY(f.publication()->applique(r, &erreur));
    QTRY_COMPARE_WITH_TIMEOUT(f.publication()->bilan().etat, publication::EtatPublieur::Connecte,
                              10'000);
    f.CmdRecord_Click();
    const auto mesures = [&](int n) {
        for (int k = 0; k < n; ++k) {
            f.Timer1_Timer();
            b.horloge.avance(1);
        }
    };
    mesures(5);
    QTRY_COMPARE_WITH_TIMEOUT(abonne.recu.count('\n'), 5, 10'000);
    courtier.tue();
    mesures(5);
    QTRY_VERIFY_WITH_TIMEOUT(f.alerte().contains(QStringLiteral("Publication")), 15'000);
    QVERIFY2(f.alerte().contains(QStringLiteral("en attente")), qPrintable(f.alerte()));
    QVERIFY(courtier.demarre());
    QTRY_COMPARE_WITH_TIMEOUT(abonne.recu.count('\n') >= 10, true, 20'000);
    QTRY_VERIFY_WITH_TIMEOUT(f.alerte().isEmpty(), 15'000);
    f.CmdRecord_Click();
    QList<qint64> n;
    for (const QByteArray& m : abonne.recu.split('\n'))
        if (!m.isEmpty())
            n << QJsonDocument::fromJson(m).object().value("n").toInteger();
    n.erase(std::unique(n.begin(), n.end()), n.end());
    QCOMPARE(n, (QList<qint64>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    // The dialog shows the same state.
    f.menuPublication_Click();
    QVERIFY(f.dialoguePublication());
    QVERIFY(f.dialoguePublication()->etat()->text().contains(QStringLiteral("connecté")));
}

QTEST_MAIN(TstPublication)
#include "tst_publication.moc"
