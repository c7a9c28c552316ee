#include "ui/Images.h"

namespace ui {

// The pictures are compiled in from ui/images.

QPixmap pixmapApplication() {
    return QPixmap(QStringLiteral(":/images/plovar-32.png"));
}

QIcon iconeApplication() {
    QIcon i;
    for (int taille : {16, 32, 48, 64, 128, 256})
        i.addFile(QStringLiteral(":/images/plovar-%1.png").arg(taille), QSize(taille, taille));
    return i;
}

QPixmap pixmapLettre() {
    return QPixmap(QStringLiteral(":/images/lettre.png"));
}

QPixmap pixmapBanniere() {
    return QPixmap(QStringLiteral(":/images/banniere.png"));
}

} // namespace ui
