#pragma once

#include <QColor>

namespace graph::couleurs {

// The desktop's colours, each named for the part of a window it paints. Where Qt's
// palette has that colour it is used; the ones it lacks take the usual desktop
// values here.

/// Window frame (background of the drawing area).
QColor cadreFenetre();
/// Inactive title bar (reference lines, engraved rules).
QColor titreInactif();
/// Active border (background of the list heading).
QColor bordureActive();
/// Window background (LED reflection, light half of the engraved rules).
QColor fondFenetre();
/// Window text.
QColor texteFenetre();
/// Button shadow (grey text).
QColor ombreBouton();
/// The trace: bright green.
inline QColor trace() {
    return QColor(0, 255, 0);
}
/// A colour written as 0x00BBGGRR.
inline QColor depuisBGR(int bgr) {
    return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

} // namespace graph::couleurs
