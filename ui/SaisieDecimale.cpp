#include "ui/SaisieDecimale.h"

#include <QLocale>

namespace ui {

namespace {

QString avecVirgule(QString texte) {
    texte.replace(QLatin1Char('.'), QLatin1Char(','));
    return texte;
}

} // namespace

SaisieDecimale::SaisieDecimale(QWidget* parent) : QDoubleSpinBox(parent) {
    QLocale francais(QLocale::French, QLocale::France);
    // "1 234,5" would not take a typed "1234,5" back as the same number.
    francais.setNumberOptions(QLocale::OmitGroupSeparator);
    setLocale(francais);
}

QValidator::State SaisieDecimale::validate(QString& texte, int& pos) const {
    // The dot becomes a comma in the field itself, where it was typed.
    texte = avecVirgule(texte);
    return QDoubleSpinBox::validate(texte, pos);
}

double SaisieDecimale::valueFromText(const QString& texte) const {
    return QDoubleSpinBox::valueFromText(avecVirgule(texte));
}

void SaisieDecimale::fixup(QString& texte) const {
    texte = avecVirgule(texte);
    QDoubleSpinBox::fixup(texte);
}

} // namespace ui
