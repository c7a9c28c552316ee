#include "publication/ReglagePublication.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QSysInfo>

#include <cstdlib>
#include <cstring>

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

std::optional<QString> refusPoste(const QString& nom) {
    if (nom.isEmpty() || nettoiePoste(nom) == nom)
        return std::nullopt;
    return QStringLiteral("le nom de poste « %1 » deviendrait « %2 » dans les sujets du courtier, "
                          "où un autre poste pourrait porter le même : il ne peut avoir que 64 "
                          "lettres sans accent, chiffres, _ et - au plus")
        .arg(nom, nettoiePoste(nom));
}

QString ReglagePublication::posteEffectif() const {
    return nettoiePoste(poste.isEmpty() ? QSysInfo::machineHostName() : poste);
}

std::optional<QString> ReglagePublication::refus() const {
    if (hote.trimmed().isEmpty())
        return QStringLiteral("aucun courtier n'est indiqué");
    if (const std::optional<QString> r = refusPoste(poste))
        return r;
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
    // "[::1]": an IPv6 address in brackets, without a port.
    if (texte.startsWith(QLatin1Char('[')) && texte.endsWith(QLatin1Char(']')))
        return std::make_pair(texte.mid(1, texte.size() - 2), 1883);
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

QString motDePasseEnvironnement() {
    static QString motDePasse;
    if (qEnvironmentVariableIsSet("PLOVAR_MQTT_MOT_DE_PASSE")) {
        motDePasse = QString::fromLocal8Bit(qgetenv("PLOVAR_MQTT_MOT_DE_PASSE"));
        // Wiped where it stands too: /proc/<pid>/environ shows the process's first
        // environment, whatever unsetenv does.
        if (char* texte = std::getenv("PLOVAR_MQTT_MOT_DE_PASSE"))
            std::memset(texte, 0, std::strlen(texte));
        qunsetenv("PLOVAR_MQTT_MOT_DE_PASSE");
    }
    return motDePasse;
}

ReglagePublication FichierPublication::lit(const QString& chemin, bool ligneDeCommande) {
    ReglagePublication r;
    r.ligneDeCommande = ligneDeCommande;
    QSettings s(chemin, QSettings::IniFormat);
    s.beginGroup(QStringLiteral("publication"));
    r.actif = s.value(QStringLiteral("actif")).toString() == QStringLiteral("oui");
    r.hote = s.value(QStringLiteral("hote")).toString();
    r.port = s.value(QStringLiteral("port"), 1883).toInt();
    r.poste = s.value(QStringLiteral("poste")).toString();
    r.utilisateur = s.value(QStringLiteral("utilisateur")).toString();
    r.motDePasse = r.motDePasseFichier = s.value(QStringLiteral("mot_de_passe")).toString();
    r.ca = s.value(QStringLiteral("ca")).toString();
    r.cadenceRejeu = s.value(QStringLiteral("cadence_rattrapage"), 2000).toInt();
    const QString env = motDePasseEnvironnement();
    if (!env.isEmpty())
        r.motDePasse = env;
    const QFileDevice::Permissions autres = QFileDevice::ReadGroup | QFileDevice::ReadOther;
    if (!r.motDePasseFichier.isEmpty() && (QFile::permissions(chemin) & autres))
        r.avis =
            QStringLiteral("%1 contient le mot de passe du courtier et d'autres utilisateurs "
                           "peuvent le lire : rendez-le lisible par vous seul (chmod 600 "
                           "%1%2)")
                .arg(QDir::toNativeSeparators(chemin),
                     ligneDeCommande ? QString() : QStringLiteral(", ou OK dans Publication…"));
    return r;
}

bool FichierPublication::ecrit(const QString& chemin, const ReglagePublication& saisi,
                               QString* erreur) {
    // The environment's password stays there: the file keeps its own (or none).
    ReglagePublication r = saisi;
    const QString env = motDePasseEnvironnement();
    if (!env.isEmpty() && r.motDePasse == env)
        r.motDePasse = r.motDePasseFichier;
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
