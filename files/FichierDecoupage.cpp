#include "files/FichierDecoupage.h"

#include <QFileInfo>
#include <QSettings>

namespace files {

namespace {
const QString kCle = QStringLiteral("enregistrement/fichier_par");
}

core::Decoupage lisDecoupage(const QString& cheminIni) {
    if (!QFileInfo(cheminIni).isFile() || QFileInfo(cheminIni).size() > 64 * 1024)
        return core::Decoupage::Aucun;
    const QSettings s(cheminIni, QSettings::IniFormat);
    return core::decoupage(s.value(kCle).toString()).value_or(core::Decoupage::Aucun);
}

bool ecritDecoupage(const QString& cheminIni, core::Decoupage d) {
    QSettings s(cheminIni, QSettings::IniFormat);
    s.setValue(kCle, core::texteDecoupage(d));
    s.sync();
    return s.status() == QSettings::NoError;
}

} // namespace files
