#include "files/FichierAlarme.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace files {

namespace {

std::optional<double> nombre(const QSettings& s, const QString& cle) {
    bool ok = false;
    const double v = s.value(cle).toString().toDouble(&ok);
    return ok ? std::optional<double>(v) : std::nullopt;
}

QString texte(const std::optional<double>& v) {
    return v ? QString::number(*v, 'g', 17) : QString();
}

} // namespace

QString FichierAlarme::cheminPour(const QString& cheminConfig) {
    return QFileInfo(cheminConfig).absoluteDir().filePath(QStringLiteral("plovar.ini"));
}

core::ReglageAlarme FichierAlarme::lit() const {
    if (!QFileInfo(m_chemin).isFile() || QFileInfo(m_chemin).size() > 64 * 1024)
        return {};
    QSettings s(m_chemin, QSettings::IniFormat);
    s.beginGroup(QStringLiteral("alarme"));
    core::ReglageAlarme r;
    r.haute = nombre(s, QStringLiteral("haute"));
    r.basse = nombre(s, QStringLiteral("basse"));
    r.hysteresis = nombre(s, QStringLiteral("hysteresis")).value_or(0);
    r.maintienMs = static_cast<qint64>(nombre(s, QStringLiteral("maintien_s")).value_or(0) * 1000);
    r.bip = s.value(QStringLiteral("bip")).toString() == QStringLiteral("oui");
    r.commande = s.value(QStringLiteral("commande")).toString();
    return r.refus() ? core::ReglageAlarme() : r;
}

bool FichierAlarme::ecrit(const core::ReglageAlarme& r) const {
    QSettings s(m_chemin, QSettings::IniFormat);
    s.beginGroup(QStringLiteral("alarme"));
    s.setValue(QStringLiteral("haute"), texte(r.haute));
    s.setValue(QStringLiteral("basse"), texte(r.basse));
    s.setValue(QStringLiteral("hysteresis"), texte(r.hysteresis));
    s.setValue(QStringLiteral("maintien_s"), texte(r.maintienMs / 1000.0));
    s.setValue(QStringLiteral("bip"), r.bip ? QStringLiteral("oui") : QStringLiteral("non"));
    s.setValue(QStringLiteral("commande"), r.commande);
    s.endGroup();
    s.sync();
    return s.status() == QSettings::NoError;
}

} // namespace files
