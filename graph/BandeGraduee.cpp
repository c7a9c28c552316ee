#include "graph/BandeGraduee.h"

#include "graph/Geometrie.h"

#include <QPainter>

namespace graph {

BandeGraduee::BandeGraduee(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(2);
    setFocusPolicy(Qt::StrongFocus);
}

double BandeGraduee::ScaleWidth() const {
    return contentsRect().width() * twipsParPixel();
}
double BandeGraduee::ScaleHeight() const {
    return contentsRect().height() * twipsParPixel();
}

void BandeGraduee::Line(QPointF de, QPointF a) {
    m_lignes.emplace_back(de, a);
    update();
}

void BandeGraduee::paintEvent(QPaintEvent* e) {
    QFrame::paintEvent(e);
    QPainter p(this);
    const QRect z = contentsRect();
    p.setClipRect(z);
    p.setPen(QPen(palette().color(QPalette::WindowText), 0));
    const double t = twipsParPixel();
    for (const QLineF& l : m_lignes) {
        const QPoint a(z.left() + static_cast<int>(l.x1() / t),
                       z.top() + static_cast<int>(l.y1() / t));
        const QPoint b(z.left() + static_cast<int>(l.x2() / t),
                       z.top() + static_cast<int>(l.y2() / t));
        p.drawLine(a, b);
    }
}

} // namespace graph
