#include "graph/Couleurs.h"

#include <QGuiApplication>
#include <QPalette>

namespace graph::couleurs {

QColor cadreFenetre() {
    return QColor(0, 0, 0);
}
QColor titreInactif() {
    return QColor(128, 128, 128);
}
QColor bordureActive() {
    return QColor(212, 208, 200);
}
QColor fondFenetre() {
    return QGuiApplication::palette().color(QPalette::Base);
}
QColor texteFenetre() {
    return QGuiApplication::palette().color(QPalette::Text);
}
QColor ombreBouton() {
    return QGuiApplication::palette().color(QPalette::Dark);
}

} // namespace graph::couleurs
