#pragma once

#include <QDoubleSpinBox>

namespace ui {

/// A number field that shows its decimals with a comma, as the rest of the program
/// does, and takes them typed with a comma or a dot (a numeric keypad's key).
class SaisieDecimale : public QDoubleSpinBox {
    Q_OBJECT
public:
    explicit SaisieDecimale(QWidget* parent = nullptr);

    QValidator::State validate(QString& texte, int& pos) const override;
    double valueFromText(const QString& texte) const override;
    void fixup(QString& texte) const override;
};

} // namespace ui
