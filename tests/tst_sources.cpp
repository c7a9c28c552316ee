#include "AccesMoteur.h"
#include "Factices.h"
#include "settings/GestionReglages.h"
#include "sources/BibliothequeCarte.h"
#include "sources/LecteurTrames.h"
#include "sources/SourceCarte.h"
#include "sources/SourceClavier.h"
#include "sources/SourceSerie.h"
#ifdef PLOVAR_HIDAPI
#include "sources/PiloteHid.h"
#endif
#include "sources/Usb.h"

#include <QBuffer>
#include <QFile>
#include <QLibrary>
#include <QTest>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

using test::Banc;

namespace {

// The board stand-in's own controls.
struct Factice {
    QLibrary lib{QString::fromLocal8Bit(qgetenv("PLOVAR_LIBCARTE"))};
    void lectures(std::initializer_list<long> v) {
        std::vector<long> t(v);
        reinterpret_cast<void (*)(const long*, int)>(lib.resolve("factice_lectures"))(
            t.data(), int(t.size()));
    }
    void ouverture(long r) {
        reinterpret_cast<void (*)(long)>(lib.resolve("factice_ouverture"))(r);
    }
    QString journal() {
        return QString::fromLatin1(
                   reinterpret_cast<const char* (*)()>(lib.resolve("factice_journal"))())
            .trimmed();
    }
    void efface() { reinterpret_cast<void (*)()>(lib.resolve("factice_efface"))(); }
};

// One end of a pseudo-terminal: the instrument's side.
struct Pty {
    int maitre = -1;
    QString esclave;
    Pty() {
        maitre = posix_openpt(O_RDWR | O_NOCTTY);
        grantpt(maitre);
        unlockpt(maitre);
        esclave = QString::fromLatin1(ptsname(maitre));
    }
    ~Pty() { ferme(); }
    void ferme() {
        if (maitre >= 0)
            ::close(maitre);
        maitre = -1;
    }
    void envoie(const QByteArray& b) {
        QCOMPARE(::write(maitre, b.constData(), size_t(b.size())), ssize_t(b.size()));
    }
    bool aRecu() {
        pollfd p{maitre, POLLIN, 0};
        return ::poll(&p, 1, 0) > 0 && (p.revents & POLLIN);
    }
};

// The bytes reach the slave side through the kernel without any waiting on our side
// beyond what the terminal layer needs.
void laisseArriver() {
    for (int k = 0; k < 20; ++k)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

// The instrument sends bytes (given in hex) and the display tick polls the port.
void recoit(Pty& pty, app::Enregistreur& f, const char* hex) {
    pty.envoie(QByteArray::fromHex(hex));
    laisseArriver();
    f.TimerValActu_Timer();
}

/// Configuration selecting the serial source.
const QByteArray kConfigSerie = "\"X\",\"a.csv\",1,2,3600\r\n";

class PiloteFaux : public sources::PiloteCarte {
public:
    QStringList* journal;
    bool ouverture = false;
    explicit PiloteFaux(QStringList* j) : journal(j) {}
    bool ouvre(long a) override {
        *journal << QStringLiteral("Open(%1)").arg(a);
        return ouverture;
    }
    std::optional<int> litEntree1() override {
        *journal << "Read";
        return 42;
    }
    void ferme() override { *journal << "Close"; }
};

} // namespace

class TstSources : public QObject {
    Q_OBJECT
private slots:
    void carteAppels();
    void carteLectures();
    void carteChangementSource();
    void carteAbsente();
    void carteReprise();
#ifdef PLOVAR_HIDAPI
    void rapportHid_data();
    void rapportHid();
#endif
    void serieTrame();
    void serieTropOctets();
    void serieTroisPuisUn();
    void serieBascule();
    void serieRienEnvoye();
    void serieDemarrageUneOuverture();
    void serieDisparueEtRevenue();
    void serieAbsente();
    void trames_data();
    void trames();
    void interfaceSource_data();
    void interfaceSource();
};

void TstSources::trames_data() {
    QTest::addColumn<QByteArray>("recu");
    QTest::addColumn<bool>("videAvant");
    QTest::addColumn<QByteArray>("ensuite");
    QTest::addColumn<int>("lecture"); // -1: no reading
    QTest::newRow("exactly four bytes")
        << QByteArray::fromHex("10208030") << false << QByteArray() << 0x80;
    QTest::newRow("fewer: waits") << QByteArray::fromHex("1020") << false << QByteArray() << -1;
    QTest::newRow("fewer, then the rest")
        << QByteArray::fromHex("1020") << false << QByteArray::fromHex("ff00") << 0xff;
    QTest::newRow("more: none") << QByteArray::fromHex("0102030405") << false << QByteArray() << -1;
    QTest::newRow("flushed, then a frame")
        << QByteArray::fromHex("010203040506") << true << QByteArray::fromHex("000064ff") << 100;
}

void TstSources::trames() {
    // The frame rule on any device: here a buffer, written as the instrument would.
    QFETCH(QByteArray, recu);
    QFETCH(bool, videAvant);
    QFETCH(QByteArray, ensuite);
    QFETCH(int, lecture);
    QBuffer tampon;
    QVERIFY(tampon.open(QIODevice::ReadWrite));
    const auto envoie = [&tampon](const QByteArray& octets) {
        const qint64 lu = tampon.pos();
        tampon.seek(tampon.size());
        tampon.write(octets);
        tampon.seek(lu);
    };
    sources::LecteurTrames lecteur(&tampon);
    envoie(recu);
    if (videAvant)
        lecteur.vide_buffer();
    std::optional<int> lu = lecteur.lit_port();
    if (!ensuite.isEmpty()) {
        if (!videAvant)
            QVERIFY(!lu); // an incomplete frame is no reading
        envoie(ensuite);
        lu = lecteur.lit_port();
    }
    QCOMPARE(lu.value_or(-1), lecture);
}

void TstSources::interfaceSource_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("brute");
    QTest::addColumn<QString>("valeur");
    QTest::addColumn<bool>("lecture");
    QTest::addColumn<QString>("probleme");
    // Each source through the one interface: a reading when there is one, the value
    // it stands for, and what is wrong.
    QTest::newRow("test keys") << 0 << -7 << "-7" << true << "";
    QTest::newRow("board absent") << 1 << 128 << "501" << false << "introuvable";
    QTest::newRow("serial port absent") << 2 << 255 << "999" << false << "non ouvert";
}

