#include "graph/EtatVue.h"
#include "graph/Geometrie.h"
#include "graph/RenduGraphe.h"

#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QTest>

constexpr qint64 kPetiteCapacite = 262144;
class TstGeometrie : public QObject {
    Q_OBJECT
private slots:
    void tableau_data();
    void tableau();
    void etiquettesHorsBandes();
    void reduction_data();
    void reduction();
    void debutVue();
    void compression_data();
    void compression();
    void sousPointeur_data();
    void sousPointeur();
    void vue_data();
    void vue();
};

namespace {
graph::BoiteImage bas() {
    return {3600, 2880, 3495, 255, 3435, 195};
}
graph::BoiteImage droite() {
    return {7200, 120, 255, 2655, 195, 2595};
}
} // namespace

void TstGeometrie::tableau_data() {
    QTest::addColumn<int>("k");
    QTest::addColumn<double>("tickX");
    QTest::addColumn<double>("tickXFenetre");
    QTest::addColumn<double>("etiquetteX");
    QTest::addColumn<double>("tickY");
    QTest::addColumn<double>("tickYFenetre");
    QTest::addColumn<double>("etiquetteY");
    QTest::newRow("k=1") << 1 << 343.2 << 3973.2 << 3851.5 << 259.2 << 409.2 << 288.0;
    QTest::newRow("k=2") << 2 << 686.4 << 4316.4 << 4200.7 << 518.4 << 668.4 << 553.2;
    QTest::newRow("k=5") << 5 << 1716.0 << 5346.0 << 5248.3 << 1296.0 << 1446.0 << 1348.8;
    QTest::newRow("k=9") << 9 << 3088.8 << 6718.8 << 6645.1 << 2332.8 << 2482.8 << 2409.5;
}

void TstGeometrie::tableau() {
    QFETCH(int, k);
    QFETCH(double, tickX);
    QFETCH(double, tickXFenetre);
    QFETCH(double, etiquetteX);
    QFETCH(double, tickY);
    QFETCH(double, tickYFenetre);
    QFETCH(double, etiquetteY);
    const graph::Axes a = graph::calculeAxes(bas(), droite());
    const auto i = static_cast<size_t>(k - 1);
    // To 0.1 twip: the expected positions are rounded to one decimal.
    QVERIFY(std::fabs(a.tickX[i] - tickX) < 0.06);
    QVERIFY(std::fabs(3600 + 30 + a.tickX[i] - tickXFenetre) < 0.06);
    QVERIFY2(std::fabs(a.etiquetteX[i] - etiquetteX) < 0.06,
             qPrintable(QString::number(a.etiquetteX[i])));
    QVERIFY(std::fabs(a.tickY[i] - tickY) < 0.06);
    QVERIFY(std::fabs(120 + 30 + a.tickY[i] - tickYFenetre) < 0.06);
    QVERIFY2(std::fabs(a.etiquetteY[i] - etiquetteY) < 0.06,
             qPrintable(QString::number(a.etiquetteY[i])));
}

void TstGeometrie::etiquettesHorsBandes() {
    const graph::Axes a = graph::calculeAxes(bas(), droite());
    QCOMPARE(a.etiquetteBasY, 3180.f);
    QCOMPARE(a.etiquetteDroiteX, 7500.f);
    // No tick at either end of a strip; increasing order.
    QVERIFY(a.tickX.front() > 0 && a.tickX.back() < 3435);
    for (size_t i = 1; i < 9; ++i) {
        QVERIFY(a.tickX[i] > a.tickX[i - 1]);
        QVERIFY(a.tickY[i] > a.tickY[i - 1]);
    }
}

void TstGeometrie::reduction_data() {
    QTest::addColumn<int>("n");
    QTest::addColumn<int>("forme");
    QTest::newRow("32000 noisy") << 32000 << 0;
    QTest::newRow("32000 ramp") << 32000 << 1;
    QTest::newRow("5000 square wave") << 5000 << 2;
    QTest::newRow("1000 out of range") << 1000 << 3;
    QTest::newRow("3 points") << 3 << 1;
}

