#pragma once

#include <QWidget>

namespace ui {

/// The recording LED, drawn as three stacked circles in its borderless holder:
/// a halo behind (visible only when lit), the body, and a white reflection spot.
class Led : public QWidget {
    Q_OBJECT
public:
    explicit Led(QWidget* parent = nullptr);

    /// Fill colour of the body as 0x00BBGGRR: 128 dark, 255 lit.
    int FillColor() const { return m_remplissage; }
    bool allumee() const { return m_remplissage == 255; }
    /// Lit look: bright body, opaque halo with a solid rim.
    void allume();
    /// Dark look: dark body, invisible halo.
    void eteint();

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    int m_remplissage = 128;
};

} // namespace ui
