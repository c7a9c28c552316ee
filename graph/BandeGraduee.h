#pragma once

#include <QFrame>
#include <QLineF>

#include <vector>

namespace graph {

/// A sunken strip beside the drawing area carrying division ticks. Its scale is
/// in twips of its client area; what is drawn is kept and repainted.
class BandeGraduee : public QFrame {
    Q_OBJECT
public:
    explicit BandeGraduee(QWidget* parent = nullptr);

    /// Client area in twips.
    double ScaleWidth() const;
    double ScaleHeight() const;

    /// Draws a line between two points in client twips, kept for every repaint.
    void Line(QPointF de, QPointF a);
    /// The lines drawn so far, in client twips.
    const std::vector<QLineF>& lignes() const { return m_lignes; }

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    std::vector<QLineF> m_lignes;
};

} // namespace graph
