#pragma once

#include "graph/RenduGrand.h"

#include <QPixmap>
#include <QWidget>

#include <functional>
#include <optional>

namespace graph {

/// The large graph as a control: the wheel zooms around the pointer, a drag
/// selects a span to zoom to, the keys travel (Home, End, Page Up/Down, arrows,
/// + and -), a click or a drag on the overview moves the view there, and a
/// cross-hair with its readout follows the pointer. The drawing is kept in a
/// picture, so the cross-hair moves without redrawing the samples.
class GrapheGrand : public QWidget {
    Q_OBJECT
public:
    explicit GrapheGrand(QWidget* parent = nullptr);

    /// The samples to show; `chronologie` must follow the same store.
    void setDonnees(const core::Magasin* m, const Chronologie* chronologie);
    void setEtalonnage(const core::Etalonnage& e);
    void setMarques(std::vector<Marque> marques);
    void setLimites(std::vector<double> limites);
    /// The store changed: new samples, or another run. A view at the end of the
    /// run stays at the end, the whole run stays whole.
    void actualise();
    /// Shows the whole run.
    void vueEntiere();
    /// Shows the same width centred on sample i.
    void centreSur(qint64 i);
    void setCadrage(Cadrage c);
    Cadrage cadrage() const { return m_scene.cadrage; }
    Limites limites() const;
    /// The first and last whole sample shown.
    std::pair<qint64, qint64> visibles() const;
    /// What the readout says about the samples under pixel column x.
    QString lecture(double x) const;
    /// The scene as drawn, for images and printing.
    const SceneGrand& scene() const { return m_scene; }
    /// How the readout names sample i (its record number and run); "n° i" when unset.
    std::function<QString(qint64)> texteNumero;

signals:
    /// The view moved or was zoomed.
    void cadrageChange();
    /// The context menu is asked for at `global`, over sample `index` (0 for none).
    void menuDemande(QPoint global, qint64 index);

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void wheelEvent(QWheelEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;

private:
    void invalide();
    void changeCadrage(Cadrage c);
    /// Moves the view so that overview pixel x is its middle.
    void vaApercu(double x);
    bool aLaFin() const;
    bool entiere() const;

    SceneGrand m_scene;
    PlanGrand m_plan;
    QPixmap m_image;
    bool m_imageValide = false;
    std::optional<QPointF> m_pointeur;
    std::optional<double> m_debutSelection;
    bool m_glisseApercu = false;
    /// The last sample when the view was last placed.
    double m_dernierVu = 0;
};

} // namespace graph
