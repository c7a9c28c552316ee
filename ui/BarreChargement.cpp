#include "ui/BarreChargement.h"

#include "graph/Geometrie.h"
#include "ui/EnregistreurUi.h"

#include <QGuiApplication>
#include <QScreen>

namespace ui {

BarreChargement::BarreChargement() {
    setObjectName(QStringLiteral("barreChargement"));
    setWindowTitle(QStringLiteral("Chargement en cours..."));
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    // The caption strip, in the colours of an active title bar.
    legende = new QLabel(windowTitle(), this);
    legende->setObjectName(QStringLiteral("legende"));
    legende->setAutoFillBackground(true);
    legende->setAlignment(Qt::AlignCenter);
    QFont gras = legende->font();
    gras.setBold(true);
    legende->setFont(gras);
    QPalette pal = legende->palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::Active, QPalette::Highlight));
    pal.setColor(QPalette::WindowText, pal.color(QPalette::Active, QPalette::HighlightedText));
    legende->setPalette(pal);
    const int hauteurLegende = legende->sizeHint().height() + 4;
    legende->setGeometry(1, 1, graph::px(4650) - 2, hauteurLegende);
    setFixedSize(graph::px(4650), graph::px(585) + hauteurLegende);
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    place(ProgressBar1, 360, 120, 3975, 255);
    ProgressBar1->move(ProgressBar1->x(), ProgressBar1->y() + hauteurLegende);
}

void BarreChargement::centre() {
    const QScreen* ecran = QGuiApplication::primaryScreen();
    if (!ecran)
        return;
    const QRect r = ecran->geometry();
    move(r.x() + (r.width() - width()) / 2, r.y() + (r.height() - height()) / 2);
}

void BarreChargement::avance(qint64 position, qint64 taille) {
    // The bar counts bytes; very large files are counted in larger units so the
    // range fits, and an empty file shows an empty bar.
    int decalage = 0;
    while ((taille >> decalage) > 0x7FFFFFFF)
        ++decalage;
    ProgressBar1->setMaximum(static_cast<int>(taille >> decalage));
    ProgressBar1->setValue(static_cast<int>(std::min(position, taille) >> decalage));
}

} // namespace ui
