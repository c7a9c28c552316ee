#pragma once

#include "core/Horloge.h"

#include <QDateTime>

namespace test {

/// A clock the test sets. The monotonic time follows every move of `instant`,
/// except those of sauteMur(), which sets the wall clock alone (a clock set by
/// hand, a time server's correction).
class HorlogeFixe : public core::Horloge {
public:
    QDateTime instant{QDate(2006, 11, 8), QTime(14, 5, 9)};
    QDateTime maintenant() const override { return instant; }
    qint64 monotoneMs() const override { return instant.toMSecsSinceEpoch() + m_ecartMono; }
    void avance(int secondes) { instant = instant.addSecs(secondes); }
    void avanceMs(qint64 ms) { instant = instant.addMSecs(ms); }
    void sauteMur(qint64 ms) {
        instant = instant.addMSecs(ms);
        m_ecartMono -= ms;
    }

private:
    qint64 m_ecartMono = 0;
};

} // namespace test
