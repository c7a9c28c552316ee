#pragma once

#include <QLockFile>
#include <QString>

#include <memory>
#include <optional>

namespace core {

/// Detects an already running instance through a lock file tied to the
/// configuration file the instance uses. The lock's place depends on that file's
/// path only, never on the environment, so any two processes using the same
/// configuration meet on it. A lock left by a killed process is recognised as
/// stale and taken over.
class InstanceUnique {
public:
    explicit InstanceUnique(const QString& cheminConfig);
    /// True when this process now holds the lock; false when another instance runs.
    bool acquiert();
    /// After acquiert(): the lock was left behind by a process that did not stop
    /// cleanly (killed, power cut).
    bool abandonne() const { return m_abandonne; }
    /// The process holding the lock, when it can be told.
    std::optional<qint64> proprietaire() const;
    /// Path of the lock file used for a configuration path.
    static QString cheminVerrou(const QString& cheminConfig);

private:
    std::unique_ptr<QLockFile> m_verrou;
    QString m_chemin;
    bool m_abandonne = false;
};

} // namespace core
