#pragma once

#include <QFont>

namespace ui {

/// "MS Sans Serif" at a point size, falling back to metric-compatible families
/// (Liberation Sans, Arial) and then to the platform's sans-serif font.
QFont policeSansSerif(double points, bool gras = false);
/// "MS Serif" likewise, falling back to Liberation Serif and Times New Roman.
QFont policeSerif(double points);

} // namespace ui
