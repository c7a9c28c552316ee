// Writes the application icon as PNG files for the desktop's icon theme:
//   plovar_icones DIR  ->  DIR/<size>x<size>/apps/plovar.png
#include "ui/Images.h"

#include <QCoreApplication>
#include <QDir>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    if (argc < 2)
        return 2;
    for (int taille : {16, 32, 48, 64, 128, 256}) {
        const QString dir =
            QStringLiteral("%1/%2x%2/apps").arg(QString::fromLocal8Bit(argv[1])).arg(taille);
        if (!QDir().mkpath(dir) ||
            !ui::imageApplication(taille).save(dir + QStringLiteral("/plovar.png")))
            return 1;
    }
    return 0;
}
