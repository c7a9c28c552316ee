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

int debutVue(int n, double largeur, int decalage) {
    const int maxDebut = std::max(0, n - static_cast<int>(std::floor(largeur)));
    return std::clamp(decalage, 0, maxDebut);
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
