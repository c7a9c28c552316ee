#include "graph/GrapheGrand.h"

#include "graph/Graduations.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <cmath>

namespace graph {

GrapheGrand::GrapheGrand(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(320, 200);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void GrapheGrand::setDonnees(const core::Magasin* m, const Chronologie* chronologie) {
    m_scene.magasin = m;
    m_scene.chronologie = chronologie;
    m_scene.cadrage = entier(limites());
    m_dernierVu = limites().dernier;
    invalide();
    emit cadrageChange();
}

void GrapheGrand::setEtalonnage(const core::Etalonnage& e) {
    m_scene.etalonnage = e;
    invalide();
}

void GrapheGrand::setMarques(std::vector<Marque> marques) {
    m_scene.marques = std::move(marques);
    invalide();
}

void GrapheGrand::setLimites(std::vector<double> limites) {
    m_scene.limites = std::move(limites);
    invalide();
}

Limites GrapheGrand::limites() const {
    Limites l;
    if (!m_scene.magasin || m_scene.magasin->NbMesures() < 1)
        return l;
    l.premier = static_cast<double>(std::max<qint64>(1, m_scene.magasin->premier()));
    l.dernier = static_cast<double>(m_scene.magasin->NbMesures());
    return l;
}

bool GrapheGrand::aLaFin() const {
    return m_scene.cadrage.fin() >= limites().dernier - 1e-6;
}

bool GrapheGrand::entiere() const {
    const Limites l = limites();
    return m_scene.cadrage.debut <= l.premier + 1e-6 && aLaFin();
}

void GrapheGrand::actualise() {
    // Where the view stood before the new samples came.
    Cadrage c = m_scene.cadrage;
    const Limites l = limites();
    if (c.debut <= l.premier + 1e-6 && c.fin() >= m_dernierVu - 1e-6)
        c = entier(l);
    else if (c.fin() >= m_dernierVu - 1e-6)
        c.debut = l.dernier - c.largeur;
    m_dernierVu = l.dernier;
    m_scene.cadrage = borne(c, l);
    invalide();
    emit cadrageChange();
}

void GrapheGrand::vueEntiere() {
    changeCadrage(entier(limites()));
}

void GrapheGrand::centreSur(qint64 i) {
    changeCadrage(graph::centreSur(m_scene.cadrage, static_cast<double>(i), limites()));
}

void GrapheGrand::setCadrage(Cadrage c) {
    changeCadrage(c);
}

void GrapheGrand::changeCadrage(Cadrage c) {
    c = borne(c, limites());
    if (c.debut == m_scene.cadrage.debut && c.largeur == m_scene.cadrage.largeur)
        return;
    m_scene.cadrage = c;
    invalide();
    emit cadrageChange();
}

std::pair<qint64, qint64> GrapheGrand::visibles() const {
    if (!m_scene.magasin || m_scene.magasin->NbMesures() < 1)
        return {1, 0};
    const Limites l = limites();
    const qint64 a = static_cast<qint64>(std::max(l.premier, std::floor(m_scene.cadrage.debut)));
    const qint64 b = static_cast<qint64>(std::min(l.dernier, std::ceil(m_scene.cadrage.fin())));
    return {a, b};
}

void GrapheGrand::invalide() {
    m_imageValide = false;
    update();
}

void GrapheGrand::paintEvent(QPaintEvent*) {
    const qreal ratio = devicePixelRatioF();
    if (!m_imageValide || m_image.size() != size() * ratio) {
        m_image = QPixmap(size() * ratio);
        m_image.setDevicePixelRatio(ratio);
        QPainter p(&m_image);
        p.setFont(font());
        m_plan = dessineGrand(p, QRectF(rect()), m_scene);
        m_imageValide = true;
    }
    QPainter p(this);
    p.drawPixmap(0, 0, m_image);
    if (m_debutSelection && m_pointeur) {
        const double x0 = std::clamp(*m_debutSelection, m_plan.trace.left(), m_plan.trace.right());
        const double x1 = std::clamp(m_pointeur->x(), m_plan.trace.left(), m_plan.trace.right());
        p.fillRect(QRectF(QPointF(std::min(x0, x1), m_plan.trace.top()),
                          QPointF(std::max(x0, x1), m_plan.trace.bottom())),
                   QColor(80, 140, 255, 60));
    }
    if (!m_pointeur || !m_plan.trace.contains(*m_pointeur))
        return;
    // The cross-hair and its readout.
    const QPointF q = *m_pointeur;
    p.setPen(QPen(QColor(200, 200, 200, 160), 0, Qt::DashLine));
    p.drawLine(QPointF(q.x(), m_plan.trace.top()), QPointF(q.x(), m_plan.trace.bottom()));
    p.drawLine(QPointF(m_plan.trace.left(), q.y()), QPointF(m_plan.trace.right(), q.y()));
    const QString texte = lecture(q.x());
    if (texte.isEmpty())
        return;
    const QFontMetrics fm(font());
    QRect boite =
        fm.boundingRect(QRect(0, 0, 400, 400), Qt::AlignLeft, texte).adjusted(-5, -3, 5, 3);
    QPoint coin = q.toPoint() + QPoint(14, 14);
    if (coin.x() + boite.width() > m_plan.trace.right())
        coin.setX(q.toPoint().x() - 14 - boite.width());
    if (coin.y() + boite.height() > m_plan.trace.bottom())
        coin.setY(q.toPoint().y() - 14 - boite.height());
    boite.moveTopLeft(coin);
    p.fillRect(boite, QColor(0, 0, 0, 200));
    p.setPen(Qt::white);
    p.drawText(boite.adjusted(5, 3, -5, -3), Qt::AlignLeft, texte);
}

QString GrapheGrand::lecture(double x) const {
    const core::Magasin* m = m_scene.magasin;
    if (!m || m->NbMesures() < 1 || !m_plan.trace.isValid())
        return {};
    const Cadrage& c = m_scene.cadrage;
    // The samples whose position falls in this pixel column, else the nearest.
    qint64 a = static_cast<qint64>(std::ceil(m_plan.index(std::floor(x), c)));
    qint64 b = static_cast<qint64>(std::ceil(m_plan.index(std::floor(x) + 1, c))) - 1;
    if (b < a)
        a = b = std::llround(m_plan.index(x, c));
    const Limites l = limites();
    a = std::max(a, static_cast<qint64>(l.premier));
    b = std::min(b, static_cast<qint64>(l.dernier));
    if (b < a)
        return {};
    const auto valeur = [&](double brute) {
        const core::Etalonnage& e = m_scene.etalonnage;
        if (!e.actif)
            return QString::number(brute, 'g', 6);
        return e.texte(brute);
    };
    const auto quand = [&](qint64 i) {
        const qint64 t = m->instant(i);
        return t == 0 ? QStringLiteral("date inconnue") : texteInstant(t, m_scene.zone);
    };
    const auto numero = [&](qint64 i) {
        return texteNumero ? texteNumero(i) : QStringLiteral("n° %1").arg(i);
    };
    QString t;
    if (a == b) {
        t = QStringLiteral("%1\n%2\n%3").arg(valeur(m->valeur(a)), quand(a), numero(a));
    } else {
        const core::MinMax mm = m->minMax(a, b);
        t = QStringLiteral("min %1  max %2\n%3 → %4\n%5 → %6")
                .arg(valeur(mm.min), valeur(mm.max), quand(a), quand(b), numero(a), numero(b));
    }
    for (const Marque& mq : m_scene.marques)
        if (mq.index >= a && mq.index <= b && !mq.texte.isEmpty())
            t += QLatin1Char('\n') + mq.texte.left(80);
    return t;
}

void GrapheGrand::resizeEvent(QResizeEvent*) {
    m_imageValide = false;
}

void GrapheGrand::wheelEvent(QWheelEvent* e) {
    const double crans = e->angleDelta().y() / 120.0;
    if (crans == 0 || !m_plan.trace.isValid())
        return;
    const double fraction =
        (e->position().x() - m_plan.trace.left()) / std::max(1.0, m_plan.trace.width());
    changeCadrage(zoomAutour(m_scene.cadrage, fraction, std::pow(1.25, crans), limites()));
    e->accept();
}

void GrapheGrand::vaApercu(double x) {
    const Limites l = limites();
    const double i = l.premier + (x - m_plan.apercu.left()) / std::max(1.0, m_plan.apercu.width()) *
                                     (l.dernier - l.premier);
    changeCadrage(graph::centreSur(m_scene.cadrage, i, l));
}

void GrapheGrand::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton)
        return;
    const QPointF q = e->position();
    if (m_plan.apercu.contains(q)) {
        m_glisseApercu = true;
        vaApercu(q.x());
    } else if (m_plan.trace.contains(q)) {
        m_debutSelection = q.x();
    }
}

