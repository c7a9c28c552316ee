#pragma once

#include "core/Etalonnage.h"

#include <QDialog>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QSpinBox>

namespace ui {

/// "Étalonnage": two points (raw value to physical value), a unit and a number of
/// decimals; "Aucun" switches the calibration off.
class DialogueEtalonnage : public QDialog {
    Q_OBJECT
public:
    explicit DialogueEtalonnage(const core::Etalonnage& actuel, QWidget* parent = nullptr);
    /// What the fields say (switched on unless "Aucun" was chosen).
    core::Etalonnage valeur() const;

private:
    QDoubleSpinBox* m_brut[2];
    QDoubleSpinBox* m_physique[2];
    QLineEdit* m_unite;
    QSpinBox* m_decimales;
    bool m_aucun = false;
};

} // namespace ui
