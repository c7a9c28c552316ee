#pragma once

#include <QDateTime>

#include <optional>

namespace core {

/// The schedule of a run's sampling ticks: tick k falls at the first tick's time plus
/// k periods, counted on the monotonic clock. A tick that comes early or late (a busy
/// machine) is stamped with its scheduled time, so that the time column never skips
/// or repeats a sample; a second tick within one period is passed over; after ticks
/// that never came (the process held up, the machine asleep) the schedule goes on
/// from the tick due now. Only when the wall clock moves otherwise than the
/// monotonic one (the clock was set) does the schedule start again from the clock,
/// and that is reported.
class Horaire {
public:
    /// What a tick is stamped with.
    struct Tick {
        QDateTime instant;
        /// Set when the clock was set: the time the tick was due.
        std::optional<QDateTime> prevu;
        /// A second tick in the same period: nothing is to be done with it.
        bool double_ = false;
    };

    /// A tick taken at `maintenant` on the wall clock and `monotoneMs` on the
    /// monotonic one, with ticks `periodeMs` apart.
    Tick tick(const QDateTime& maintenant, qint64 monotoneMs, qint64 periodeMs);
    /// A new run: its first tick starts the schedule.
    void recommence() { m_ticks = 0; }

    /// How far the wall clock may move apart from the monotonic one between two
    /// ticks before it counts as set, ms.
    static constexpr qint64 kSautMs = 1000;
    /// How far the schedule may drift from the wall clock (a time server slewing it)
    /// before it quietly follows it again, ms.
    static constexpr qint64 kDeriveMs = 2000;

private:
    void ancre(const QDateTime& maintenant, qint64 monotoneMs);

    /// The next tick's number since the schedule's start, and that start.
    qint64 m_ticks = 0;
    QDateTime m_premier;
    qint64 m_premierMono = 0;
    /// The previous tick, on both clocks.
    QDateTime m_dernier;
    qint64 m_dernierMono = 0;
};

} // namespace core
