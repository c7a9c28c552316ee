#include "AccesMoteur.h"
#include "Factices.h"
#include "files/FichierSourceTexte.h"
#include "settings/GestionReglages.h"
#include "sources/BibliothequeCarte.h"
#include "sources/LecteurLignes.h"
#include "sources/LecteurTrames.h"
#include "sources/SourceCarte.h"
#include "sources/SourceClavier.h"
#include "sources/SourceSerie.h"
#include "sources/SourceTexte.h"
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
    void lignes_data();
    void lignes();
    void lecteurLignes_data();
    void lecteurLignes();
    void texteLectures();
    void texteDebrancheRebranche();
    void texteReglages();
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

void TstSources::lignes_data() {
    QTest::addColumn<QByteArray>("etiquette");
    QTest::addColumn<QByteArray>("ligne");
    QTest::addColumn<bool>("lisible");
    QTest::addColumn<double>("valeur");
    QTest::newRow("decimal point") << QByteArray() << QByteArray("21.5") << true << 21.5;
    QTest::newRow("decimal comma") << QByteArray() << QByteArray("21,5") << true << 21.5;
    QTest::newRow("whole number") << QByteArray() << QByteArray("512") << true << 512.0;
    QTest::newRow("sign and exponent") << QByteArray() << QByteArray("-1.5e-3") << true << -0.0015;
    QTest::newRow("plus sign, spaces") << QByteArray() << QByteArray("  +7\t ") << true << 7.0;
    QTest::newRow("leading dot") << QByteArray() << QByteArray(".5") << true << 0.5;
    QTest::newRow("one word first") << QByteArray() << QByteArray("Temp: 21.5 C") << true << 21.5;
    QTest::newRow("first of pairs") << QByteArray() << QByteArray("t:21.5 h:40") << true << 21.5;
    QTest::newRow("percent sign") << QByteArray() << QByteArray("40%") << true << 40.0;
    QTest::newRow("degree sign") << QByteArray()
                                 << QByteArray("21.5\xc2\xb0"
                                               "C")
                                 << true << 21.5;
    QTest::newRow("label, spaces") << QByteArray("t") << QByteArray("h:40 t:21.5") << true << 21.5;
    QTest::newRow("label, commas") << QByteArray("t") << QByteArray("t:21.5,h:40") << true << 21.5;
    QTest::newRow("label, equals") << QByteArray("h") << QByteArray("t=21.5,h=40") << true << 40.0;
    QTest::newRow("label, comma value")
        << QByteArray("t") << QByteArray("t: 21,5;h:40") << true << 21.5;
    QTest::newRow("label inside a word")
        << QByteArray("t") << QByteArray("st:3 t:4") << true << 4.0;
    QTest::newRow("label absent") << QByteArray("p") << QByteArray("t:21.5 h:40") << false << 0.0;
    QTest::newRow("label without value") << QByteArray("t") << QByteArray("t:abc") << false << 0.0;
    // Start-up banners of common boards: numbers inside words are no readings.
    QTest::newRow("banner rom") << QByteArray() << QByteArray("ESP-ROM:esp32s3-20210327") << false
                                << 0.0;
    QTest::newRow("banner reset") << QByteArray()
                                  << QByteArray(
                                         "rst:0x1 (POWERON_RESET),boot:0x8 (SPI_FAST_FLASH_BOOT)")
                                  << false << 0.0;
    QTest::newRow("banner date") << QByteArray() << QByteArray("ets Jul 29 2019 12:21:46") << false
                                 << 0.0;
    QTest::newRow("banner words") << QByteArray() << QByteArray("Arduino ready v1.2") << false
                                  << 0.0;
    QTest::newRow("unit glued") << QByteArray() << QByteArray("21.5C") << false << 0.0;
    QTest::newRow("noise bytes") << QByteArray()
                                 << QByteArray("\xff\xfe"
                                               "21")
                                 << false << 0.0;
    QTest::newRow("cut UTF-8") << QByteArray() << QByteArray("21 \xc2") << false << 0.0;
    QTest::newRow("control byte") << QByteArray() << QByteArray("2\x01") << false << 0.0;
    QTest::newRow("NUL byte") << QByteArray() << QByteArray("21\0", 3) << false << 0.0;
    QTest::newRow("no digit") << QByteArray() << QByteArray("-.") << false << 0.0;
    QTest::newRow("out of range") << QByteArray() << QByteArray("1e999") << false << 0.0;
    QTest::newRow("not a number") << QByteArray() << QByteArray("nan") << false << 0.0;
    QTest::newRow("too many digits") << QByteArray() << QByteArray(80, '7') << false << 0.0;
}

void TstSources::lignes() {
    QFETCH(QByteArray, etiquette);
    QFETCH(QByteArray, ligne);
    QFETCH(bool, lisible);
    QFETCH(double, valeur);
    const std::optional<double> v = sources::LecteurLignes::valeurLigne(ligne, etiquette);
    QCOMPARE(v.has_value(), lisible);
    if (v)
        QCOMPARE(*v, valeur);
}

