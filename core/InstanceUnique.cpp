#include "core/InstanceUnique.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>

namespace core {

QString InstanceUnique::cheminVerrou(const QString& cheminConfig) {
    // The same file reached through a link or a relative path gives the same key.
    const QFileInfo info(cheminConfig);
    QString dossier = QFileInfo(info.absolutePath()).canonicalFilePath();
    if (dossier.isEmpty())
        dossier = info.absolutePath();
    const QByteArray cle = (dossier + QLatin1Char('/') + info.fileName()).toUtf8();
    const QByteArray h = QCryptographicHash::hash(cle, QCryptographicHash::Sha1).toHex().left(16);
    // A fixed folder every process sees alike, whatever TMPDIR or XDG_RUNTIME_DIR say.
    return QStringLiteral("/tmp/plovar-") + QString::fromLatin1(h) + QStringLiteral(".lock");
}

InstanceUnique::InstanceUnique(const QString& cheminConfig)
    : m_verrou(std::make_unique<QLockFile>(cheminVerrou(cheminConfig))),
      m_chemin(cheminVerrou(cheminConfig)) {
    // Only a dead owner makes the lock stale, never its age: a recording may run for days.
    m_verrou->setStaleLockTime(0);
}

bool InstanceUnique::acquiert() {
    // A clean stop removes the lock: one still there, and free, was left behind.
    const bool existait = QFileInfo::exists(m_chemin);
    if (!m_verrou->tryLock(0))
        return false;
    m_abandonne = existait;
    return true;
}

std::optional<qint64> InstanceUnique::proprietaire() const {
    qint64 pid = 0;
    QString hote, appli;
    if (!m_verrou->getLockInfo(&pid, &hote, &appli) || pid <= 0)
        return std::nullopt;
    return pid;
}

} // namespace core