void TstSources::interfaceSource() {
    QFETCH(int, type);
    QFETCH(int, brute);
    QFETCH(QString, valeur);
    QFETCH(bool, lecture);
    QFETCH(QString, probleme);
    QTemporaryDir dir;
    int16_t valeurTest = -7;
    std::unique_ptr<sources::Source> s;
    switch (type) {
    case 0:
        s = std::make_unique<sources::SourceClavier>(&valeurTest);
        break;
    case 1:
        s = std::make_unique<sources::SourceCarte>(QStringList{dir.filePath("absente.so")},
                                                   sources::Usb::FabriquePilote(),
                                                   [] { return qint64(0); });
        break;
    default:
        s = std::make_unique<sources::SourceSerie>(dir.filePath("pas-de-port"));
        break;
    }
    QCOMPARE(int(s->type()), type);
    QCOMPARE(sources::typeSource(type), s->type());
    s->ouvre();
    const std::optional<int> lu = s->lit();
    QCOMPARE(lu.has_value(), lecture);
    if (lu)
        QCOMPARE(*lu, brute);
    QCOMPARE(s->valeur(brute).texte(), valeur);
    QCOMPARE(s->connueSansLecture(), type == 0);
    if (probleme.isEmpty())
        QVERIFY(s->probleme().isEmpty());
    else
        QVERIFY2(s->probleme().contains(probleme), qPrintable(s->probleme()));
    s->ferme();
    QVERIFY(!sources::typeSource(4));
}

