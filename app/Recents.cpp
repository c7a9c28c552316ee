#include "app/Recents.h"

#include "files/FichierAlarme.h"

#include <QFileInfo>
#include <QMimeData>
#include <QSettings>
#include <QUrl>

namespace app {

namespace {
const QString kCle = QStringLiteral("grapheEnGrand/recents");
}

QStringList Recents::liste() const {
    return QSettings(files::FichierAlarme::cheminPour(m_cheminConfig), QSettings::IniFormat)
        .value(kCle)
        .toStringList()
        .mid(0, kMax);
}

void Recents::retiens(const QString& chemin) const {
    QStringList l = liste();
    const QString absolu = QFileInfo(chemin).absoluteFilePath();
    l.removeAll(absolu);
    l.prepend(absolu);
    while (l.size() > kMax)
        l.removeLast();
    QSettings(files::FichierAlarme::cheminPour(m_cheminConfig), QSettings::IniFormat)
        .setValue(kCle, l);
}

std::optional<QString> fichierDepose(const QMimeData* donnees) {
    if (!donnees || !donnees->hasUrls() || donnees->urls().size() != 1)
        return std::nullopt;
    const QUrl url = donnees->urls().constFirst();
    if (!url.isLocalFile() || !QFileInfo(url.toLocalFile()).isFile())
        return std::nullopt;
    return url.toLocalFile();
}

} // namespace app
