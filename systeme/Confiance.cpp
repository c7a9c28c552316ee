#include "systeme/Confiance.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace systeme {

namespace {

bool aMoiOuRoot(uid_t uid) {
    return uid == ::geteuid() || uid == 0;
}

QString nom(const QString& chemin) {
    return QDir::toNativeSeparators(chemin);
}

} // namespace

std::optional<QString> refusConfiance(const QString& chemin) {
    const QString dossier = QFileInfo(chemin).absolutePath();
    struct stat st {};
    if (::stat(QFile::encodeName(dossier).constData(), &st) == 0 && (st.st_mode & S_IWOTH) &&
        !(st.st_mode & S_ISVTX))
        return QStringLiteral("Le dossier %1 peut être modifié par tous : aucun fichier de "
                              "réglages n'y est pris en compte (%2). Placez la configuration "
                              "dans un dossier à vous (--config).")
            .arg(nom(dossier), nom(chemin));
    const QByteArray fichier = QFile::encodeName(chemin);
    if (::lstat(fichier.constData(), &st) != 0)
        return std::nullopt; // absent: its folder was judged above
    if (S_ISLNK(st.st_mode) && !aMoiOuRoot(st.st_uid))
        return QStringLiteral("%1 est un lien posé par un autre utilisateur (uid %2) : il n'est "
                              "pas pris en compte. Supprimez-le, ou placez la configuration "
                              "dans un dossier à vous (--config).")
            .arg(nom(chemin))
            .arg(st.st_uid);
    if (::stat(fichier.constData(), &st) != 0)
        return std::nullopt; // a dangling link of one's own: nothing to read
    if (!aMoiOuRoot(st.st_uid))
        return QStringLiteral("%1 appartient à un autre utilisateur (uid %2) : il n'est pas pris "
                              "en compte, car il pourrait lancer une commande ou envoyer les "
                              "mesures ailleurs en votre nom. Faites-en une copie à vous, ou "
                              "placez la configuration dans un dossier à vous (--config).")
            .arg(nom(chemin))
            .arg(st.st_uid);
    if (st.st_mode & (S_IWGRP | S_IWOTH))
        return QStringLiteral("%1 peut être modifié par d'autres utilisateurs : il n'est pas "
                              "pris en compte. Retirez-leur ce droit (chmod go-w %1).")
            .arg(nom(chemin));
    return std::nullopt;
}

std::optional<QString> refusConfiance(const QStringList& chemins) {
    for (const QString& c : chemins)
        if (std::optional<QString> r = refusConfiance(c))
            return r;
    return std::nullopt;
}

} // namespace systeme
