#pragma once

#include <QDateTime>

#include <optional>

namespace core {

/// The schedule of a run's sampling ticks: tick k falls at the first tick's time plus
/// k periods. A tick that comes a little early or late is stamped with its scheduled
/// time, so that the time column never skips or repeats a second; one far from it
/// (the clock was set, the machine slept) starts the schedule again from the clock.
class Horaire {
public:
    /// What a tick is stamped with.
    struct Tick {
        QDateTime instant;
        /// Set when the schedule started again: the time the tick was due.
        std::optional<QDateTime> prevu;
    };

    /// A tick taken at `maintenant`, with ticks `periodeMs` apart.
    Tick tick(const QDateTime& maintenant, qint64 periodeMs);
    /// A new run: its first tick starts the schedule.
    void recommence() { m_ticks = 0; }

    /// Furthest a tick's clock may stray from its schedule before it starts again, ms.
    static constexpr qint64 kToleranceMs = 500;

private:
    /// Ticks since the first of the run, and that first tick's time.
    qint64 m_ticks = 0;
    QDateTime m_premier;
};

} // namespace core
