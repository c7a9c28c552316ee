#include "core/InstanceUnique.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace core {

QString InstanceUnique::cheminVerrou(const QString& cheminConfig) {
    const QByteArray cle = QFileInfo(cheminConfig).absoluteFilePath().toUtf8();
    const QByteArray h = QCryptographicHash::hash(cle, QCryptographicHash::Sha1).toHex().left(16);
    // Asked only when set: Qt warns on standard error when it has to guess.
    QString dir = qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")
                      ? QString()
                      : QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty() || !QFileInfo(dir).isWritable())
        dir = QDir::tempPath();
    return dir + QStringLiteral("/plovar-") + QString::fromLatin1(h) + QStringLiteral(".lock");
}

InstanceUnique::InstanceUnique(const QString& cheminConfig)
    : m_verrou(std::make_unique<QLockFile>(cheminVerrou(cheminConfig))) {
    // Only a dead owner makes the lock stale, never its age: a recording may run for days.
    m_verrou->setStaleLockTime(0);
}

bool InstanceUnique::acquiert() {
    return m_verrou->tryLock(0);
}

} // namespace core
