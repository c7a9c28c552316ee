#pragma once

#include <QProgressBar>
#include <QWidget>

namespace ui {

/// The small window with one progress bar shown while a record file loads.
/// It has no title-bar buttons, so the user cannot close it.
class BarreChargement : public QWidget {
    Q_OBJECT
public:
    BarreChargement();
    QProgressBar* ProgressBar1 = nullptr;
    /// Moves the window to the centre of the screen.
    void centre();
    /// Sets the bar from a byte position in a file of `taille` bytes.
    void avance(qint64 position, qint64 taille);
};

} // namespace ui