void TstSources::carteAppels() {
    Factice fx;
    QVERIFY2(fx.lib.load(), qPrintable(fx.lib.errorString()));
    fx.efface();
    fx.ouverture(3);
    Banc b(QByteArray("\"X\",\"a.csv\",1,1,3600\r\n"));
    b.bibliotheques = {fx.lib.fileName()};
    app::Enregistreur& f = b.demarre();
    QCOMPARE(fx.journal(), QStringLiteral("Open(3)"));
    fx.efface();
    f.TimerValActu_Timer();
    f.TimerValActu_Timer();
    QCOMPARE(fx.journal(), QStringLiteral("Open(3) Read Close Open(3) Read Close"));
}

void TstSources::carteLectures() {
    Factice fx;
    QVERIFY(fx.lib.load());
    fx.ouverture(3);
    fx.lectures({0, 255, 128});
    Banc b(QByteArray("\"X\",\"a.csv\",1,1,3600\r\n"));
    b.bibliotheques = {fx.lib.fileName()};
    app::Enregistreur& f = b.demarre();
    f.TimerValActu_Timer();
    QCOMPARE(f.ui().Label3->text(), QStringLiteral("0"));
    f.TimerValActu_Timer();
    QCOMPARE(f.ui().Label3->text(), QStringLiteral("999"));
    f.CmdRecord_Click();
    f.Timer1_Timer();
    f.CmdRecord_Click();
    QCOMPARE(b.lit(QStringLiteral("a.csv")), QByteArray("1;999;11-08-2006;14:05:09\r\n"));
    f.TimerValActu_Timer();
    QCOMPARE(f.ui().Label3->text(), QStringLiteral("501"));
}

void TstSources::carteChangementSource() {
    Factice fx;
    QVERIFY(fx.lib.load());
    fx.ouverture(3);
    Banc b(QByteArray("\"X\",\"a.csv\",1,1,3600\r\n"));
    b.bibliotheques = {fx.lib.fileName()};
    app::Enregistreur& f = b.demarre();
    f.TimerValActu_Timer();
    settings::Option2_Click(f.moteur(), 0, false);
    fx.efface();
    f.TimerValActu_Timer();
    f.TimerValActu_Timer();
    QCOMPARE(fx.journal(), QString());
}

void TstSources::carteAbsente() {
    Banc b(QByteArray("\"X\",\"a.csv\",1,1,3600\r\n"));
    app::Enregistreur& f = b.demarre();
    // A board that never answered shows no value, not a 0.
    f.TimerValActu_Timer();
    QCOMPARE(f.ui().Label3->text(), QStringLiteral("---"));
    test::AccesMoteur::valeurBrute(f.moteur(), 100);
    f.TimerValActu_Timer();
    f.TimerValActu_Timer();
    QCOMPARE(f.moteur().ValeurBrute(), double(100));
    QCOMPARE(f.ui().Label3->text(), QStringLiteral("392"));
}

void TstSources::carteReprise() {
    QStringList journal;
    qint64 maintenant = 0;
    PiloteFaux* faux = nullptr;
    sources::Usb usb(
        {QStringLiteral("/nulle-part/libk8055.so")},
        [&] {
            auto p = std::make_unique<PiloteFaux>(&journal);
            faux = p.get();
            return p;
        },
        [&] { return maintenant; });
    usb.ouvre_carte();
    QCOMPARE(usb.lit_carte(), std::nullopt);
    QCOMPARE(journal, (QStringList{"Open(3)", "Close"}));
    QVERIFY(!usb.carteOuverte());
    // No call at all for the next few seconds.
    for (int k = 0; k < 5; ++k) {
        maintenant += 500;
        usb.ouvre_carte();
        QCOMPARE(usb.lit_carte(), std::nullopt);
    }
    QCOMPARE(journal.size(), 2);
    // The board is plugged in: the next try after the pause reads it.
    faux->ouverture = true;
    maintenant += 500;
    usb.ouvre_carte();
    QCOMPARE(usb.lit_carte(), std::optional<int>(42));
    QCOMPARE(journal.mid(2), (QStringList{"Open(3)", "Read", "Close"}));
    QVERIFY(usb.carteOuverte());
}

