#pragma once

#include <QFrame>
#include <QLabel>
#include <QProgressBar>

namespace ui {

/// The small window with one progress bar shown while a record file loads.
/// It draws its own caption strip and has no window-manager frame, so that no
/// window manager gives it buttons: the user cannot close, shrink or enlarge it.
class BarreChargement : public QFrame {
    Q_OBJECT
public:
    BarreChargement();
    QProgressBar* ProgressBar1 = nullptr;
    QLabel* legende = nullptr;
    /// Moves the window to the centre of the screen.
    void centre();
    /// Sets the bar from a byte position in a file of `taille` bytes.
    void avance(qint64 position, qint64 taille);
};

} // namespace ui
