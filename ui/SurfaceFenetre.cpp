#include "ui/SurfaceFenetre.h"

#include "graph/Geometrie.h"

#include <QPainter>

namespace ui {

void SurfaceFenetre::imprime(QPointF positionTwips, const QString& texte) {
    m_textes.push_back({positionTwips, texte});
    update();
}

void SurfaceFenetre::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setPen(palette().color(QPalette::WindowText));
    p.setFont(font());
    const QFontMetrics fm(font());
    const double t = graph::twipsParPixel();
    for (const Texte& x : m_textes)
        p.drawText(QPointF(x.positionTwips.x() / t, x.positionTwips.y() / t + fm.ascent()),
                   x.texte);
}

} // namespace ui
