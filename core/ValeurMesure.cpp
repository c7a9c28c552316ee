#include "core/ValeurMesure.h"

#include <cmath>

namespace core {

QString ValeurMesure::texte() const {
    if (auto e = std::get_if<int16_t>(&m_contenu))
        return QString::number(*e);
    const double d = nombre();
    if (!std::isfinite(d))
        return QStringLiteral("0");
    if (d == std::trunc(d) && std::fabs(d) < 1e15)
        return QString::number(static_cast<qint64>(d));
    return QString::number(d, 'g', 15);
}

} // namespace core