void TstSources::lecteurLignes_data() {
    QTest::addColumn<QList<QByteArray>>("morceaux");
    QTest::addColumn<double>("derniere");
    QTest::addColumn<int>("lues");
    QTest::addColumn<int>("refusees");
    // Bytes as the port hands them over, cut anywhere.
    QTest::newRow("CR LF") << QList<QByteArray>{"21.5\r\n22\r\n"} << 22.0 << 2 << 0;
    QTest::newRow("CR only") << QList<QByteArray>{"1\r2\r3\r"} << 3.0 << 3 << 0;
    QTest::newRow("cut in a number") << QList<QByteArray>{"2", "1.", "5\r", "\n"} << 21.5 << 1 << 0;
    QTest::newRow("no end yet") << QList<QByteArray>{"21\n", "22"} << 21.0 << 1 << 0;
    QTest::newRow("blank lines") << QList<QByteArray>{"\n\n  \n7\n"} << 7.0 << 1 << 0;
    QTest::newRow("banner between")
        << QList<QByteArray>{"5\n", "ets Jul 29 2019\nload:0x3fce3808,len:0x44c\n", "6\n"} << 6.0
        << 2 << 2;
    QTest::newRow("1 MB without an end")
        << QList<QByteArray>{"8\n", QByteArray(1 << 20, '9'), "\n9\n"} << 9.0 << 2 << 1;
    QTest::newRow("noise at a wrong speed")
        << QList<QByteArray>{QByteArray("\x80\xf8\x00\xfe\n\x1c\n", 7), "3\n"} << 3.0 << 1 << 2;
}

void TstSources::lecteurLignes() {
    QFETCH(QList<QByteArray>, morceaux);
    QFETCH(double, derniere);
    QFETCH(int, lues);
    QFETCH(int, refusees);
    sources::LecteurLignes l;
    qint64 instant = 1000;
    for (const QByteArray& m : morceaux)
        l.ajoute(m, instant++);
    QVERIFY(l.derniere());
    QCOMPARE(l.derniere()->valeur, derniere);
    QCOMPARE(l.nbLues(), qint64(lues));
    QCOMPARE(l.nbRefusees(), qint64(refusees));
    // A refused line is shown printable, and short.
    QVERIFY(l.derniereRefusee().size() <= 40);
    for (const char c : l.derniereRefusee())
        QVERIFY(c >= 0x20 && c < 0x7f);
}

namespace {

// A text-line board on a pseudo-terminal behind a link, chosen in plovar.ini as a
// user's earlier choice would have left it.
struct BancTexte {
    std::unique_ptr<Pty> pty = std::make_unique<Pty>();
    Banc b{kConfigSerie};
    QString lien = b.chemin(QStringLiteral("carte"));
    BancTexte() {
        QFile::link(pty->esclave, lien);
        core::ReglageTexte r;
        r.port = lien;
        r.vitesse = 115200;
        r.etiquette = QStringLiteral("t");
        // The configuration says the serial instrument: the text source is used
        // only when it says test mode.
        test::ecritFichier(b.chemin(QStringLiteral("plovar.cfg")), "\"X\",\"a.csv\",1,0,3600\r\n");
        files::ecritSourceTexte(b.chemin(QStringLiteral("plovar.ini")), r, true);
    }
    void envoie(app::Enregistreur& f, const QByteArray& lignes) {
        pty->envoie(lignes);
        laisseArriver();
        f.TimerValActu_Timer();
    }
    void rebranche() {
        pty = std::make_unique<Pty>();
        QFile::remove(lien);
        QFile::link(pty->esclave, lien);
    }
};

} // namespace

void TstSources::texteLectures() {
    BancTexte t;
    Banc& b = t.b;
    app::Enregistreur& f = b.demarre();
    QCOMPARE(f.moteur().source().type(), sources::TypeSource::Texte);
    f.TimerValActu_Timer();
    QCOMPARE(f.ui().Label3->text(), QStringLiteral("---"));
    t.envoie(f, "ESP-ROM:esp32s3-20210327\r\nt:21.5 h:40\r\n");
    QCOMPARE(f.ui().Label3->text(), QStringLiteral("21,5"));
    QVERIFY2(f.alerte().contains(QStringLiteral("1 ligne(s) illisible(s)")),
             qPrintable(f.alerte()));
    f.CmdRecord_Click();
    // A line in the second before the sample: a reading.
    b.horloge.avance(1);
    t.envoie(f, "t:21.6 h:40\r\n");
    f.Timer1_Timer();
    // A line that came while no display tick ran is read by the sample itself.
    b.horloge.avance(1);
    t.pty->envoie("t:21.7 h:41\r\n");
    laisseArriver();
    f.Timer1_Timer();
    // Then 3 s of silence: no reading, and the display shows none.
    for (int k = 0; k < 3; ++k) {
        b.horloge.avance(1);
        f.Timer1_Timer();
    }
    f.TimerValActu_Timer();
    QCOMPARE(f.ui().Label3->text(), QStringLiteral("---"));
    // A line again.
    b.horloge.avance(1);
    t.envoie(f, "t:22 h:40\r\n");
    f.Timer1_Timer();
    f.CmdRecord_Click();
    const QList<QByteArray> l = b.lit(QStringLiteral("a.csv")).split('\n');
    QCOMPARE(l.size(), 7);
    const char* attendu[] = {"1;21.6;", "2;21.7;", "3;21.7;", "4;21.7;", "5;21.7;", "6;22;"};
    for (int k = 0; k < 6; ++k)
        QVERIFY2(l[k].startsWith(attendu[k]), l[k].constData());
    // Sample 3 comes 1 s after the last line: still a reading. Samples 4 and 5 stand
    // for none; the events say where.
    const QByteArray ev = b.lit(QStringLiteral("a_evenements.csv"));
    QVERIFY2(ev.contains("ne donne plus de mesure"), ev.constData());
    bool perdue = false, revenue = false;
    for (const QByteArray& e : ev.split('\n')) {
        perdue = perdue || (e.startsWith("3;") && e.contains(";source perdue;La source (lignes"));
        revenue = revenue || (e.startsWith("5;") && e.contains(";source revenue;"));
    }
    QVERIFY2(perdue && revenue, ev.constData());
}