void TstGeometrie::reduction() {
    QFETCH(int, n);
    QFETCH(int, forme);
    const int largeur = 229, hauteur = 173;
    QRandomGenerator alea(42);
    std::vector<QPointF> points;
    for (int i = 0; i <= n; ++i) {
        double v = 0;
        switch (forme) {
        case 0:
            v = alea.bounded(256);
            break;
        case 1:
            v = 255.0 * i / n;
            break;
        case 2:
            v = (i / 97) % 2 ? 250 : 10;
            break;
        default:
            v = alea.bounded(800) - 200;
            break;
        }
        points.emplace_back(i * double(largeur) / n, (255 - v) * hauteur / 255.0);
    }
    const std::vector<graph::Colonne> colonnes = graph::colonnesTrace(points, largeur, hauteur);
    QCOMPARE(colonnes.size(), size_t(largeur));

    // Reference: every segment on its own lights the rows it crosses in each column.
    QImage reference(largeur, hauteur, QImage::Format_Mono);
    reference.fill(0);
    for (size_t k = 1; k < points.size(); ++k) {
        const QPointF p = points[k - 1], q = points[k];
        for (int c = std::max(0, int(std::floor(p.x())));
             c <= std::min(largeur - 1, int(std::floor(q.x()))); ++c) {
            const double x0 = std::max(p.x(), double(c)), x1 = std::min(q.x(), double(c + 1));
            const double dx = q.x() - p.x();
            const double y0 = dx > 0 ? p.y() + (q.y() - p.y()) * (x0 - p.x()) / dx : p.y();
            const double y1 = dx > 0 ? p.y() + (q.y() - p.y()) * (x1 - p.x()) / dx : q.y();
            for (int y = int(std::floor(std::min(y0, y1))); y <= int(std::floor(std::max(y0, y1)));
                 ++y)
                if (y >= 0 && y < hauteur)
                    reference.setPixel(c, y, 1);
        }
    }
    for (int x = 0; x < largeur; ++x)
        for (int y = 0; y < hauteur; ++y) {
            const bool allume = !colonnes[size_t(x)].vide() && y >= colonnes[size_t(x)].haut &&
                                y <= colonnes[size_t(x)].bas;
            if (allume != (reference.pixelIndex(x, y) == 1))
                QFAIL(qPrintable(QStringLiteral("pixel %1,%2 differs").arg(x).arg(y)));
        }

    // And it looks like the line a painter draws through every point.
    QImage peint(largeur, hauteur, QImage::Format_RGB32);
    peint.fill(Qt::black);
    {
        QPainter g(&peint);
        g.setPen(QPen(Qt::green, 0));
        g.drawPolyline(points.data(), static_cast<int>(points.size()));
    }
    // Rasterisers differ by up to one column on where a steep stroke starts, so
    // each column of one picture must lie within the neighbouring columns of the other.
    auto etendue = [&](int de, int a, bool nous) {
        int h = hauteur, b = -1;
        for (int cx = std::max(0, de); cx <= std::min(largeur - 1, a); ++cx) {
            if (nous) {
                const graph::Colonne& c = colonnes[size_t(cx)];
                if (!c.vide()) {
                    h = std::min(h, c.haut);
                    b = std::max(b, c.bas);
                }
            } else {
                for (int y = 0; y < hauteur; ++y)
                    if (peint.pixelColor(cx, y) != Qt::black) {
                        h = std::min(h, y);
                        b = std::max(b, y);
                    }
            }
        }
        return std::make_pair(h, b);
    };
    auto contenu = [](std::pair<int, int> dedans, std::pair<int, int> autour) {
        return dedans.second < 0 ||
               (dedans.first >= autour.first - 1 && dedans.second <= autour.second + 1);
    };
    int ecarts = 0;
    for (int x = 0; x < largeur; ++x) {
        if (!contenu(etendue(x, x, true), etendue(x - 1, x + 1, false)) ||
            !contenu(etendue(x, x, false), etendue(x - 1, x + 1, true)))
            ++ecarts;
    }
    QVERIFY2(ecarts == 0, qPrintable(QString::number(ecarts)));
}

