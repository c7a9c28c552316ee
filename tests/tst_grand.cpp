#include "Factices.h"
#include "app/Enregistreur.h"
#include "app/FenetreGrand.h"
#include "files/InstantsEnr.h"
#include "graph/Cadrage.h"
#include "graph/Chronologie.h"
#include "graph/Graduations.h"
#include "graph/RenduGrand.h"

#include <QBuffer>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSvgGenerator>
#include <QTest>
#include <QXmlStreamReader>
#include <chrono>
#include <thread>

using test::Banc;

class TstGrand : public QObject {
    Q_OBJECT
private slots:
    void graduationsTemps_data();
    void graduationsTemps();
    void graduationsValeur_data();
    void graduationsValeur();
    void cadrage_data();
    void cadrage();
    void instantsLus_data();
    void instantsLus();
    void ruptures();
    void fichierPendantEnregistrement();
    void exportPendantLecture();
    void imagePdf();
    void deposeRecentsQuitter();
};

namespace {

const QTimeZone kParis("Europe/Paris");

qint64 paris(const QString& texte) {
    return QDateTime::fromString(texte, QStringLiteral("yyyy-MM-dd HH:mm:ss"))
        .toTimeZone(kParis)
        .toMSecsSinceEpoch();
}

qint64 utc(const QString& texte) {
    QDateTime d = QDateTime::fromString(texte, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    d.setTimeSpec(Qt::UTC);
    return d.toMSecsSinceEpoch();
}

} // namespace

void TstGrand::graduationsTemps_data() {
    QTest::addColumn<qint64>("de");
    QTest::addColumn<qint64>("a");
    QTest::addColumn<QString>("pas");
    QTest::addColumn<QString>("textes");
    QTest::addColumn<QString>("dates");
    // Spans from 10 s to 40 days over 1800 pixels, labels at least 110 pixels apart.
    QTest::newRow("10 s") << utc("2026-12-07 11:00:00") << utc("2026-12-07 11:00:10") << "1 s"
                          << "12:00:00 12:00:01 12:00:02 12:00:03 12:00:04 12:00:05 12:00:06 "
                             "12:00:07 12:00:08 12:00:09 12:00:10"
                          << "07/12/2026";
    QTest::newRow("3 min") << utc("2026-12-07 11:00:05") << utc("2026-12-07 11:03:00") << "15 s"
                           << "12:00:15 12:00:30 12:00:45 12:01:00 12:01:15 12:01:30 12:01:45 "
                              "12:02:00 12:02:15 12:02:30 12:02:45 12:03:00"
                           << "07/12/2026";
    // 02:00 does not exist on the last Sunday of March: 01:00 is followed by 03:00.
    QTest::newRow("printemps") << utc("2026-03-29 00:00:00") << utc("2026-03-29 04:00:00")
                               << "15 min"
                               << "01:00 01:15 01:30 01:45 03:00 03:15 03:30 03:45 04:00 04:15 "
                                  "04:30 04:45 05:00 05:15 05:30 05:45 06:00"
                               << "29/03/2026 UTC+02:00";
    // The hour from 02:00 to 03:00 occurs twice on the last Sunday of October.
    QTest::newRow("automne") << utc("2026-10-24 23:00:00") << utc("2026-10-25 03:00:00") << "15 min"
                             << "01:00 01:15 01:30 01:45 02:00 02:15 02:30 02:45 02:00 02:15 "
                                "02:30 02:45 03:00 03:15 03:30 03:45 04:00"
                             << "25/10/2026 UTC+02:00 UTC+01:00";
    // Within the hour that occurs twice, its first time says which it is.
    QTest::newRow("automne, second 02:00")
        << utc("2026-10-25 01:05:00") << utc("2026-10-25 01:40:00") << "5 min"
        << "02:05 02:10 02:15 02:20 02:25 02:30 02:35 02:40"
        << "25/10/2026 UTC+01:00";
    QTest::newRow("jour") << utc("2026-12-07 05:30:00") << utc("2026-12-08 05:30:00") << "2 h"
                          << "08:00 10:00 12:00 14:00 16:00 18:00 20:00 22:00 00:00 02:00 04:00 "
                             "06:00"
                          << "07/12/2026 08/12/2026";
    QTest::newRow("nouvel an") << utc("2026-12-25 12:00:00") << utc("2027-01-06 12:00:00") << "1 j"
                               << "26/12 27/12 28/12 29/12 30/12 31/12 01/01 02/01 03/01 04/01 "
                                  "05/01 06/01"
                               << "2026 2027";
    // Weeks start on Mondays (5, 12, 19 and 26 October, 2 and 9 November 2026).
    QTest::newRow("40 jours") << utc("2026-10-01 00:00:00") << utc("2026-11-10 00:00:00") << "7 j"
                              << "05/10 12/10 19/10 26/10 02/11 09/11"
                              << "2026";
}

void TstGrand::graduationsTemps() {
    QFETCH(qint64, de);
    QFETCH(qint64, a);
    QFETCH(QString, pas);
    QFETCH(QString, textes);
    QFETCH(QString, dates);
    const graph::PasTemps p = graph::choisitPasTemps(double(a - de) / 1800, 110);
    const QString unites[] = {QStringLiteral("s"), QStringLiteral("min"), QStringLiteral("h"),
                              QStringLiteral("j")};
    QCOMPARE(QStringLiteral("%1 %2").arg(p.nombre).arg(unites[int(p.unite)]), pas);
    const std::vector<graph::GraduationTemps> g = graph::graduationsTemps(de, a, p, kParis);
    QStringList t, d;
    for (size_t k = 0; k < g.size(); ++k) {
        t << g[k].texte;
        if (!g[k].date.isEmpty())
            d << g[k].date;
        QVERIFY(g[k].instantMs >= de && g[k].instantMs <= a);
        // Always forward in time, whatever the wall clock shows.
        if (k > 0)
            QVERIFY(g[k].instantMs > g[k - 1].instantMs);
    }
    QCOMPARE(t.join(' '), textes);
    QCOMPARE(d.join(' '), dates);
    // The hour shown twice says which of the two it is.
    if (QTest::currentDataTag() == QByteArray("automne")) {
        QCOMPARE(graph::texteInstant(g[5].instantMs, kParis),
                 QStringLiteral("25/10/2026 02:15:00 (UTC+02:00)"));
        QCOMPARE(graph::texteInstant(g[9].instantMs, kParis),
                 QStringLiteral("25/10/2026 02:15:00 (UTC+01:00)"));
        QCOMPARE(graph::texteInstant(g[0].instantMs, kParis),
                 QStringLiteral("25/10/2026 01:00:00"));
    }
}

void TstGrand::graduationsValeur_data() {
    QTest::addColumn<double>("lo");
    QTest::addColumn<double>("hi");
    QTest::addColumn<double>("hauteur");
    QTest::addColumn<QString>("unite");
    QTest::addColumn<QString>("textes");
    QTest::newRow("brut 0 à 1000") << 0.0 << 1000.0 << 700.0 << ""
                                   << "0 100 200 300 400 500 600 700 800 900 1000";
    QTest::newRow("°C décimales") << -0.3 << 0.25 << 500.0 << "°C"
                                  << "-0,5 °C -0,4 °C -0,3 °C -0,2 °C -0,1 °C 0,0 °C 0,1 °C 0,2 °C "
                                     "0,3 °C 0,4 °C";
    QTest::newRow("valeur constante") << 12.0 << 12.0 << 400.0 << "%"
                                      << "11,5 % 11,6 % 11,7 % 11,8 % 11,9 % 12,0 % 12,1 % 12,2 % "
                                         "12,3 % 12,4 % 12,5 %";
    QTest::newRow("grands nombres") << 20000.0 << 32767.0 << 300.0 << "Pa"
                                    << "20000 Pa 22000 Pa 24000 Pa 26000 Pa 28000 Pa 30000 Pa "
                                       "32000 Pa";
}

void TstGrand::graduationsValeur() {
    QFETCH(double, lo);
    QFETCH(double, hi);
    QFETCH(double, hauteur);
    QFETCH(QString, unite);
    QFETCH(QString, textes);
    const auto [bas, haut] = graph::plageValeurs(lo, hi);
    QVERIFY(bas < std::min(lo, hi) && haut > std::max(lo, hi));
    const double pas = graph::choisitPasValeur(haut - bas, hauteur);
    // At least 40 pixels between graduations, and not twice as many as needed.
    QVERIFY(pas / (haut - bas) * hauteur >= 40 - 1e-9);
    QVERIFY(pas / (haut - bas) * hauteur < 40 * 5 + 1e-9);
    QStringList t;
    for (const graph::GraduationValeur& g : graph::graduationsValeur(bas, haut, pas, unite))
        t << g.texte;
    QCOMPARE(t.join(' '), textes);
}

void TstGrand::cadrage_data() {
    QTest::addColumn<QString>("geste");
    QTest::addColumn<double>("debut");
    QTest::addColumn<double>("largeur");
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("y");
    QTest::addColumn<double>("debutAttendu");
    QTest::addColumn<double>("largeurAttendue");
    // A run of samples 1 to 1001, at least 4 across.
    QTest::newRow("zoom autour du quart")
        << "zoom" << 1.0 << 1000.0 << 0.25 << 2.0 << 126.0 << 500.0;
    QTest::newRow("zoom au bord droit") << "zoom" << 1.0 << 1000.0 << 1.0 << 4.0 << 751.0 << 250.0;
    QTest::newRow("zoom jusqu'à 4") << "zoom" << 501.0 << 10.0 << 0.5 << 100.0 << 504.0 << 4.0;
    QTest::newRow("dézoom plus que tout")
        << "zoom" << 400.0 << 100.0 << 0.5 << 0.001 << 1.0 << 1000.0;
    QTest::newRow("dézoom près du début") << "zoom" << 11.0 << 100.0 << 0.9 << 0.5 << 1.0 << 200.0;
    QTest::newRow("sélection à l'envers")
        << "selection" << 101.0 << 200.0 << 0.75 << 0.25 << 151.0 << 100.0;
    QTest::newRow("sélection étroite")
        << "selection" << 101.0 << 200.0 << 0.5 << 0.505 << 199.5 << 4.0;
    QTest::newRow("sélection hors du cadre")
        << "selection" << 101.0 << 200.0 << -0.5 << 2.0 << 101.0 << 200.0;
    QTest::newRow("aller près de la fin")
        << "centre" << 1.0 << 100.0 << 995.0 << 0.0 << 901.0 << 100.0;
    QTest::newRow("aller au milieu") << "centre" << 1.0 << 100.0 << 500.0 << 0.0 << 450.0 << 100.0;
    QTest::newRow("page après la fin")
        << "decale" << 850.0 << 100.0 << 1.0 << 0.0 << 901.0 << 100.0;
    QTest::newRow("page avant le début")
        << "decale" << 50.0 << 100.0 << -1.0 << 0.0 << 1.0 << 100.0;
}

void TstGrand::cadrage() {
    QFETCH(QString, geste);
    QFETCH(double, debut);
    QFETCH(double, largeur);
    QFETCH(double, x);
    QFETCH(double, y);
    QFETCH(double, debutAttendu);
    QFETCH(double, largeurAttendue);
    const graph::Limites l{1, 1001, 4};
    const graph::Cadrage c{debut, largeur};
    graph::Cadrage r;
    if (geste == "zoom") {
        r = graph::zoomAutour(c, x, y, l);
        // The point under the pointer stays there, unless an edge of the run stops it.
        const double pivot = c.debut + x * c.largeur;
        if (r.debut > l.premier && r.fin() < l.dernier)
            QCOMPARE(r.debut + x * r.largeur, pivot);
    } else if (geste == "selection") {
        r = graph::selection(c, x, y, l);
    } else if (geste == "centre") {
        r = graph::centreSur(c, x, l);
    } else {
        r = graph::decale(c, x, l);
    }
    QCOMPARE(r.debut, debutAttendu);
    QCOMPARE(r.largeur, largeurAttendue);
}

void TstGrand::instantsLus_data() {
    QTest::addColumn<QStringList>("lignes");
    QTest::addColumn<QStringList>("attendus"); // UTC, "" for none
    // Each line is "date heure" as a record file writes them, read in order.
    QTest::newRow("heure d'hiver, deux passages")
        << QStringList{"10-25-2026 01:59:59", "10-25-2026 02:00:00", "10-25-2026 02:59:59",
                       "10-25-2026 02:00:00", "10-25-2026 02:30:00", "10-25-2026 03:00:00"}
        << QStringList{"2026-10-24 23:59:59", "2026-10-25 00:00:00", "2026-10-25 00:59:59",
                       "2026-10-25 01:00:00", "2026-10-25 01:30:00", "2026-10-25 02:00:00"};
    QTest::newRow("heure d'été, l'heure sautée")
        << QStringList{"03-29-2026 01:59:59", "03-29-2026 03:00:00", "03-29-2026 02:30:00"}
        << QStringList{"2026-03-29 00:59:59", "2026-03-29 01:00:00", "2026-03-29 01:30:00"};
    QTest::newRow("dates impossibles")
        << QStringList{"02-29-2026 12:00:00", "02-29-2028 12:00:00", "13-01-2026 00:00:00",
                       "12-07-2026 24:00:00", "12-07-2026 1:00:00",  "12/07/2026 10:00:00"}
        << QStringList{"", "2028-02-29 11:00:00", "", "", "", ""};
}

void TstGrand::instantsLus() {
    QFETCH(QStringList, lignes);
    QFETCH(QStringList, attendus);
    files::InstantsEnr instants(kParis);
    for (int k = 0; k < lignes.size(); ++k) {
        const QByteArray date = lignes[k].section(' ', 0, 0).toLatin1();
        const QByteArray heure = lignes[k].section(' ', 1, 1).toLatin1();
        const std::optional<qint64> u = instants.utcMs(date, heure);
        if (attendus[k].isEmpty())
            QVERIFY2(!u, qPrintable(lignes[k]));
        else
            QCOMPARE(u.value_or(-1), utc(attendus[k]));
    }
}

void TstGrand::ruptures() {
    // Two runs; in the second the clock stops for an hour, then is set back.
    core::Magasin m;
    const qint64 t0 = paris("2026-12-07 10:00:00");
    qint64 t = t0;
    for (int i = 1; i <= 10; ++i, t += 1000)
        m.ajouteLigne(i, "x", t);
    m.debuteSerie();
    for (int i = 1; i <= 10; ++i, t += 1000)
        m.ajouteLigne(i, "x", i == 6 ? (t += 3'600'000) : t);
    t -= 120'000;
    for (int i = 11; i <= 15; ++i, t += 1000)
        m.ajouteLigne(i, "x", t);
    graph::Chronologie c;
    // Looked at in two goes, as samples arrive.
    for (int k = 1; k <= 2; ++k) {
        c.actualise(m);
        QString genres;
        for (const graph::Rupture& r : c.ruptures())
            genres += QStringLiteral("%1:%2 ").arg(r.index).arg(int(r.genre));
        QCOMPARE(genres, QStringLiteral("11:0 16:1 21:2 "));
    }
    QCOMPARE(c.nbSeries(), 2);
    QCOMPARE(c.serie(10), 1);
    QCOMPARE(c.serie(25), 2);
    QCOMPARE(c.troncon(18), (std::pair<qint64, qint64>(16, 20)));
    // A date inside a stretch; inside the stop (the stretch after the clock was set
    // back begins soonest after it); after everything.
    QCOMPARE(c.indexA(m, t0 + 3500).value_or(-1), 5);
    QCOMPARE(c.indexA(m, t0 + 1'800'000).value_or(-1), 21);
    QVERIFY(!c.indexA(m, t + 10'000'000));
    m.vide();
    m.ajouteLigne(1, "x", t0);
    c.actualise(m);
    QVERIFY(c.ruptures().empty());
    QCOMPARE(c.nbSeries(), 1);
}

void TstGrand::fichierPendantEnregistrement() {
    Banc b;
    app::Enregistreur& f = b.demarre();
    // Yesterday's file: 3,000 lines over two runs.
    QByteArray hier = "N\xB0Record;Valeur;Date;Time\r\n";
    for (int i = 1; i <= 3000; ++i) {
        const int n = i <= 1000 ? i : i - 1000;
        hier += QByteArray::number(n) + ';' + QByteArray::number(i % 200) + ";12-06-2026;" +
                QTime(8, 0).addSecs(i).toString("HH:mm:ss").toLatin1() + "\r\n";
    }
    const QString chemin = b.chemin(QStringLiteral("hier.csv"));
    QVERIFY(test::ecritFichier(chemin, hier));

    f.CmdRecord_Click();
    for (int k = 0; k < 5; ++k) {
        f.Timer1_Timer();
        b.horloge.avance(1);
    }
    f.montreGrapheEnGrand();
    app::FenetreGrand* g = f.grapheEnGrand();
    QVERIFY(g);
    QCOMPARE(&g->magasin(), &f.moteur().magasin());
    QSignalSpy lu(g, &app::FenetreGrand::fichierLu);
    b.dialogues.fichiers.push_back(chemin);
    g->ouvre(chemin);
    // The recording goes on while the file is read.
    for (int k = 0; k < 5; ++k) {
        f.Timer1_Timer();
        b.horloge.avance(1);
    }
    QVERIFY(lu.wait(10000));
    QCOMPARE(lu.at(0).at(0).toBool(), true);
    QVERIFY(g->fichierPropre());
    QCOMPARE(g->magasin().NbMesures(), 3000);
    QCOMPARE(g->magasin().valeur(1500), 1500 % 200);
    for (int k = 0; k < 5; ++k) {
        f.Timer1_Timer();
        b.horloge.avance(1);
    }
    // The engine's store and record file hold the recording alone.
    QCOMPARE(f.moteur().magasin().NbMesures(), 15);
    QVERIFY(!f.moteur().magasin().donneesChargees);
    QCOMPARE(f.moteur().etat(), engine::Etat::Enregistrement);
    const QList<QByteArray> lignes = b.lit(QStringLiteral("data_tr.csv")).split('\n');
    QCOMPARE(lignes.size(), 16);
    QVERIFY(lignes[14].startsWith("15;"));
    QVERIFY(lignes[14].contains(";11-08-2006;14:05:23"));

    // "Aller à" 08:30:00 of the file: its second run (the first ends at 08:16:40).
    b.dialogues.dates.push_back(QDateTime(QDate(2026, 12, 6), QTime(8, 30)));
    g->graphe()->setCadrage({1, 100});
    QVERIFY(g->allerA());
    const graph::Cadrage c = g->graphe()->cadrage();
    QCOMPARE(c.debut + c.largeur / 2, 1800.0);
    QVERIFY(g->graphe()->lecture(g->graphe()->width() / 2.0).contains("série 2 sur 2"));

    // Back to the recording.
    g->suitMoteur();
    QCOMPARE(&g->magasin(), &f.moteur().magasin());
    QCOMPARE(g->graphe()->visibles(), (std::pair<qint64, qint64>(1, 15)));
    f.CmdRecord_Click();
}

void TstGrand::exportPendantLecture() {
    // An export of the window's own file while another file it reads comes in: the
    // export walks the file it began with to the end, the window then shows the new one.
    Banc b;
    app::Enregistreur& f = b.demarre();
    QByteArray grand, petit;
    for (int i = 1; i <= 60000; ++i)
        grand += QByteArray::number(i) + ';' + QByteArray::number(i % 997) + ";12-06-2026;" +
                 QTime(0, 0).addSecs(i).toString("HH:mm:ss").toLatin1() + "\r\n";
    for (int i = 1; i <= 10; ++i)
        petit +=
            QByteArray::number(i) + ";999;12-07-2026;10:00:0" + QByteArray::number(i % 10) + "\r\n";
    QVERIFY(test::ecritFichier(b.chemin(QStringLiteral("grand.csv")), grand));
    QVERIFY(test::ecritFichier(b.chemin(QStringLiteral("petit.csv")), petit));
    f.montreGrapheEnGrand();
    app::FenetreGrand* g = f.grapheEnGrand();
    QSignalSpy lu(g, &app::FenetreGrand::fichierLu);
    g->ouvre(b.chemin(QStringLiteral("grand.csv")));
    QVERIFY(lu.wait(20000));
    g->graphe()->setCadrage({1, 60000});
    // The small file is read while nothing handles events: its end waits in the queue
    // and arrives during the export's first pause.
    g->ouvre(b.chemin(QStringLiteral("petit.csv")));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const QString sortie = b.chemin(QStringLiteral("export.csv"));
    QVERIFY(g->exportePartieAffichee(sortie));
    QCOMPARE(lu.size(), 2);
    QCOMPARE(g->magasin().NbMesures(), 10);
    QFile e(sortie);
    QVERIFY(e.open(QIODevice::ReadOnly));
    const QByteArray contenu = e.readAll();
    const QList<QByteArray> lignes = contenu.split('\n');
    QCOMPARE(lignes.size(), 60000 + 2); // header, rows, and the empty end
    QVERIFY(lignes[1].startsWith("1;"));
    QVERIFY(lignes[60000].startsWith("60000;"));
    QVERIFY(!contenu.contains("2026-07-12"));
}

namespace {

struct Mot {
    QRectF boite;
    QString texte;
};

// The words `pdftotext -bbox` finds on the first page, in points.
std::vector<Mot> motsPdf(const QString& pdf) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"),
            {QStringLiteral("-bbox"), QStringLiteral("-f"), QStringLiteral("1"),
             QStringLiteral("-l"), QStringLiteral("1"), pdf, QStringLiteral("-")});
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return {};
    std::vector<Mot> mots;
    QXmlStreamReader xml(p.readAllStandardOutput());
    while (xml.readNextStartElement() || !xml.atEnd()) {
        if (!xml.isStartElement() || xml.name() != QStringLiteral("word"))
            continue;
        const auto a = xml.attributes();
        const QPointF p0(a.value(QStringLiteral("xMin")).toDouble(),
                         a.value(QStringLiteral("yMin")).toDouble());
        const QPointF p1(a.value(QStringLiteral("xMax")).toDouble(),
                         a.value(QStringLiteral("yMax")).toDouble());
        mots.push_back({QRectF(p0, p1), xml.readElementText()});
    }
    return mots;
}

