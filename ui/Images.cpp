#include "ui/Images.h"

#include "ui/Polices.h"

#include <QLinearGradient>
#include <QPainter>

namespace ui {

QPixmap pixmapApplication() {
    return QPixmap::fromImage(imageApplication(32));
}

QImage imageApplication(int taille) {
    QImage p(32, 32, QImage::Format_ARGB32);
    p.fill(Qt::transparent);
    QPainter g(&p);
    g.fillRect(1, 1, 30, 30, QColor(0, 0, 0));
    g.setPen(QColor(192, 192, 192));
    g.drawRect(1, 1, 29, 29);
    g.setPen(QColor(128, 128, 128));
    g.drawRect(0, 0, 31, 31);
    const int hauteurs[] = {8, 14, 11, 19, 16, 23};
    for (int k = 0; k < 6; ++k)
        g.fillRect(4 + k * 4, 28 - hauteurs[k], 3, hauteurs[k], QColor(0, 200, 0));
    g.fillRect(3, 15, 26, 2, QColor(255, 0, 0));
    g.end();
    return taille == 32 ? p
                        : p.scaled(taille, taille, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

QIcon iconeApplication() {
    QIcon i;
    for (int taille : {16, 32, 48, 64})
        i.addPixmap(QPixmap::fromImage(imageApplication(taille)));
    return i;
}

QPixmap pixmapLettre() {
    QPixmap p(32, 32);
    p.fill(Qt::transparent);
    QPainter g(&p);
    g.setPen(QColor(0, 0, 0));
    g.setBrush(QColor(255, 255, 255));
    g.drawRect(1, 7, 29, 19);
    g.setBrush(QColor(255, 0, 0));
    g.drawRect(23, 9, 5, 6);
    g.setPen(QColor(0, 0, 128));
    g.drawLine(5, 17, 20, 17);
    g.drawLine(5, 20, 22, 20);
    g.drawLine(5, 23, 17, 23);
    g.setPen(QColor(128, 128, 128));
    g.drawLine(4, 10, 12, 10);
    return p;
}

QPixmap pixmapBanniere() {
    QPixmap p(522, 130);
    QPainter g(&p);
    QLinearGradient d(0, 0, 522, 0);
    d.setColorAt(0, QColor(0, 64, 0));
    d.setColorAt(1, QColor(0, 160, 64));
    g.fillRect(p.rect(), d);
    g.setPen(QColor(255, 255, 255));
    QFont f = policeSansSerif(48, true);
    f.setPixelSize(80);
    g.setFont(f);
    g.drawText(p.rect().adjusted(20, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft,
               QStringLiteral("Zib"));
    g.setPen(QPen(QColor(255, 0, 0), 6));
    g.drawLine(200, 65, 500, 65);
    return p;
}

} // namespace ui