void TstGeometrie::debutVue() {
    QCOMPARE(graph::debutVue(100, 50, 30), 30);
    QCOMPARE(graph::debutVue(100, 50, 80), 50);
    QCOMPARE(graph::debutVue(100, 50, -4), 0);
    QCOMPARE(graph::debutVue(10, 50, 5), 0);
}

void TstGeometrie::compression_data() {
    QTest::addColumn<int>("n");
    QTest::addColumn<qint64>("debut");
    QTest::addColumn<double>("pixelsParEchantillon");
    // A month at one a second on 460 pixels, a zoomed part of it, a few samples a pixel,
    // and more than a pixel a sample (nothing to reduce).
    QTest::newRow("million on the width") << 1000000 << qint64(0) << 460.0 / 1000000;
    QTest::newRow("zoom 4, scrolled") << 1000000 << qint64(600000) << 4 * 460.0 / 1000000;
    QTest::newRow("three a pixel") << 5000 << qint64(2000) << 1.0 / 3;
    QTest::newRow("two pixels a sample") << 5000 << qint64(100) << 2.0;
}

void TstGeometrie::compression() {
    QFETCH(int, n);
    QFETCH(qint64, debut);
    QFETCH(double, pixelsParEchantillon);
    const int largeur = 460, hauteur = 170;
    QRandomGenerator alea(7);
    core::Magasin m;
    const QDateTime t(QDate(2026, 12, 1), QTime(0, 0), Qt::UTC);
    for (int i = 1; i <= n; ++i)
        m.ajoute(i == n / 2 + 17 ? 999 : 100 + alea.bounded(20), t.addSecs(i));
    // The reduced trace lights exactly the pixels that every sample would: a single
    // spike among a million survives.
    const auto enPixels = [&](std::vector<QPointF> u) {
        for (QPointF& p : u)
            p = QPointF(p.x() * pixelsParEchantillon, p.y() * hauteur / 255.0);
        return u;
    };
    const std::vector<QPointF> reduits =
        graph::pointsTrace(m, n, debut, pixelsParEchantillon, largeur, 0, 255);
    std::vector<QPointF> tous;
    const qint64 dernier =
        std::min<qint64>(n, debut + qint64(std::ceil(largeur / pixelsParEchantillon)) + 1);
    for (qint64 i = std::max<qint64>(0, debut - 1); i <= dernier; ++i)
        tous.emplace_back(double(i - debut), graph::yUnites(m.valeur(i), 0));
    QVERIFY(reduits.size() <= size_t(4 * largeur + 8));
    const std::vector<graph::Colonne> a = graph::colonnesTrace(enPixels(reduits), largeur, hauteur);
    const std::vector<graph::Colonne> b = graph::colonnesTrace(enPixels(tous), largeur, hauteur);
    for (int c = 0; c < largeur; ++c) {
        QCOMPARE(a[size_t(c)].haut, b[size_t(c)].haut);
        QCOMPARE(a[size_t(c)].bas, b[size_t(c)].bas);
    }
}

void TstGeometrie::sousPointeur_data() {
    QTest::addColumn<int>("zoom");
    QTest::addColumn<int>("x");
    QTest::addColumn<qint64>("premier");
    QTest::addColumn<qint64>("dernier");
    // 4600 samples on 460 pixels: ten a column at zoom 1, two and a half at zoom 4
    // (the view then starts at sample 3450).
    QTest::newRow("zoom 1, first column") << 1 << 0 << qint64(1) << qint64(9);
    QTest::newRow("zoom 1, column 100") << 1 << 100 << qint64(1000) << qint64(1009);
    QTest::newRow("zoom 1, last column") << 1 << 459 << qint64(4590) << qint64(4599);
    QTest::newRow("zoom 4, column 10") << 4 << 10 << qint64(3475) << qint64(3477);
    QTest::newRow("zoom 4, column 11") << 4 << 11 << qint64(3478) << qint64(3479);
}

