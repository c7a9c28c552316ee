#pragma once

#include <QIcon>
#include <QPixmap>

namespace ui {

/// The application icon, 32 x 32: a framed chart of green bars crossed by a red
/// horizontal line.
QPixmap pixmapApplication();
/// The same icon at every size the program ships (16 to 256 pixels).
QIcon iconeApplication();
/// A letter, 32 x 32: a card with a stamp and address lines.
QPixmap pixmapLettre();
/// The author's banner, 522 x 130.
QPixmap pixmapBanniere();

} // namespace ui
