#pragma once

#include "core/Seuil.h"

#include <QString>

#include <optional>

namespace core {

/// When a run starts and stops by itself. Times are instants of the wall clock
/// (UTC ms); a duration runs on the monotonic clock from the start, or from the
/// trigger when the run waits for one.
struct Plan {
    std::optional<qint64> debutMs;
    std::optional<Declencheur> declencheur;
    std::optional<qint64> finMs;
    std::optional<qint64> dureeMs;
    /// Stops after the sample that raises the first alarm of the run.
    bool arretAlarme = false;
    /// Stops after the sample that crosses this level.
    std::optional<Seuil> arretSeuil;

    /// True when the plan asks for nothing (a plain run).
    bool vide() const {
        return !debutMs && !declencheur && !finMs && !dureeMs && !arretAlarme && !arretSeuil;
    }
    /// Why it cannot be followed as things stand at `maintenantMs`, in French;
    /// nullopt when it can.
    std::optional<QString> refus(qint64 maintenantMs) const;
};

/// A duration in French: "2 h 30 min", "45 s", "3 j 4 h".
QString texteDuree(qint64 ms);

} // namespace core
