#pragma once

#include "core/Magasin.h"
#include "graph/Marque.h"

#include <QColor>
#include <QFrame>
#include <QLabel>
#include <QPointF>

#include <optional>
#include <vector>

namespace graph {

/// The drawing area: a sunken picture box with a user scale (origin top-left,
/// y downwards, height 255 graph units), two reference lines and the trace.
/// The trace is kept as a view of the sample store, so it survives covering,
/// uncovering and widening.
class Ecran : public QFrame {
    Q_OBJECT
public:
    using Marque = graph::Marque;
    /// The events drawn over the trace.
    void setMarques(std::vector<Marque> m) {
        m_marques = std::move(m);
        update();
    }
    const std::vector<Marque>& marques() const { return m_marques; }
    /// A hidden label over the area, light text on dark, for the readout and the
    /// zoom information.
    QLabel* etiquette(const QString& nom, int marge);
    void ajouteMarque(Marque m) {
        m_marques.push_back(std::move(m));
        update();
    }
    /// Horizontal lines at these values (the alarm's limits, as raw values).
    void setLimites(std::vector<double> v) {
        m_limites = std::move(v);
        update();
    }
    const std::vector<double>& limites() const { return m_limites; }

    explicit Ecran(QWidget* parent = nullptr);

    /// Scale width in graph units.
    float ScaleWidth() const { return m_largeurEchelle; }
    void setScaleWidth(float l) { m_largeurEchelle = l; }
    /// Scale height in graph units.
    float ScaleHeight() const { return m_hauteurEchelle; }
    void setScaleHeight(float h) { m_hauteurEchelle = h; }

    /// Horizontal reference line: from the left edge across the area at height y
    /// (graph units); kept at its physical place when the scale width changes.
    void placeLigneH(float y);
    /// Vertical reference line at x (graph units) from top to bottom.
    void placeLigneV(float x);
    /// Reference lines in inner pixels (for tests): y of LineH1, x of LineV1.
    std::optional<double> ligneHPixels() const { return m_ligneH; }
    std::optional<double> ligneVPixels() const { return m_ligneV; }

    /// Erases the trace (the reference lines stay).
    void Cls();
    /// Shows samples 0 to n of the store, sample i at x = i - debut, with the
    /// vertical offset decalageY.
    void traceMagasin(const core::Magasin* m, qint64 n, int decalageY, float hauteur, qint64 debut);
    /// Samples 0..n are traced, -1 when the area is clear.
    qint64 nbTrace() const { return m_n; }
    qint64 debut() const { return m_debut; }

    /// Inner drawing rectangle in pixels.
    QRect zone() const { return contentsRect(); }

    /// The traced points in graph units (x relative to the view's first sample),
    /// from one sample before the left edge to one past the right edge; where many
    /// samples share a pixel column, only those that shape it.
    std::vector<QPointF> pointsUnites() const;

    /// Paints the area into any device (used by benchmarks and grabs).
    void dessine(QPainter& p) const;

signals:
    /// Wheel turned over the area: steps up (> 0) or down; `decalage` with Shift.
    void molette(int pas, bool decalage);
    /// PageUp, PageDown, Home or End pressed while the area has the focus.
    void toucheNavigation(int touche);
    /// The pointer is over inner pixel column x (-1 when it left the area).
    void survol(int x, QPoint position);
    /// The context menu is asked for (right click, Menu key, Shift+F10), at a point
    /// on the screen.
    void menuDemande(QPoint global);
    /// Double-clicked with the left button.
    void doubleClic();

protected:
    void paintEvent(QPaintEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;

private:
    float m_largeurEchelle = 0;
    std::vector<Marque> m_marques;
    std::vector<double> m_limites;
    float m_hauteurEchelle = 0;
    std::optional<double> m_ligneH; // fraction of the inner height
    std::optional<double> m_ligneV; // fraction of the inner width
    const core::Magasin* m_magasin = nullptr;
    qint64 m_n = -1;
    int m_decalageY = 0;
    float m_hauteur = 255;
    qint64 m_debut = 0;
    int m_accumMolette = 0;
    /// Inner pixel column of the readout cursor; -1 when hidden.
    int m_curseur = -1;
};

} // namespace graph
