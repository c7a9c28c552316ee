#pragma once

#include <QLockFile>
#include <QString>

#include <memory>

namespace core {

/// Detects an already running instance through a lock file tied to the
/// configuration file the instance uses. A lock left by a killed process is
/// recognised as stale and taken over.
class InstanceUnique {
public:
    explicit InstanceUnique(const QString& cheminConfig);
    /// True when this process now holds the lock; false when another instance runs.
    bool acquiert();
    /// Path of the lock file used for a configuration path.
    static QString cheminVerrou(const QString& cheminConfig);

private:
    std::unique_ptr<QLockFile> m_verrou;
};

} // namespace core