void GrapheGrand::mouseMoveEvent(QMouseEvent* e) {
    m_pointeur = e->position();
    if (m_glisseApercu)
        vaApercu(e->position().x());
    update();
}

void GrapheGrand::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton)
        return;
    m_glisseApercu = false;
    if (m_debutSelection) {
        const double x0 = *m_debutSelection, x1 = e->position().x();
        m_debutSelection.reset();
        // A click is no selection.
        if (std::abs(x1 - x0) >= 5) {
            const double w = std::max(1.0, m_plan.trace.width());
            changeCadrage(selection(m_scene.cadrage, (x0 - m_plan.trace.left()) / w,
                                    (x1 - m_plan.trace.left()) / w, limites()));
        }
        update();
    }
}

void GrapheGrand::mouseDoubleClickEvent(QMouseEvent* e) {
    // A double-click zooms in around the point, as two notches of the wheel.
    if (!m_plan.trace.contains(e->position()))
        return;
    const double fraction =
        (e->position().x() - m_plan.trace.left()) / std::max(1.0, m_plan.trace.width());
    changeCadrage(zoomAutour(m_scene.cadrage, fraction, 1.5625, limites()));
}

void GrapheGrand::keyPressEvent(QKeyEvent* e) {
    const Limites l = limites();
    const Cadrage c = m_scene.cadrage;
    switch (e->key()) {
    case Qt::Key_Home:
        changeCadrage({l.premier, c.largeur});
        break;
    case Qt::Key_End:
        changeCadrage({l.dernier - c.largeur, c.largeur});
        break;
    case Qt::Key_PageUp:
        changeCadrage(decale(c, -1, l));
        break;
    case Qt::Key_PageDown:
        changeCadrage(decale(c, 1, l));
        break;
    case Qt::Key_Left:
        changeCadrage(decale(c, -0.1, l));
        break;
    case Qt::Key_Right:
        changeCadrage(decale(c, 0.1, l));
        break;
    case Qt::Key_Plus:
    case Qt::Key_Up:
        changeCadrage(zoomAutour(c, 0.5, 1.25, l));
        break;
    case Qt::Key_Minus:
    case Qt::Key_Down:
        changeCadrage(zoomAutour(c, 0.5, 0.8, l));
        break;
    case Qt::Key_Escape:
        m_debutSelection.reset();
        update();
        break;
    default:
        QWidget::keyPressEvent(e);
        return;
    }
    e->accept();
}

void GrapheGrand::leaveEvent(QEvent*) {
    m_pointeur.reset();
    update();
}

void GrapheGrand::contextMenuEvent(QContextMenuEvent* e) {
    qint64 index = 0;
    if (m_plan.trace.contains(e->pos())) {
        index = std::llround(m_plan.index(e->pos().x(), m_scene.cadrage));
        const Limites l = limites();
        index = std::clamp<qint64>(index, static_cast<qint64>(l.premier),
                                   static_cast<qint64>(l.dernier));
    }
    emit menuDemande(e->globalPos(), index);
}

} // namespace graph
