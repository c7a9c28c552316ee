#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

namespace core {

/// "mm-dd-yyyy", independent of regional settings.
QString formatDate(const QDate& d);
/// A record file's date ("mm-dd-yyyy") as the program's own texts write dates,
/// day first ("dd/mm/yyyy"); anything else unchanged.
QString jourEnClair(const QString& dateEnr);
/// "hh:mm:ss" on the 24-hour clock, independent of regional settings.
QString formatHeure(const QTime& t);
/// Time of day in the locale's time format, always with seconds.
QString formatHeureLocale(const QTime& t, const QLocale& locale);

} // namespace core

#include <QTimeZone>

#include <vector>

namespace core {

/// Milliseconds of a wall-clock date and time counted as if it were UTC ("naive"
/// local time): days from 1970-01-01 times a day, plus the time of day.
qint64 msNaif(int annee, int mois, int jour, int heure, int minute, int seconde);
qint64 msNaif(const QDate& d, const QTime& t);

/// The UTC instants (ms) at which the wall clock of `zone` reads the naive time
/// `naifMs`: none in the spring hour that is skipped, two in the autumn hour that
/// occurs twice (earlier first), else one. Assumes at most one offset change in
/// any 30 hours, which holds for every zone in use.
std::vector<qint64> instantsLocaux(qint64 naifMs, const QTimeZone& zone);

} // namespace core
