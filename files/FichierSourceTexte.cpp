#include "files/FichierSourceTexte.h"

#include <QFileInfo>
#include <QSettings>

namespace files {

namespace {
const QString kActive = QStringLiteral("source_texte/active");
const QString kPort = QStringLiteral("source_texte/port");
const QString kVitesse = QStringLiteral("source_texte/vitesse");
const QString kEtiquette = QStringLiteral("source_texte/etiquette");
// A settings file far larger than any Plovar writes is not read at all.
constexpr qint64 kTailleMax = 64 * 1024;
} // namespace

LectureSourceTexte lisSourceTexte(const QString& cheminIni) {
    LectureSourceTexte r;
    const QFileInfo info(cheminIni);
    if (!info.isFile() || info.size() > kTailleMax)
        return r;
    const QSettings s(cheminIni, QSettings::IniFormat);
    r.reglage.port = s.value(kPort).toString().left(4096);
    bool ok = false;
    const int vitesse = s.value(kVitesse).toInt(&ok);
    if (ok)
        r.reglage.vitesse = vitesse;
    // Kept as written: a wrong value is told when the port is opened, not replaced.
    r.reglage.etiquette =
        s.value(kEtiquette).toString().left(core::ReglageTexte::kEtiquetteMax + 1);
    r.active = s.value(kActive).toBool();
    return r;
}

bool ecritSourceTexte(const QString& cheminIni, const core::ReglageTexte& r, bool active) {
    QSettings s(cheminIni, QSettings::IniFormat);
    s.setValue(kActive, active);
    s.setValue(kPort, r.port);
    s.setValue(kVitesse, r.vitesse);
    s.setValue(kEtiquette, r.etiquette);
    s.sync();
    return s.status() == QSettings::NoError;
}

} // namespace files
