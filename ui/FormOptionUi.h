#pragma once

#include <QButtonGroup>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <array>

namespace ui {

/// A thin rule drawn in one colour (the engraved separators of the dialog).
class Trait : public QWidget {
    Q_OBJECT
public:
    Trait(const QColor& couleur, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    QColor m_couleur;
};

/// Every control of the settings dialog.
struct FormOptionUi {
    QGroupBox* Frame1 = nullptr;
    std::array<QRadioButton*, 11> Option1{}; ///< indices 1 to 10; [0] unused
    QGroupBox* Frame2 = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* Text1 = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* Text2 = nullptr;
    QGroupBox* Capteur = nullptr;
    std::array<QRadioButton*, 3> Option2{}; ///< indices 0 to 2, the source codes
    QLineEdit* Text3 = nullptr;
    std::array<QRadioButton*, 4> Option3{}; ///< channels 0 to 3
    std::array<Trait*, 2> Line1{};
    std::array<Trait*, 2> Line2{};
    QPushButton* Command1 = nullptr;
    /// The rate group, and the single group of the seven source and channel buttons.
    QButtonGroup* groupeCadence = nullptr;
    QButtonGroup* groupeCapteur = nullptr;

    void setupUi(QDialog* d);
};

} // namespace ui
