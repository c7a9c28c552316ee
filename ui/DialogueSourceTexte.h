#pragma once

#include "core/ReglageTexte.h"

#include <QComboBox>
#include <QDialog>
#include <QLineEdit>

namespace ui {

/// "Source texte": a board that prints its readings as text lines, on a serial
/// port chosen from those present or typed, at a speed, read by its first number
/// or by a label.
class DialogueSourceTexte : public QDialog {
    Q_OBJECT
public:
    explicit DialogueSourceTexte(const core::ReglageTexte& actuel, QWidget* parent = nullptr);
    /// What the fields say.
    core::ReglageTexte valeur() const;

    void accept() override;

private:
    QComboBox* m_port;
    QComboBox* m_vitesse;
    QLineEdit* m_etiquette;
};

} // namespace ui
