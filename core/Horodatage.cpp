#include "core/Horodatage.h"

namespace core {

QString formatDate(const QDate& d) {
    return QString::asprintf("%02d-%02d-%04d", d.month(), d.day(), d.year());
}

QString formatHeure(const QTime& t) {
    return QString::asprintf("%02d:%02d:%02d", t.hour(), t.minute(), t.second());
}

QString formatHeureLocale(const QTime& t, const QLocale& locale) {
    QString f = locale.timeFormat(QLocale::ShortFormat);
    if (!f.contains(QLatin1Char('s')))
        f.replace(QStringLiteral("mm"), QStringLiteral("mm:ss"));
    return locale.toString(t, f);
}

} // namespace core
