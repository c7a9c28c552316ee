#pragma once

#include <QDateTime>

#include <time.h>

namespace core {

/// Source of the current date and time, and of a monotonic time that no one sets,
/// replaceable in tests.
class Horloge {
public:
    virtual ~Horloge() = default;
    virtual QDateTime maintenant() const = 0;
    /// Milliseconds on a clock that only moves forward, at the pace of real time.
    virtual qint64 monotoneMs() const = 0;
};

/// The system's local clock. Its monotonic time counts the time asleep too
/// (CLOCK_BOOTTIME): a machine that slept has missed ticks, its clock was not set.
class HorlogeSysteme : public Horloge {
public:
    QDateTime maintenant() const override { return QDateTime::currentDateTime(); }
    qint64 monotoneMs() const override {
        timespec t{};
        ::clock_gettime(CLOCK_BOOTTIME, &t);
        return qint64(t.tv_sec) * 1000 + t.tv_nsec / 1'000'000;
    }
};

} // namespace core
