#pragma once

#include "core/Etalonnage.h"
#include "core/Magasin.h"
#include "graph/Cadrage.h"
#include "graph/Chronologie.h"
#include "graph/Marque.h"

#include <QPainter>
#include <QRectF>
#include <QStringList>
#include <QTimeZone>

#include <vector>

namespace graph {

/// What the large graph shows, and how.
struct SceneGrand {
    const core::Magasin* magasin = nullptr;
    const Chronologie* chronologie = nullptr;
    Cadrage cadrage;
    core::Etalonnage etalonnage;
    std::vector<Marque> marques;
    std::vector<double> limites; ///< horizontal lines, raw values
    QTimeZone zone = QTimeZone::systemTimeZone();
    bool clair = false;   ///< dark trace on white, for paper and images
    bool apercu = true;   ///< the strip of the whole run below
    QStringList legendes; ///< lines above the graph
};

/// Where the parts of the large graph fall in a frame, and the values it spans.
struct PlanGrand {
    QRectF trace;               ///< the curve's area
    QRectF apercu;              ///< the whole run's strip (empty without)
    double yBas = 0, yHaut = 1; ///< values at the bottom and top edges (calibrated)
    /// Pixels of x for sample index i, and the reverse.
    double x(double i, const Cadrage& c) const;
    double index(double px, const Cadrage& c) const;
    double y(double valeur) const;
    /// Overview: pixels of x for sample i of a run from premier to dernier.
    double xApercu(double i, double premier, double dernier) const;
};

/// The layout for a frame; the values come from the samples shown.
PlanGrand planGrand(const QRectF& cadre, const QFontMetricsF& fm, const SceneGrand& s);

/// Draws the large graph: value and time graduations with a light grid, the
/// breaks between stretches, the trace (each pixel column's extremes kept, never
/// joined across a break), events and limits, and the overview of the whole run.
/// Returns the layout used.
PlanGrand dessineGrand(QPainter& p, const QRectF& cadre, const SceneGrand& s);

/// The calibrated value of a raw one (the raw one without a calibration).
/// True when `p` draws into a PDF, an SVG or a picture (not pixels).
bool vectoriel(const QPainter& p);
/// The pen of a trace: on pixels one device pixel wide, which the painter draws along
/// its length whatever the slope (a wider pen is outlined and filled segment by
/// segment, a hundred times slower on a noisy curve); in a PDF or an SVG,
/// `largeurVectorielle` wide so that it is no hairline.
QPen styloTrace(const QPainter& p, const QColor& couleur, bool lisse, double largeurVectorielle);
double valeurAffichee(const core::Etalonnage& e, double brute);

} // namespace graph
