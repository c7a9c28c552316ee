#pragma once

#include "core/Magasin.h"

#include <QPointF>

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

namespace graph {

/// Twips per device-independent pixel: 1440 / logical dpi (15 at 96 dpi).
double twipsParPixel();
void setTwipsParPixel(double t);
/// Twips to whole pixels, at the current scale.
int px(double twips);

/// A picture box as trace_axes sees it, all in twips: position in the main
/// window, outer size, and inner (client) size.
struct BoiteImage {
    float gauche = 0, haut = 0;
    float largeurExt = 0, hauteurExt = 0;
    float largeurInt = 0, hauteurInt = 0;
};

/// Division ticks and their printed numbers, k = 1 to 9 at index k - 1.
struct Axes {
    std::array<float, 9> tickX{};      ///< tick x in the bottom strip's client twips
    std::array<float, 9> etiquetteX{}; ///< bottom label left edge, window twips
    float etiquetteBasY = 0;           ///< bottom labels' top edge, window twips
    std::array<float, 9> tickY{};      ///< tick y in the right-hand strip's client twips
    std::array<float, 9> etiquetteY{}; ///< right-hand label top edge, window twips
    float etiquetteDroiteX = 0;        ///< right-hand labels' left edge, window twips
};

/// Tick and label positions for the bottom strip `bas` and the right-hand strip `droite`.
Axes calculeAxes(const BoiteImage& bas, const BoiteImage& droite);

/// Vertical graph units of a value: hauteur - (v - decalageY).
inline float yUnites(double v, int decalageY, float hauteur = 255.f) {
    return static_cast<float>(hauteur - (v - decalageY));
}

/// First sample shown at the left edge when the view shows `largeur` samples
/// out of `n`: at most n - largeur, at least 0.
qint64 debutVue(qint64 n, double largeur, qint64 decalage);

/// The points of the trace of samples 0 to n of a store, sample i at x = i - debut
/// (graph units) and y = yUnites(value): from one sample before the left edge to
/// one past the right edge of an area `largeurPixels` wide, at `pixelsParEchantillon`.
/// Where several samples share a pixel column only the first, the lowest, the
/// highest and the last of them are kept: colonnesTrace draws the same pixels from
/// these as from every sample, and the count stays near four a column however
/// long the run.
std::vector<QPointF> pointsTrace(const core::Magasin& m, qint64 n, qint64 debut,
                                 double pixelsParEchantillon, int largeurPixels, int decalageY,
                                 float hauteur);

/// The rows one pixel column of the trace covers; empty when haut > bas.
struct Colonne {
    int haut = 1;
    int bas = 0;
    bool vide() const { return haut > bas; }
};

/// Rasterises the polyline through `points` (pixel coordinates, x increasing)
/// into an area of largeur x hauteur pixels: a pixel is lit when the polyline
/// passes through it. Each column's lit pixels form one vertical run, found from
/// the lowest and highest point of the polyline inside the column, so the cost
/// is one pass over the points whatever their number.
std::vector<Colonne> colonnesTrace(const std::vector<QPointF>& points, int largeur, int hauteur);

} // namespace graph
