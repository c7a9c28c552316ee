#include "files/FichierEtalonnage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

namespace files {

QString FichierEtalonnage::cheminPour(const QString& cheminConfig) {
    return QFileInfo(cheminConfig).absoluteDir().filePath(QStringLiteral("plovar.ini"));
}

QString FichierEtalonnage::cheminAncien(const QString& cheminConfig) {
    return QFileInfo(cheminConfig).absoluteDir().filePath(QStringLiteral("plovar-etalonnage.ini"));
}

core::Etalonnage FichierEtalonnage::pour(const QString& cheminConfig, LectureEtalonnage* etat,
                                         QString* lu) {
    const FichierEtalonnage nouveau(cheminPour(cheminConfig));
    LectureEtalonnage l = LectureEtalonnage::Absente;
    core::Etalonnage e = nouveau.lit(&l);
    QString depuis = nouveau.chemin();
    const FichierEtalonnage ancien(cheminAncien(cheminConfig));
    if (l == LectureEtalonnage::Absente && QFileInfo::exists(ancien.chemin())) {
        e = ancien.lit(&l);
        depuis = ancien.chemin();
        // Moved once it is safely in its new place; a damaged one stays for the user.
        if (l == LectureEtalonnage::Lue && nouveau.ecrit(e)) {
            QFile::remove(ancien.chemin() + QStringLiteral(".ancien"));
            QFile::rename(ancien.chemin(), ancien.chemin() + QStringLiteral(".ancien"));
        }
    }
    if (etat)
        *etat = l;
    if (lu)
        *lu = depuis;
    return e;
}

core::Etalonnage FichierEtalonnage::lit(LectureEtalonnage* etat) const {
    const auto resultat = [etat](LectureEtalonnage l, const core::Etalonnage& e = {}) {
        if (etat)
            *etat = l;
        return e;
    };
    const QFileInfo info(m_chemin);
    if (!info.exists())
        return resultat(LectureEtalonnage::Absente);
    if (!info.isFile() || info.size() > 64 * 1024)
        return resultat(LectureEtalonnage::Endommagee);
    // Settings are text: a NUL byte means the file was damaged.
    {
        QFile f(m_chemin);
        if (!f.open(QIODevice::ReadOnly) || f.readAll().contains('\0'))
            return resultat(LectureEtalonnage::Endommagee);
    }
    QSettings s(m_chemin, QSettings::IniFormat);
    if (s.status() != QSettings::NoError)
        return resultat(LectureEtalonnage::Endommagee);
    // The file holds other settings too: no part of its own is no calibration.
    if (!s.childGroups().contains(QStringLiteral("etalonnage")))
        return resultat(LectureEtalonnage::Absente);
    s.beginGroup(QStringLiteral("etalonnage"));
    core::Etalonnage e;
    bool ok[6] = {};
    const QString actif = s.value(QStringLiteral("actif")).toString();
    e.actif = actif == QStringLiteral("oui");
    ok[5] = e.actif || actif == QStringLiteral("non");
    e.brut1 = s.value(QStringLiteral("brut1")).toString().toDouble(&ok[0]);
    e.physique1 = s.value(QStringLiteral("physique1")).toString().toDouble(&ok[1]);
    e.brut2 = s.value(QStringLiteral("brut2")).toString().toDouble(&ok[2]);
    e.physique2 = s.value(QStringLiteral("physique2")).toString().toDouble(&ok[3]);
    e.unite = s.value(QStringLiteral("unite")).toString();
    e.decimales = s.value(QStringLiteral("decimales")).toString().toInt(&ok[4]);
    // Anything unreadable or out of range: no calibration at all.
    for (bool b : ok)
        if (!b)
            return resultat(LectureEtalonnage::Endommagee);
    if (e.refus())
        return resultat(LectureEtalonnage::Endommagee);
    return resultat(LectureEtalonnage::Lue, e);
}

bool FichierEtalonnage::sauvegarde() const {
    QFile::remove(cheminSauvegarde());
    return QFile::copy(m_chemin, cheminSauvegarde());
}

bool FichierEtalonnage::ecrit(const core::Etalonnage& e) const {
    QSettings s(m_chemin, QSettings::IniFormat);
    s.beginGroup(QStringLiteral("etalonnage"));
    s.setValue(QStringLiteral("actif"), e.actif ? QStringLiteral("oui") : QStringLiteral("non"));
    s.setValue(QStringLiteral("brut1"), QString::number(e.brut1, 'g', 17));
    s.setValue(QStringLiteral("physique1"), QString::number(e.physique1, 'g', 17));
    s.setValue(QStringLiteral("brut2"), QString::number(e.brut2, 'g', 17));
    s.setValue(QStringLiteral("physique2"), QString::number(e.physique2, 'g', 17));
    s.setValue(QStringLiteral("unite"), e.unite);
    s.setValue(QStringLiteral("decimales"), QString::number(e.decimales));
    s.endGroup();
    s.sync();
    return s.status() == QSettings::NoError;
}

core::Etalonnage FichierEtalonnage::charge(const QString& cheminConfig, QString* avis) {
    LectureEtalonnage lecture = LectureEtalonnage::Absente;
    QString lu;
    const core::Etalonnage e = pour(cheminConfig, &lecture, &lu);
    avis->clear();
    if (lecture != LectureEtalonnage::Endommagee)
        return e;
    const FichierEtalonnage fichier(lu);
    const QString chemin = QDir::toNativeSeparators(fichier.chemin());
    *avis = fichier.sauvegarde()
                ? QStringLiteral("Le fichier d'étalonnage %1 est endommagé : les valeurs restent "
                                 "brutes. L'ancien fichier est conservé dans %2.")
                      .arg(chemin, QDir::toNativeSeparators(fichier.cheminSauvegarde()))
                : QStringLiteral("Le fichier d'étalonnage %1 est endommagé : les valeurs restent "
                                 "brutes (l'ancien fichier n'a pas pu être conservé).")
                      .arg(chemin);
    return e;
}

} // namespace files