// The texts of an SVG drawing.
QStringList textesSvg(const QByteArray& svg) {
    QStringList textes;
    QXmlStreamReader xml(svg);
    while (!xml.atEnd())
        if (xml.readNext() == QXmlStreamReader::StartElement &&
            xml.name() == QStringLiteral("text"))
            textes << xml.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
    return textes;
}

} // namespace

void TstGrand::imagePdf() {
    // A day at one sample a second, saved as a PDF: the axes' labels are whole words
    // that do not overlap, and there are no more of them than on screen.
    Banc b;
    app::Enregistreur& f = b.demarre();
    QByteArray jour;
    for (int i = 1; i <= 86400; ++i)
        jour += QByteArray::number(i) + ';' + QByteArray::number(128 + (i / 300) % 100) +
                ";12-06-2026;" + QTime(0, 0).addSecs(i - 1).toString("HH:mm:ss").toLatin1() +
                "\r\n";
    QVERIFY(test::ecritFichier(b.chemin(QStringLiteral("jour.csv")), jour));
    f.montreGrapheEnGrand();
    app::FenetreGrand* g = f.grapheEnGrand();
    g->resize(1280, 720);
    g->show();
    QSignalSpy lu(g, &app::FenetreGrand::fichierLu);
    g->ouvre(b.chemin(QStringLiteral("jour.csv")));
    QVERIFY(lu.wait(20000));
    const QString pdf = b.chemin(QStringLiteral("jour.pdf"));
    QVERIFY(g->enregistreImage(pdf));

    // What the screen shows, drawn at the graph's size.
    QByteArray svg;
    {
        QBuffer tampon(&svg);
        tampon.open(QIODevice::WriteOnly);
        QSvgGenerator gen;
        gen.setOutputDevice(&tampon);
        gen.setSize(g->graphe()->size());
        QPainter p(&gen);
        p.setFont(g->graphe()->font());
        graph::dessineGrand(p, QRectF(g->graphe()->rect()), g->graphe()->scene());
    }
    const QRegularExpression heure(QStringLiteral("^\\d\\d:\\d\\d$"));
    const QRegularExpression nombre(QStringLiteral("^\\d+$"));
    const QStringList ecran = textesSvg(svg);
    const qsizetype heuresEcran = ecran.filter(heure).size();
    const qsizetype nombresEcran = ecran.filter(nombre).size();
    QVERIFY2(heuresEcran >= 3 && nombresEcran >= 3, qPrintable(ecran.join('|')));

    const std::vector<Mot> mots = motsPdf(pdf);
    QVERIFY2(!mots.empty(), "pdftotext gives no words");
    // The words below the captions (file, span, extremes) are the axes' labels.
    double basLegendes = 0;
    for (const Mot& m : mots)
        if (m.texte == QStringLiteral("maximum"))
            basLegendes = m.boite.bottom();
    QVERIFY(basLegendes > 0);
    qsizetype heures = 0, nombres = 0;
    QStringList textes;
    for (const Mot& m : mots) {
        textes << m.texte;
        if (m.boite.top() < basLegendes)
            continue;
        heures += heure.match(m.texte).hasMatch();
        nombres += nombre.match(m.texte).hasMatch();
    }
    QVERIFY2(heures >= 3 && heures <= heuresEcran, qPrintable(textes.join('|')));
    QVERIFY2(nombres >= 3 && nombres <= nombresEcran, qPrintable(textes.join('|')));
    QVERIFY2(textes.contains(QStringLiteral("12:00")), qPrintable(textes.join('|')));
    for (size_t i = 0; i < mots.size(); ++i)
        for (size_t j = i + 1; j < mots.size(); ++j)
            QVERIFY2(!mots[i].boite.adjusted(0.5, 0.5, -0.5, -0.5).intersects(mots[j].boite),
                     qPrintable(mots[i].texte + QStringLiteral(" / ") + mots[j].texte));
}