void TstSources::texteDebrancheRebranche() {
    BancTexte t;
    Banc& b = t.b;
    app::Enregistreur& f = b.demarre();
    t.envoie(f, "t:20\n");
    f.CmdRecord_Click();
    b.horloge.avance(1);
    t.envoie(f, "t:21\n");
    f.Timer1_Timer();
    // Unplugged: the port closes by itself and says so.
    t.pty.reset();
    laisseArriver();
    f.TimerValActu_Timer();
    QVERIFY2(f.alerte().contains(QStringLiteral("non ouvert")), qPrintable(f.alerte()));
    for (int k = 0; k < 3; ++k) {
        b.horloge.avance(1);
        f.TimerValActu_Timer();
        f.Timer1_Timer();
    }
    // Back, on another device node behind the same link: opened again within 2 s.
    t.rebranche();
    b.horloge.avance(2);
    f.TimerValActu_Timer();
    QVERIFY2(!f.alerte().contains(QStringLiteral("non ouvert")), qPrintable(f.alerte()));
    t.envoie(f, "t:25\n");
    b.horloge.avance(1);
    f.Timer1_Timer();
    f.CmdRecord_Click();
    const QList<QByteArray> l = b.lit(QStringLiteral("a.csv")).split('\n');
    QVERIFY2(l.size() == 6, b.lit(QStringLiteral("a.csv")).constData());
    QVERIFY2(l[0].startsWith("1;21;"), l[0].constData());
    QVERIFY2(l[4].startsWith("5;25;"), l[4].constData());
    // Lost when the port closed (after sample 1), back with sample 5.
    const QByteArray ev = b.lit(QStringLiteral("a_evenements.csv"));
    QVERIFY2(ev.contains("\n1;11-08-2006;14:05:10;source perdue;Port s\xc3\xa9rie"),
             ev.constData());
    QVERIFY2(ev.contains("\n4;11-08-2006;14:05:16;source revenue;"), ev.constData());
}

void TstSources::texteReglages() {
    Banc b{QByteArray("\"X\",\"a.csv\",1,2,3600\r\n")};
    app::Enregistreur& f = b.demarre();
    QCOMPARE(f.moteur().source().type(), sources::TypeSource::Serie);
    core::ReglageTexte r;
    r.port = b.chemin(QStringLiteral("absent"));
    r.vitesse = 12;
    b.dialogues.sourcesTexte = {r};
    // Refused with the reason; nothing changes.
    f.menuSourceTexte_Click();
    QCOMPARE(b.dialogues.avertissements.size(), 1);
    QVERIFY(b.dialogues.avertissements[0].contains(QStringLiteral("vitesse")));
    QCOMPARE(f.moteur().source().type(), sources::TypeSource::Serie);
    // Accepted: in force at once, absent port told; the configuration says test mode
    // (what an older Plovar understands), plovar.ini remembers the board.
    r.vitesse = 2000000;
    b.dialogues.sourcesTexte = {r};
    f.menuSourceTexte_Click();
    QCOMPARE(f.moteur().source().type(), sources::TypeSource::Texte);
    QVERIFY2(f.alerte().contains(QStringLiteral("le port n'existe pas")), qPrintable(f.alerte()));
    QVERIFY(b.lit(QStringLiteral("plovar.cfg")).contains(",1,0,"));
    const files::LectureSourceTexte lu =
        files::lisSourceTexte(b.chemin(QStringLiteral("plovar.ini")));
    QVERIFY(lu.active);
    QCOMPARE(lu.reglage, r);
    // The next start takes it again; choosing a designed source forgets it.
    app::Enregistreur& f2 = b.demarre();
    QCOMPARE(f2.moteur().source().type(), sources::TypeSource::Texte);
    QVERIFY(settings::Option2_Click(f2.moteur(), 1, true));
    QVERIFY(!files::lisSourceTexte(b.chemin(QStringLiteral("plovar.ini"))).active);
    QVERIFY(b.lit(QStringLiteral("plovar.cfg")).contains(",1,1,"));
}

QTEST_MAIN(TstSources)
#include "tst_sources.moc"
