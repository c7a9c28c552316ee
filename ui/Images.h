#pragma once

#include <QIcon>
#include <QImage>
#include <QPixmap>

namespace ui {

/// The application icon, 32 x 32: a framed chart of green bars crossed by a red
/// horizontal line.
QPixmap pixmapApplication();
/// The same icon at any size (a multiple of 32 keeps its pixels sharp).
QImage imageApplication(int taille);
QIcon iconeApplication();
/// A letter, 32 x 32: a card with a stamp and address lines.
QPixmap pixmapLettre();
/// The author's banner, 522 x 130.
QPixmap pixmapBanniere();

} // namespace ui
