#include "graph/Ecran.h"

#include "graph/Couleurs.h"
#include "graph/Geometrie.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <climits>
#include <cmath>
#include <vector>

namespace graph {

Ecran::Ecran(QWidget* parent) : QFrame(parent) {
    setMouseTracking(true);
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(2);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void Ecran::placeLigneH(float y) {
    m_ligneH = m_hauteurEchelle > 0 ? y / m_hauteurEchelle : 0.0;
    update();
}

void Ecran::placeLigneV(float x) {
    m_ligneV = m_largeurEchelle > 0 ? x / m_largeurEchelle : 0.0;
    update();
}

void Ecran::Cls() {
    m_n = -1;
    m_magasin = nullptr;
    update();
}

void Ecran::traceMagasin(const core::Magasin* m, qint64 n, int decalageY, float hauteur,
                         qint64 debut) {
    m_magasin = m;
    m_n = n;
    m_decalageY = decalageY;
    m_hauteur = hauteur;
    m_debut = debut;
    update();
}

std::vector<QPointF> Ecran::pointsUnites() const {
    if (!m_magasin || m_n <= 0 || m_largeurEchelle <= 0)
        return {};
    const int largeur = zone().width();
    return pointsTrace(*m_magasin, m_n, m_debut, largeur / static_cast<double>(m_largeurEchelle),
                       largeur, m_decalageY, m_hauteur);
}

QLabel* Ecran::etiquette(const QString& nom, int marge) {
    auto* l = new QLabel(this);
    l->setObjectName(nom);
    l->setAutoFillBackground(true);
    QPalette pal = l->palette();
    pal.setColor(QPalette::Window, QColor(40, 40, 40));
    pal.setColor(QPalette::WindowText, QColor(255, 255, 255));
    l->setPalette(pal);
    l->setMargin(marge);
    l->hide();
    return l;
}

void Ecran::dessine(QPainter& p) const {
    const QRect z = zone();
    p.save();
    p.setClipRect(z);
    p.fillRect(z, couleurs::cadreFenetre());
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(couleurs::titreInactif(), 0));
    if (m_ligneH) {
        const int y = z.top() + static_cast<int>(std::floor(*m_ligneH * z.height()));
        p.drawLine(z.left(), y, z.right(), y);
    }
    if (m_ligneV) {
        const int x = z.left() + static_cast<int>(std::floor(*m_ligneV * z.width()));
        p.drawLine(x, z.top(), x, z.bottom());
    }
    const std::vector<QPointF> unites = pointsUnites();
    if (!unites.empty()) {
        // Graph units to pixels inside the area.
        const double sx = z.width() / static_cast<double>(m_largeurEchelle);
        const double sy = z.height() / static_cast<double>(m_hauteurEchelle);
        std::vector<QPointF> points(unites.size());
        for (size_t k = 0; k < unites.size(); ++k)
            points[k] = QPointF(unites[k].x() * sx, unites[k].y() * sy);
        const std::vector<Colonne> colonnes = colonnesTrace(points, z.width(), z.height());
        const QColor vert = couleurs::trace();
        for (size_t c = 0; c < colonnes.size(); ++c)
            if (!colonnes[c].vide())
                p.fillRect(z.left() + static_cast<int>(c), z.top() + colonnes[c].haut, 1,
                           colonnes[c].bas - colonnes[c].haut + 1, vert);
    }
    // The alarm's limits, where they fall inside the vertical range.
    if (m_hauteurEchelle > 0)
        for (const double v : m_limites) {
            const double y = (m_hauteurEchelle - (v - m_decalageY)) * z.height() / m_hauteurEchelle;
            if (y < 0 || y > z.height())
                continue;
            p.setPen(QPen(QColor(255, 60, 60), 0, Qt::DotLine));
            p.drawLine(z.left(), z.top() + static_cast<int>(y), z.right(),
                       z.top() + static_cast<int>(y));
        }
    // Events: a thin line at their sample and the first letter of their kind.
    if (m_largeurEchelle > 0 && !m_marques.empty()) {
        const double sx = z.width() / static_cast<double>(m_largeurEchelle);
        QFont f = p.font();
        f.setPointSizeF(std::max(6.0, f.pointSizeF() - 1));
        p.setFont(f);
        // One mark a pixel column: ten thousand events over a month stay a few
        // hundred lines to draw.
        int dernierePx = INT_MIN;
        for (const Marque& m : m_marques) {
            const double x = (static_cast<double>(m.index) - static_cast<double>(m_debut)) * sx;
            if (x < 0 || x > z.width())
                continue;
            const int px = z.left() + static_cast<int>(std::lround(x));
            if (px == dernierePx)
                continue;
            dernierePx = px;
            p.setPen(QPen(m.couleur, 0, Qt::DashLine));
            p.drawLine(px, z.top(), px, z.bottom());
            p.setPen(m.couleur);
            p.drawText(QPoint(px + 2, z.top() + p.fontMetrics().ascent()), m.lettre);
        }
    }
    p.restore();
}

void Ecran::paintEvent(QPaintEvent* e) {
    QFrame::paintEvent(e);
    QPainter p(this);
    dessine(p);
    if (m_curseur >= 0) {
        // The readout cursor: a thin line, never part of an export.
        const QRect z = zone();
        p.setPen(QPen(QColor(255, 255, 255, 150), 0));
        p.drawLine(z.left() + m_curseur, z.top(), z.left() + m_curseur, z.bottom());
    }
}

void Ecran::mouseMoveEvent(QMouseEvent* e) {
    const QRect z = zone();
    const int x = static_cast<int>(e->position().x()) - z.left();
    const int c = z.contains(e->position().toPoint()) ? x : -1;
    if (c != m_curseur) {
        m_curseur = c;
        update();
    }
    emit survol(c, e->position().toPoint());
    QFrame::mouseMoveEvent(e);
}

void Ecran::leaveEvent(QEvent* e) {
    if (m_curseur >= 0) {
        m_curseur = -1;
        update();
    }
    emit survol(-1, QPoint());
    QFrame::leaveEvent(e);
}

void Ecran::contextMenuEvent(QContextMenuEvent* e) {
    emit menuDemande(e->globalPos());
    e->accept();
}

void Ecran::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton)
        emit doubleClic();
    QFrame::mouseDoubleClickEvent(e);
}

void Ecran::keyPressEvent(QKeyEvent* e) {
    switch (e->key()) {
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
        emit toucheNavigation(e->key());
        e->accept();
        return;
    default:
        QFrame::keyPressEvent(e);
    }
}

void Ecran::wheelEvent(QWheelEvent* e) {
    m_accumMolette += e->angleDelta().y() != 0 ? e->angleDelta().y() : e->angleDelta().x();
    const int pas = m_accumMolette / 120;
    if (pas != 0) {
        m_accumMolette -= pas * 120;
        emit molette(pas, e->modifiers().testFlag(Qt::ShiftModifier));
    }
    e->accept();
}

} // namespace graph
