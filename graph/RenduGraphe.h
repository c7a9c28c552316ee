#pragma once

#include "core/Magasin.h"
#include "graph/Marque.h"

#include <QPainter>
#include <QRectF>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

namespace graph {

/// What part of a store a drawing shows.
struct Vue {
    const core::Magasin* magasin = nullptr;
    qint64 n = 0;                ///< last sample
    qint64 debut = 0;            ///< sample at the left edge
    double largeurEchelle = 0;   ///< samples across the width
    int decalageY = 0;           ///< vertical offset (values above 255)
    std::vector<Marque> marques; ///< events over the trace
    std::vector<double> limites; ///< horizontal lines (raw values)
};

/// Draws the curve from the samples, not from the screen: black area, reference
/// lines, the trace as one polyline (vector in SVG and PDF), division ticks and
/// their numbers; `lignes` above it (a title, dates, extremes).
/// `clair`: a white area and a dark curve instead of the screen's colours.
void dessineGraphe(QPainter& p, const QRectF& cadre, const Vue& v, const QStringList& lignes = {},
                   bool clair = false);

/// Image formats the graph is saved in.
enum class FormatImage { Png, Svg, Pdf };
/// The format a file name asks for (its suffix, else the chosen filter); PNG by default.
FormatImage formatImage(const QString& chemin, const QString& filtre = QString());
/// Saves a drawing as an image file, at least 1200 pixels wide for PNG. False with
/// `erreur` (French) when the file cannot be written.
bool exporteImage(const QString& chemin, FormatImage format, const Vue& v,
                  const QStringList& lignes, QString* erreur, bool clair = false);
/// Saves any drawing as an image file of `taille` pixels (a landscape page for
/// PDF). False with `erreur` (French) when the file cannot be written; a file
/// written in part is removed.
bool exporteDessin(const QString& chemin, FormatImage format, QSize taille,
                   const std::function<void(QPainter&, const QRectF&)>& dessin, QString* erreur);

/// The samples under pixel column `x` of an area `largeurPixels` wide: the first and
/// last index and their extremes; nullopt where there is none.
std::optional<core::Statistiques> sousPointeur(const Vue& v, int x, int largeurPixels);

} // namespace graph