void TstGrand::deposeRecentsQuitter() {
    // A record file dropped on the window opens there and joins the recent files; a
    // drop of something else opens nothing. "Quitter Plovar" closes the main window.
    Banc b;
    app::Enregistreur& f = b.demarre();
    const QString un = b.chemin(QStringLiteral("un.csv")),
                  deux = b.chemin(QStringLiteral("deux.csv"));
    QVERIFY(test::ecritFichier(un, "1;5;12-07-2026;10:00:00\r\n2;6;12-07-2026;10:00:01\r\n"));
    QVERIFY(test::ecritFichier(deux, "1;7;12-07-2026;11:00:00\r\n"));
    f.montreGrapheEnGrand();
    app::FenetreGrand* g = f.grapheEnGrand();
    QSignalSpy lu(g, &app::FenetreGrand::fichierLu);
    g->show();
    const auto depose = [g](const QList<QUrl>& urls) {
        QMimeData donnees;
        donnees.setUrls(urls);
        QDragEnterEvent entre(QPoint(50, 50), Qt::CopyAction, &donnees, Qt::LeftButton,
                              Qt::NoModifier);
        QCoreApplication::sendEvent(g, &entre);
        QDropEvent e(QPointF(50, 50), Qt::CopyAction, &donnees, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(g, &e);
        return entre.isAccepted() && e.isAccepted();
    };
    QVERIFY(!depose({QUrl::fromLocalFile(un), QUrl::fromLocalFile(deux)}));
    QVERIFY(!depose({QUrl::fromLocalFile(b.dir.path())}));
    QVERIFY(!depose({QUrl(QStringLiteral("https://exemple.fr/un.csv"))}));
    QVERIFY(!g->chargementEnCours());
    {
        QMimeData d;
        d.setUrls({QUrl::fromLocalFile(un)});
        QCOMPARE(app::FenetreGrand::fichierDepose(&d).value_or(QString()), un);
    }
    QVERIFY(depose({QUrl::fromLocalFile(un)}));
    QVERIFY(lu.wait(10000));
    QCOMPARE(g->magasin().NbMesures(), 2);
    g->ouvre(deux);
    QVERIFY(lu.wait(10000));
    QCOMPARE(g->recents(), (QStringList{deux, un}));
    // Opened again, a file moves to the top instead of appearing twice.
    g->ouvre(un);
    QVERIFY(lu.wait(10000));
    QCOMPARE(g->recents(), (QStringList{un, deux}));

    // It asks first, as closing the main window does.
    f.show();
    b.dialogues.reponses.push_back(true);
    emit g->quitte();
    QTRY_VERIFY(!f.isVisible());
    QCOMPARE(b.dialogues.questions.constLast(),
             QStringLiteral("Arrêter l'enregistreur et quitter ?"));
}

QTEST_MAIN(TstGrand)
#include "tst_grand.moc"
