#include "Geometrie.h"

#include <algorithm>
#include <cmath>

namespace graph {

namespace {
double g_twipsParPixel = 15.0;
}

double twipsParPixel() { return g_twipsParPixel; }
void setTwipsParPixel(double t) {
    if (t > 0)
        g_twipsParPixel = t;
}
int px(double twips) { return static_cast<int>(std::lround(twips / g_twipsParPixel)); }

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

std::vector<QPointF> reduitColonnes(const std::vector<QPointF>& points) {
    std::vector<QPointF> out;
    if (points.empty())
        return out;
    out.reserve(points.size() < 4096 ? points.size() : 4096);
    size_t i = 0;
    while (i < points.size()) {
        const double colonne = std::floor(points[i].x());
        const QPointF premier = points[i];
        QPointF bas = premier, haut = premier, dernier = premier;
        size_t j = i + 1;
        for (; j < points.size() && std::floor(points[j].x()) == colonne; ++j) {
            const QPointF& p = points[j];
            if (p.y() < haut.y())
                haut = p;
            if (p.y() > bas.y())
                bas = p;
            dernier = p;
        }
        out.push_back(premier);
        if (j - i > 1) {
            // Visit the extremes in the order that keeps the strokes inside the column.
            if (premier.y() <= dernier.y()) {
                out.push_back(QPointF(colonne, haut.y()));
                out.push_back(QPointF(colonne, bas.y()));
            } else {
                out.push_back(QPointF(colonne, bas.y()));
                out.push_back(QPointF(colonne, haut.y()));
            }
            out.push_back(dernier);
        }
        i = j;
    }
    return out;
}

} // namespace graph