#ifdef PLOVAR_HIDAPI
void TstSources::rapportHid_data() {
    QTest::addColumn<QByteArray>("rapport");
    QTest::addColumn<int>("a1");
    QTest::addColumn<int>("a2");
    QTest::newRow("idle board") << QByteArray::fromHex("0003000000000000") << 0 << 0;
    QTest::newRow("full scale") << QByteArray::fromHex("1003ff8000000000") << 255 << 128;
    QTest::newRow("mid") << QByteArray::fromHex("00037f0100ff0102") << 127 << 1;
    QTest::newRow("short") << QByteArray::fromHex("000380") << -1 << -1;
}

void TstSources::rapportHid() {
    QFETCH(QByteArray, rapport);
    QFETCH(int, a1);
    QFETCH(int, a2);
    const auto v = sources::decodeRapport(reinterpret_cast<const uint8_t*>(rapport.constData()),
                                          size_t(rapport.size()));
    if (a1 < 0) {
        QVERIFY(!v);
        return;
    }
    QVERIFY(v);
    QCOMPARE(v->first, a1);
    QCOMPARE(v->second, a2);
}

#endif

void TstSources::serieTrame() {
    Pty pty;
    Banc b(kConfigSerie, pty.esclave);
    app::Enregistreur& f = b.demarre();
    QVERIFY(f.moteur().rs232().estOuvert());
    QVERIFY(f.moteur().TimerVideBufferRS().isActive());
    // Nothing received yet: no value, and a silent instrument is told after a while.
    f.TimerValActu_Timer();
    QCOMPARE(f.ui().Label3->text(), QStringLiteral("---"));
    QVERIFY(!f.alerte().contains(QStringLiteral("Aucune mesure reçue")));
    b.horloge.avance(10);
    f.TimerValActu_Timer();
    QVERIFY2(f.alerte().contains(QStringLiteral("Aucune mesure reçue")), qPrintable(f.alerte()));
    recoit(pty, f, "10208030");
    QVERIFY(!f.alerte().contains(QStringLiteral("Aucune mesure reçue")));
    QCOMPARE(f.moteur().ValeurBrute(), double(128));
    QCOMPARE(f.ui().Label3->text(), QStringLiteral("501"));
    QCOMPARE(f.moteur().rs232().BufferRS(), QByteArray::fromHex("10208030"));
}

void TstSources::serieTropOctets() {
    Pty pty;
    Banc b(kConfigSerie, pty.esclave);
    app::Enregistreur& f = b.demarre();
    test::AccesMoteur::valeurBrute(f.moteur(), 5);
    recoit(pty, f, "0102030405060708");
    f.TimerValActu_Timer();
    QCOMPARE(f.moteur().ValeurBrute(), double(5));
    f.TimerVideBufferRS_Timer();
    recoit(pty, f, "000064ff");
    QCOMPARE(f.moteur().ValeurBrute(), double(100));
}

void TstSources::serieTroisPuisUn() {
    Pty pty;
    Banc b(kConfigSerie, pty.esclave);
    app::Enregistreur& f = b.demarre();
    recoit(pty, f, "aabbcc");
    QCOMPARE(f.moteur().ValeurBrute(), double(0));
    recoit(pty, f, "dd");
    QCOMPARE(f.moteur().ValeurBrute(), double(0xcc));
}

void TstSources::serieBascule() {
    Pty pty;
    Banc b(kConfigSerie, pty.esclave);
    app::Enregistreur& f = b.demarre();
    settings::Option2_Click(f.moteur(), 1, false);
    QVERIFY(!f.moteur().rs232().estOuvert());
    QVERIFY(!f.moteur().TimerVideBufferRS().isActive());
    settings::Option2_Click(f.moteur(), 2, false);
    QVERIFY(f.moteur().rs232().estOuvert());
    QVERIFY(f.moteur().TimerVideBufferRS().isActive());
    settings::Option2_Click(f.moteur(), 2, false);
    QVERIFY(f.moteur().rs232().estOuvert());
    recoit(pty, f, "00002a00");
    QCOMPARE(f.moteur().ValeurBrute(), double(42));
    settings::Option2_Click(f.moteur(), 0, false);
    QVERIFY(!f.moteur().rs232().estOuvert());
}

