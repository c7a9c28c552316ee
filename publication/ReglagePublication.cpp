#include "publication/ReglagePublication.h"

#include <QFile>
#include <QSettings>
#include <QSysInfo>

namespace publication {

QString nettoiePoste(const QString& nom) {
    QString r;
    for (const QChar c : nom)
        r += (c.isLetterOrNumber() && c.unicode() < 128) || c == QLatin1Char('_') ||
                     c == QLatin1Char('-')
                 ? c
                 : QLatin1Char('_');
    return r.isEmpty() ? QStringLiteral("plovar") : r.left(64);
}

QString ReglagePublication::posteEffectif() const {
    return nettoiePoste(poste.isEmpty() ? QSysInfo::machineHostName() : poste);
}

std::optional<QString> ReglagePublication::refus() const {
    if (hote.trimmed().isEmpty())
        return QStringLiteral("aucun courtier n'est indiqué");
    if (port < 1 || port > 65535)
        return QStringLiteral("le port %1 n'existe pas (1 à 65535)").arg(port);
    if (cadenceRejeu < 1)
        return QStringLiteral("la cadence de rattrapage doit être d'au moins une mesure par "
                              "seconde");
    if (!ca.isEmpty() && !QFile::exists(ca))
        return QStringLiteral("le fichier d'autorité de certification %1 n'existe pas").arg(ca);
    return std::nullopt;
}

QString ReglagePublication::adresse() const {
    return QStringLiteral("%1:%2").arg(hote).arg(port);
}

std::optional<std::pair<QString, int>> analyseAdresse(const QString& texte) {
    const int deuxPoints = texte.lastIndexOf(QLatin1Char(':'));
    // "[::1]:1883" or "hôte:1883"; a bare IPv6 address has no port.
    if (deuxPoints < 0 || (texte.count(QLatin1Char(':')) > 1 && !texte.contains(QLatin1Char(']'))))
        return std::make_pair(texte, 1883);
    bool ok = false;
    const int port = texte.mid(deuxPoints + 1).toInt(&ok);
    if (!ok || port < 1 || port > 65535)
        return std::nullopt;
    QString hote = texte.left(deuxPoints);
    if (hote.startsWith(QLatin1Char('[')) && hote.endsWith(QLatin1Char(']')))
        hote = hote.mid(1, hote.size() - 2);
    return std::make_pair(hote, port);
}

ReglagePublication FichierPublication::lit(const QString& chemin) {
    ReglagePublication r;
    QSettings s(chemin, QSettings::IniFormat);
    s.beginGroup(QStringLiteral("publication"));
    r.actif = s.value(QStringLiteral("actif")).toString() == QStringLiteral("oui");
    r.hote = s.value(QStringLiteral("hote")).toString();
    r.port = s.value(QStringLiteral("port"), 1883).toInt();
    r.poste = s.value(QStringLiteral("poste")).toString();
    r.utilisateur = s.value(QStringLiteral("utilisateur")).toString();
    r.motDePasse = s.value(QStringLiteral("mot_de_passe")).toString();
    r.ca = s.value(QStringLiteral("ca")).toString();
    r.cadenceRejeu = s.value(QStringLiteral("cadence_rattrapage"), 2000).toInt();
    const QByteArray env = qgetenv("PLOVAR_MQTT_MOT_DE_PASSE");
    if (!env.isEmpty())
        r.motDePasse = QString::fromLocal8Bit(env);
    return r;
}

bool FichierPublication::ecrit(const QString& chemin, const ReglagePublication& r,
                               QString* erreur) {
    // Restricted before the password is written, so that it is never readable by others
    // (the settings are rewritten through a file that keeps these rights).
    if (!r.motDePasse.isEmpty()) {
        QFile f(chemin);
        if (!f.exists() && f.open(QIODevice::WriteOnly))
            f.close();
        QFile::setPermissions(chemin, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
    {
        QSettings s(chemin, QSettings::IniFormat);
        s.beginGroup(QStringLiteral("publication"));
        s.setValue(QStringLiteral("actif"),
                   r.actif ? QStringLiteral("oui") : QStringLiteral("non"));
        s.setValue(QStringLiteral("hote"), r.hote);
        s.setValue(QStringLiteral("port"), r.port);
        s.setValue(QStringLiteral("poste"), r.poste);
        s.setValue(QStringLiteral("utilisateur"), r.utilisateur);
        if (r.motDePasse.isEmpty())
            s.remove(QStringLiteral("mot_de_passe"));
        else
            s.setValue(QStringLiteral("mot_de_passe"), r.motDePasse);
        s.setValue(QStringLiteral("ca"), r.ca);
        s.setValue(QStringLiteral("cadence_rattrapage"), r.cadenceRejeu);
        s.endGroup();
        s.sync();
        if (s.status() != QSettings::NoError) {
            if (erreur)
                *erreur = QStringLiteral("le fichier %1 ne peut pas être écrit").arg(chemin);
            return false;
        }
    }
    // A password is for the owner's eyes only.
    if (!r.motDePasse.isEmpty() &&
        !QFile::setPermissions(chemin, QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
        if (erreur)
            *erreur = QStringLiteral("les droits de %1 ne peuvent pas être restreints").arg(chemin);
        return false;
    }
    return true;
}

} // namespace publication