void TstGeometrie::sousPointeur() {
    QFETCH(int, zoom);
    QFETCH(int, x);
    QFETCH(qint64, premier);
    QFETCH(qint64, dernier);
    core::Magasin m;
    const QDateTime t(QDate(2026, 12, 7), QTime(8, 0), Qt::UTC);
    for (int i = 1; i <= 4600; ++i)
        m.ajoute(i % 7 == 0 ? -i : i, t.addSecs(i));
    graph::Vue v;
    v.magasin = &m;
    v.n = 4600;
    v.largeurEchelle = 4600.0 / zoom;
    v.debut = zoom == 1 ? 0 : 4600 - 1150;
    const std::optional<core::Statistiques> st = graph::sousPointeur(v, x, 460);
    QVERIFY(st);
    QCOMPARE(st->premier, premier);
    QCOMPARE(st->dernier, dernier);
    // The column's extremes, checked against the samples themselves.
    double mini = 1e9, maxi = -1e9;
    for (qint64 i = premier; i <= dernier; ++i) {
        mini = std::min(mini, m.valeur(i));
        maxi = std::max(maxi, m.valeur(i));
    }
    QCOMPARE(st->extremes.min, mini);
    QCOMPARE(st->extremes.max, maxi);
    QVERIFY(!graph::sousPointeur(v, 460, 460));
    QVERIFY(!graph::sousPointeur(v, -1, 460));
}

void TstGeometrie::vue_data() {
    QTest::addColumn<qint64>("n");
    QTest::addColumn<int>("zoom");
    // Where the user put the view first (-1: nowhere), and whether a recording runs.
    QTest::addColumn<qint64>("place");
    QTest::addColumn<bool>("enregistrement");
    QTest::addColumn<qint64>("debut");
    QTest::addColumn<bool>("suitFin");
    // A store of a small capacity, so that its oldest leave early.
    const qint64 mois = kPetiteCapacite + 10;
    QTest::newRow("zoom 1 shows all")
        << qint64(100) << 1 << qint64(-1) << true << qint64(0) << true;
    QTest::newRow("zoom 4 follows the end")
        << qint64(100) << 4 << qint64(-1) << true << qint64(75) << true;
    QTest::newRow("moved back stays there")
        << qint64(100) << 4 << qint64(40) << true << qint64(40) << false;
    QTest::newRow("past the end: back to the end, following")
        << qint64(100) << 4 << qint64(1000) << true << qint64(75) << true;
    QTest::newRow("before the start")
        << qint64(100) << 4 << qint64(-5) << false << qint64(0) << false;
    QTest::newRow("idle keeps the place")
        << qint64(100) << 10 << qint64(50) << false << qint64(50) << false;
    // Past the capacity the oldest 64th leaves at once: the view starts at the first kept.
    QTest::newRow("oldest samples left: moved before them")
        << mois << 2 << qint64(3) << false << qint64(kPetiteCapacite / 64 + 1) << false;
}

void TstGeometrie::vue() {
    QFETCH(qint64, n);
    QFETCH(int, zoom);
    QFETCH(qint64, place);
    QFETCH(bool, enregistrement);
    QFETCH(qint64, debut);
    QFETCH(bool, suitFin);
    core::Magasin m(kPetiteCapacite);
    const QDateTime t(QDate(2026, 12, 7), QTime(0, 0), Qt::UTC);
    for (qint64 i = 1; i <= n; ++i)
        m.ajoute(double(i % 1000), t);
    graph::EtatVue v;
    if (place != -1)
        QCOMPARE(v.place(m, zoom, place), debut);
    const double largeur = graph::EtatVue::largeur(m, zoom);
    QCOMPARE(v.debut(m, zoom, largeur, enregistrement), debut);
    QCOMPARE(v.suitFin(), suitFin);
    // What is visible from there: inside the store, as wide as the scale.
    const graph::Visibles vis = graph::EtatVue::visibles(m, debut, largeur);
    QVERIFY(vis.premier >= m.premier());
    QCOMPARE(vis.dernier, std::min<qint64>(n, debut + std::llround(largeur)));
}

QTEST_MAIN(TstGeometrie)
#include "tst_geometrie.moc"
