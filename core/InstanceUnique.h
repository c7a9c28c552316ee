#pragma once

#include <QString>

#include <optional>

namespace core {

/// Detects an already running instance through a lock file tied to the
/// configuration file the instance uses. The lock lives beside the configuration,
/// so any two processes using it meet there whatever their temporary folders (a
/// service with a private /tmp and a window on the same configuration). A lock
/// that another user could have planted (in a folder everyone may write) is not
/// trusted: a lock of this user's own, in a folder only it can write, is used
/// instead. The lock is held with flock(): a killed process frees it, and the file
/// it left behind tells the next start that the last run did not stop cleanly.
class InstanceUnique {
public:
    explicit InstanceUnique(const QString& cheminConfig);
    ~InstanceUnique();
    InstanceUnique(const InstanceUnique&) = delete;
    InstanceUnique& operator=(const InstanceUnique&) = delete;

    /// True when this process now holds the lock; false when another instance runs
    /// or no lock could be taken (then refus() says why).
    bool acquiert();
    /// After acquiert(): the lock was left behind by a process that did not stop
    /// cleanly (killed, power cut).
    bool abandonne() const { return m_abandonne; }
    /// Why no lock could be taken at all; empty when another instance holds it or
    /// when this one does.
    QString refus() const { return m_refus; }
    /// The lock file in use (after acquiert()).
    QString chemin() const { return m_chemin; }
    /// The process holding the lock, when it can be told.
    std::optional<qint64> proprietaire() const;
    /// Path of the lock file beside a configuration.
    static QString cheminVerrou(const QString& cheminConfig);

private:
    enum class Prise { Tenu, Occupe, Inutilisable };
    /// Tries one lock file; `sur` when its folder is one only this user can write.
    Prise essaie(const QString& chemin, bool sur);

    QString m_config;
    QString m_chemin;
    QString m_refus;
    int m_fd = -1;
    bool m_ecrit = false;
    bool m_abandonne = false;
};

} // namespace core