void TstSources::serieRienEnvoye() {
    Pty pty;
    {
        Banc b(kConfigSerie, pty.esclave);
        app::Enregistreur& f = b.demarre();
        f.CmdRecord_Click();
        for (int k = 0; k < 3; ++k) {
            recoit(pty, f, "01020304");
            b.horloge.avance(1);
            f.Timer1_Timer();
            f.TimerVideBufferRS_Timer();
        }
        f.CmdRecord_Click();
        QCOMPARE(b.lit(QStringLiteral("a.csv")).count('\n'), 3);
        QVERIFY(b.lit(QStringLiteral("a.csv")).startsWith("1;11;"));
    }
    QVERIFY(!pty.aRecu());
}

void TstSources::serieDemarrageUneOuverture() {
    Pty pty;
    Banc b(kConfigSerie, pty.esclave);
    app::Enregistreur& f = b.demarre();
    // A second open on the same port would have failed on its lock; one open, no problem.
    QVERIFY(f.moteur().rs232().estOuvert());
    QVERIFY(f.moteur().rs232().probleme().isEmpty());
    QVERIFY(f.alerte().isEmpty());
}

void TstSources::serieDisparueEtRevenue() {
    auto pty = std::make_unique<Pty>();
    Banc b;
    const QString lien = b.chemin(QStringLiteral("com1"));
    QVERIFY(QFile::link(pty->esclave, lien));
    QVERIFY(
        test::ecritFichier(b.chemin(QStringLiteral("plovar.cfg")), "\"X\",\"a.csv\",1,2,3600\r\n"));
    b.portSerie = lien;
    app::Enregistreur& f = b.demarre();
    QVERIFY(f.moteur().rs232().estOuvert());
    f.CmdRecord_Click();
    recoit(*pty, f, "00001400");
    b.horloge.avance(1);
    f.Timer1_Timer();
    // The adapter is unplugged: the port is closed after a bounded number of reports.
    pty.reset();
    laisseArriver();
    const int erreurs = f.moteur().rs232().nbErreurs();
    QVERIFY(!f.moteur().rs232().estOuvert());
    QVERIFY2(erreurs >= 1 && erreurs <= 3, qPrintable(QString::number(erreurs)));
    laisseArriver();
    QCOMPARE(f.moteur().rs232().nbErreurs(), erreurs);
    QVERIFY(f.alerte().contains(QStringLiteral("COM1")));
    // Recording goes on with the last reading.
    f.TimerValActu_Timer();
    b.horloge.avance(1);
    f.Timer1_Timer();
    QVERIFY(f.enregistrement());
    // It comes back (on a new device node): the flush timer reopens it.
    pty = std::make_unique<Pty>();
    QFile::remove(lien);
    QVERIFY(QFile::link(pty->esclave, lien));
    f.TimerVideBufferRS_Timer();
    QVERIFY(f.moteur().rs232().estOuvert());
    QVERIFY(f.alerte().isEmpty());
    recoit(*pty, f, "00003200");
    b.horloge.avance(1);
    f.Timer1_Timer();
    f.CmdRecord_Click();
    const QList<QByteArray> l = b.lit(QStringLiteral("a.csv")).split('\n');
    QCOMPARE(l.size(), 4);
    QVERIFY(l[0].startsWith("1;78;"));
    QVERIFY(l[1].startsWith("2;78;"));
    QVERIFY(l[2].startsWith("3;196;"));
}

void TstSources::serieAbsente() {
    Banc b(kConfigSerie, QStringLiteral("/dev/plovar-absent"));
    app::Enregistreur& f = b.demarre();
    QVERIFY(!f.moteur().rs232().estOuvert());
    QCOMPARE(int(f.moteur().reglages().TypeSource), 2);
    QVERIFY(f.moteur().TimerVideBufferRS().isActive());
    QVERIFY(f.alerte().contains(QStringLiteral("non ouvert")));
    QVERIFY(b.dialogues.avertissements.isEmpty());
    f.TimerVideBufferRS_Timer();
    QVERIFY(!f.moteur().rs232().estOuvert());
    // Leaving the serial source takes the notice away.
    settings::Option2_Click(f.moteur(), 0, false);
    QVERIFY(f.alerte().isEmpty());
}

QTEST_MAIN(TstSources)
#include "tst_sources.moc"
