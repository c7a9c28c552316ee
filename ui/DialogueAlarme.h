#pragma once

#include "core/Alarme.h"

#include <QCheckBox>
#include <QDialog>
#include <QDoubleSpinBox>
#include <QLineEdit>

namespace ui {

/// Sets the threshold alarm: a high and a low limit (each may be off), the
/// hysteresis and the minimum duration.
class DialogueAlarme : public QDialog {
    Q_OBJECT
public:
    DialogueAlarme(const core::ReglageAlarme& actuel, const QString& unite,
                   QWidget* parent = nullptr);
    core::ReglageAlarme valeur() const;

private:
    QCheckBox* m_avecHaute;
    QDoubleSpinBox* m_haute;
    QCheckBox* m_avecBasse;
    QDoubleSpinBox* m_basse;
    QDoubleSpinBox* m_hysteresis;
    QDoubleSpinBox* m_maintien;
    QCheckBox* m_bip;
    QLineEdit* m_commande;
};

} // namespace ui
