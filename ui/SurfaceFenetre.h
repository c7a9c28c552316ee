#pragma once

#include <QPointF>
#include <QString>
#include <QWidget>

#include <vector>

namespace ui {

/// The main window's own surface: texts printed on it stay and are repainted.
class SurfaceFenetre : public QWidget {
    Q_OBJECT
public:
    explicit SurfaceFenetre(QWidget* parent = nullptr) : QWidget(parent) {}

    struct Texte {
        QPointF positionTwips; ///< top-left corner, window twips
        QString texte;
    };
    /// Prints text with its top-left corner at a position in twips.
    void imprime(QPointF positionTwips, const QString& texte);
    const std::vector<Texte>& textes() const { return m_textes; }

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    std::vector<Texte> m_textes;
};

} // namespace ui
