#include "ui/Led.h"

#include "graph/Couleurs.h"
#include "graph/Geometrie.h"

#include <QPainter>

namespace ui {

namespace {
// A circle given by its centre and diameter in the holder's twips.
QRectF cercle(double cx, double cy, double d) {
    const double t = graph::twipsParPixel();
    return {(cx - d / 2) / t, (cy - d / 2) / t, d / t, d / t};
}
} // namespace

Led::Led(QWidget* parent) : QWidget(parent) {}

void Led::allume() {
    m_remplissage = 255;
    update();
}

void Led::eteint() {
    m_remplissage = 128;
    update();
}

void Led::paintEvent(QPaintEvent*) {
    QPainter p(this);
    // Drawn without smoothing: the LED's edge stays crisp at its small size.
    p.setRenderHint(QPainter::Antialiasing, false);
    if (allumee()) {
        p.setPen(QPen(QColor(255, 192, 192), 2));
        p.setBrush(QColor(255, 128, 128));
        p.drawEllipse(cercle(210, 315, 210));
    }
    p.setPen(QPen(QColor(128, 0, 0), 1));
    p.setBrush(graph::couleurs::depuisBGR(m_remplissage));
    p.drawEllipse(cercle(202.5, 307.5, 135));
    const QColor fond = graph::couleurs::fondFenetre();
    p.setPen(QPen(fond, 1));
    p.setBrush(fond);
    p.drawEllipse(cercle(160, 290, 30));
}

} // namespace ui
