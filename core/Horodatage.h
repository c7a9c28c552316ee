#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

namespace core {

/// "mm-dd-yyyy", independent of regional settings.
QString formatDate(const QDate& d);
/// "hh:mm:ss" on the 24-hour clock, independent of regional settings.
QString formatHeure(const QTime& t);
/// Time of day in the locale's time format, always with seconds.
QString formatHeureLocale(const QTime& t, const QLocale& locale);

} // namespace core
