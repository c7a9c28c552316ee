#include "core/InstanceUnique.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace core {

namespace {

// The same file reached through a link or a relative path gives the same folder.
QString dossierDe(const QString& cheminConfig) {
    const QFileInfo info(cheminConfig);
    const QString canonique = QFileInfo(info.absolutePath()).canonicalFilePath();
    return canonique.isEmpty() ? info.absolutePath() : canonique;
}

QString cle(const QString& cheminConfig) {
    const QByteArray texte =
        (dossierDe(cheminConfig) + QLatin1Char('/') + QFileInfo(cheminConfig).fileName()).toUtf8();
    return QString::fromLatin1(
        QCryptographicHash::hash(texte, QCryptographicHash::Sha1).toHex().left(16));
}

// A folder where another user could have made a file: writable by everyone.
bool ouvertATous(const QString& dossier) {
    struct stat st {};
    return ::stat(QFile::encodeName(dossier).constData(), &st) != 0 || (st.st_mode & S_IWOTH);
}

// A folder of this user's own that no one else may write.
bool aMoiSeul(const QString& dossier) {
    struct stat st {};
    return !dossier.isEmpty() && ::stat(QFile::encodeName(dossier).constData(), &st) == 0 &&
           S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() && !(st.st_mode & (S_IWGRP | S_IWOTH));
}

} // namespace

QString InstanceUnique::cheminVerrou(const QString& cheminConfig) {
    return dossierDe(cheminConfig) + QStringLiteral("/.") + QFileInfo(cheminConfig).fileName() +
           QStringLiteral(".lock");
}

InstanceUnique::InstanceUnique(const QString& cheminConfig) : m_config(cheminConfig) {}

InstanceUnique::~InstanceUnique() {
    if (m_fd < 0)
        return;
    // A clean stop removes the lock (while still holding it, so that no one takes
    // a file about to vanish); one found later was left by a run that did not end.
    if (m_ecrit)
        ::unlink(QFile::encodeName(m_chemin).constData());
    ::close(m_fd);
}

InstanceUnique::Prise InstanceUnique::essaie(const QString& chemin, bool sur) {
    const QByteArray nom = QFile::encodeName(chemin);
    // The file may vanish between open and flock (its holder stopping): then again.
    for (int essai = 0; essai < 5; ++essai) {
        bool ecrit = true;
        int fd =
            ::open(nom.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0640);
        if (fd < 0 && (errno == EACCES || errno == EROFS || errno == EPERM)) {
            // A folder this process cannot write: an existing lock can still be held.
            fd = ::open(nom.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY);
            ecrit = false;
        }
        if (fd < 0)
            return Prise::Inutilisable;
        struct stat st {};
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || (st.st_uid != ::geteuid() && !sur)) {
            // Not a plain file, or one another user may have planted to block us.
            ::close(fd);
            return Prise::Inutilisable;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const bool occupe = errno == EWOULDBLOCK;
            ::close(fd);
            if (!occupe)
                return Prise::Inutilisable;
            m_chemin = chemin;
            return Prise::Occupe;
        }
        struct stat actuel {};
        if (::stat(nom.constData(), &actuel) != 0 || actuel.st_ino != st.st_ino ||
            actuel.st_dev != st.st_dev) {
            ::close(fd);
            continue;
        }
        m_fd = fd;
        m_chemin = chemin;
        m_ecrit = ecrit;
        // Only a lock this process can remove at the end tells an unclean stop.
        m_abandonne = ecrit && st.st_size > 0;
        if (ecrit) {
            const QByteArray info = QByteArray::number(qint64(::getpid())) + "\nplovar\n" +
                                    QSysInfo::machineHostName().toUtf8() + '\n';
            if (::ftruncate(fd, 0) != 0 ||
                ::pwrite(fd, info.constData(), size_t(info.size()), 0) != info.size())
                m_abandonne = false;
        }
        return Prise::Tenu;
    }
    return Prise::Inutilisable;
}

bool InstanceUnique::acquiert() {
    m_refus.clear();
    if (m_fd >= 0)
        return true;
    const QString aCote = cheminVerrou(m_config);
    // The configuration's folder is made now rather than with the first settings
    // saved, so that the first run and the next ones lock the same file.
    QDir().mkpath(dossierDe(m_config));
    // Beside the configuration, unless anyone could have made that file.
    if (const Prise p = essaie(aCote, !ouvertATous(dossierDe(m_config))); p != Prise::Inutilisable)
        return p == Prise::Tenu;
    // Else in a folder of this user's own: the runtime folder, or one made in /tmp.
    const QString suffixe = QStringLiteral("/plovar-") + cle(m_config) + QStringLiteral(".lock");
    const QString execution = QString::fromLocal8Bit(qgetenv("XDG_RUNTIME_DIR"));
    QString dossier;
    if (aMoiSeul(execution)) {
        dossier = execution;
    } else {
        dossier = QStringLiteral("/tmp/plovar-") + QString::number(::geteuid());
        ::mkdir(QFile::encodeName(dossier).constData(), 0700);
    }
    if (!aMoiSeul(dossier)) {
        m_refus = QStringLiteral("aucun verrou sûr n'a pu être pris (ni %1, ni le dossier %2, "
                                 "qui appartient à un autre utilisateur ou que d'autres peuvent "
                                 "écrire)")
                      .arg(aCote, dossier);
        return false;
    }
    if (const Prise p = essaie(dossier + suffixe, true); p != Prise::Inutilisable)
        return p == Prise::Tenu;
    m_refus = QStringLiteral("le verrou %1 ne peut pas être pris").arg(dossier + suffixe);
    return false;
}

std::optional<qint64> InstanceUnique::proprietaire() const {
    if (m_chemin.isEmpty())
        return std::nullopt;
    QFile f(m_chemin);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    bool ok = false;
    const qint64 pid = f.readLine(32).trimmed().toLongLong(&ok);
    if (!ok || pid <= 0)
        return std::nullopt;
    return pid;
}

} // namespace core
