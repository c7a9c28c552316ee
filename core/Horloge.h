#pragma once

#include <QDateTime>

namespace core {

/// Source of the current date and time, replaceable in tests.
class Horloge {
public:
    virtual ~Horloge() = default;
    virtual QDateTime maintenant() const = 0;
};

/// The system's local clock.
class HorlogeSysteme : public Horloge {
public:
    QDateTime maintenant() const override { return QDateTime::currentDateTime(); }
};

} // namespace core
