#include "core/Horodatage.h"

namespace core {

QString formatDate(const QDate& d) {
    return QString::asprintf("%02d-%02d-%04d", d.month(), d.day(), d.year());
}

QString jourEnClair(const QString& dateEnr) {
    // "12-09-2026" is 9 December: the record file keeps its order, the texts read
    // day first, as the dialogs and the large window do.
    if (dateEnr.size() != 10 || dateEnr[2] != QLatin1Char('-') || dateEnr[5] != QLatin1Char('-'))
        return dateEnr;
    return dateEnr.mid(3, 2) + QLatin1Char('/') + dateEnr.left(2) + QLatin1Char('/') +
           dateEnr.mid(6);
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

namespace core {

namespace {
// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
qint64 joursDepuis1970(qint64 a, unsigned m, unsigned j) {
    a -= m <= 2;
    const qint64 ere = (a >= 0 ? a : a - 399) / 400;
    const auto aDansEre = static_cast<unsigned>(a - ere * 400);
    const unsigned jDansAn = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + j - 1;
    const unsigned jDansEre = aDansEre * 365 + aDansEre / 4 - aDansEre / 100 + jDansAn;
    return ere * 146097 + static_cast<qint64>(jDansEre) - 719468;
}

int decalageA(qint64 utcMs, const QTimeZone& zone) {
    return zone.offsetFromUtc(QDateTime::fromMSecsSinceEpoch(utcMs, Qt::UTC));
}
} // namespace

qint64 msNaif(int annee, int mois, int jour, int heure, int minute, int seconde) {
    return joursDepuis1970(annee, static_cast<unsigned>(mois), static_cast<unsigned>(jour)) *
               86'400'000 +
           (heure * 3600LL + minute * 60LL + seconde) * 1000;
}

qint64 msNaif(const QDate& d, const QTime& t) {
    return msNaif(d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second()) + t.msec();
}

std::vector<qint64> instantsLocaux(qint64 naifMs, const QTimeZone& zone) {
    // Offsets are within ±15 h: the offsets well before and well after bracket
    // every candidate; each candidate holds when the zone agrees at that instant.
    constexpr qint64 k15h = 15 * 3'600'000LL;
    const int avant = decalageA(naifMs - k15h, zone);
    const int apres = decalageA(naifMs + k15h, zone);
    std::vector<qint64> r;
    for (const int o : {std::max(avant, apres), std::min(avant, apres)}) {
        const qint64 u = naifMs - o * 1000LL;
        if (decalageA(u, zone) == o && (r.empty() || r.back() != u))
            r.push_back(u);
    }
    return r;
}

} // namespace core
