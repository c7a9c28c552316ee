#include "ui/Polices.h"

#include <QStringList>

namespace ui {

QFont policeSansSerif(double points, bool gras) {
    QFont f;
    f.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                   QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                   QStringLiteral("DejaVu Sans")});
    f.setStyleHint(QFont::SansSerif);
    f.setPointSizeF(points);
    f.setBold(gras);
    return f;
}

QFont policeSerif(double points) {
    QFont f;
    f.setFamilies({QStringLiteral("MS Serif"), QStringLiteral("Liberation Serif"),
                   QStringLiteral("Times New Roman"), QStringLiteral("DejaVu Serif")});
    f.setStyleHint(QFont::Serif);
    f.setPointSizeF(points);
    return f;
}

} // namespace ui
