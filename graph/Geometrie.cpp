#include "graph/Geometrie.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace graph {

namespace {
double g_twipsParPixel = 15.0;
}

double twipsParPixel() {
    return g_twipsParPixel;
}
void setTwipsParPixel(double t) {
    if (t > 0)
        g_twipsParPixel = t;
}
int px(double twips) {
    return static_cast<int>(std::lround(twips / g_twipsParPixel));
}

Axes calculeAxes(const BoiteImage& bas, const BoiteImage& droite) {
    // Single precision throughout, as the strips' scale properties are singles.
    const float pasH = (bas.largeurInt - 3.f) / 10.f;
    const float facteurH = bas.largeurExt / bas.largeurInt;
    const float pasV = (droite.hauteurInt - 3.f) / 10.f;
    const float facteurV = droite.hauteurExt / droite.hauteurInt;
    Axes a;
    a.etiquetteBasY = bas.haut + 300.f;
    a.etiquetteDroiteX = droite.gauche + 300.f;
    for (int k = 1; k <= 9; ++k) {
        const auto i = static_cast<size_t>(k - 1);
        a.tickX[i] = static_cast<float>(k) * pasH;
        a.etiquetteX[i] = bas.gauche + facteurH * a.tickX[i] - facteurH * 96.f;
        a.tickY[i] = static_cast<float>(k) * pasV;
        a.etiquetteY[i] = droite.haut + facteurV * a.tickY[i] - facteurV * 95.f;
    }
    return a;
}

qint64 debutVue(qint64 n, double largeur, qint64 decalage) {
    // At the end, the newest sample reaches the right edge.
    const qint64 maxDebut = std::max<qint64>(0, n - static_cast<qint64>(std::ceil(largeur)));
    return std::clamp<qint64>(decalage, 0, maxDebut);
}

std::vector<QPointF> pointsTrace(const core::Magasin& m, qint64 n, qint64 debut,
                                 double pixelsParEchantillon, int largeurPixels, int decalageY,
                                 float hauteur) {
    std::vector<QPointF> points;
    const double sx = pixelsParEchantillon;
    if (n <= 0 || sx <= 0 || largeurPixels <= 0)
        return points;
    // Index 0 (the starting point) stays in the trace until the oldest samples leave.
    const qint64 plusAncien = m.premier() > 1 ? m.premier() : 0;
    const qint64 premier = std::max(plusAncien, debut - 1);
    const qint64 dernier =
        std::min(n, debut + static_cast<qint64>(std::ceil(largeurPixels / sx)) + 1);
    if (premier > dernier)
        return points;
    const auto point = [&](qint64 i) {
        points.emplace_back(static_cast<double>(i - debut),
                            yUnites(m.valeur(i), decalageY, hauteur));
    };
    if (dernier - premier <= 2 * static_cast<qint64>(largeurPixels)) {
        points.reserve(static_cast<size_t>(dernier - premier + 1));
        for (qint64 i = premier; i <= dernier; ++i)
            point(i);
        return points;
    }
    const auto colonne = [&](qint64 i) {
        return static_cast<qint64>(std::floor(static_cast<double>(i - debut) * sx));
    };
    points.reserve(static_cast<size_t>(largeurPixels) * 4 + 8);
    for (qint64 i = premier; i <= dernier;) {
        const qint64 c = colonne(i);
        // The last sample in the same pixel column.
        qint64 j = std::clamp<qint64>(debut + static_cast<qint64>(std::ceil((c + 1) / sx)) - 1, i,
                                      dernier);
        while (j < dernier && colonne(j + 1) == c)
            ++j;
        while (j > i && colonne(j) > c)
            --j;
        qint64 garde[4] = {i, i, j, j};
        const core::MinMax mm = m.minMax(std::max<qint64>(i, 1), j);
        if (!mm.vide()) {
            garde[1] = mm.iMin;
            garde[2] = mm.iMax;
            // The starting point 0 counts as a value of its column.
            if (i == 0) {
                if (0.0 < mm.min)
                    garde[1] = 0;
                if (0.0 > mm.max)
                    garde[2] = 0;
            }
        }
        std::sort(std::begin(garde), std::end(garde));
        for (int k = 0; k < 4; ++k)
            if (k == 0 || garde[k] != garde[k - 1])
                point(garde[k]);
        i = j + 1;
    }
    return points;
}

std::vector<Colonne> colonnesTrace(const std::vector<QPointF>& points, int largeur, int hauteur) {
    std::vector<double> ymin(static_cast<size_t>(std::max(largeur, 0)),
                             std::numeric_limits<double>::infinity());
    std::vector<double> ymax(ymin.size(), -std::numeric_limits<double>::infinity());
    for (size_t k = 1; k < points.size(); ++k) {
        const QPointF& p = points[k - 1];
        const QPointF& q = points[k];
        if (q.x() < 0 || p.x() >= largeur || q.x() < p.x())
            continue;
        const int c0 = std::max(0, static_cast<int>(std::floor(p.x())));
        const int c1 = std::min(largeur - 1, static_cast<int>(std::floor(q.x())));
        if (c0 == c1 && p.x() >= 0 && q.x() < c0 + 1) {
            // The usual case with many samples a column: the segment stays inside it.
            const auto i = static_cast<size_t>(c0);
            const double lo = p.y() < q.y() ? p.y() : q.y();
            const double hi = p.y() < q.y() ? q.y() : p.y();
            if (lo < ymin[i])
                ymin[i] = lo;
            if (hi > ymax[i])
                ymax[i] = hi;
            continue;
        }
        const double dx = q.x() - p.x();
        for (int c = c0; c <= c1; ++c) {
            // The part of the segment inside the column strip [c, c + 1].
            double y0 = p.y(), y1 = q.y();
            if (dx > 0) {
                const double x0 = std::max(p.x(), double(c));
                const double x1 = std::min(q.x(), double(c + 1));
                y0 = p.y() + (q.y() - p.y()) * (x0 - p.x()) / dx;
                y1 = p.y() + (q.y() - p.y()) * (x1 - p.x()) / dx;
            }
            const auto i = static_cast<size_t>(c);
            ymin[i] = std::min({ymin[i], y0, y1});
            ymax[i] = std::max({ymax[i], y0, y1});
        }
    }
    std::vector<Colonne> out(ymin.size());
    for (size_t i = 0; i < ymin.size(); ++i) {
        if (ymax[i] < 0 || ymin[i] >= hauteur)
            continue;
        out[i].haut = std::max(0, static_cast<int>(std::floor(ymin[i])));
        out[i].bas = std::min(hauteur - 1, static_cast<int>(std::floor(ymax[i])));
    }
    return out;
}

} // namespace graph
