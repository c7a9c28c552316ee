#pragma once

#include "core/Horloge.h"

#include <QDateTime>

namespace test {

/// A clock the test sets.
class HorlogeFixe : public core::Horloge {
public:
    QDateTime instant{QDate(2006, 11, 8), QTime(14, 5, 9)};
    QDateTime maintenant() const override { return instant; }
    void avance(int secondes) { instant = instant.addSecs(secondes); }
};

} // namespace test
