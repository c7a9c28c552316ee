#pragma once

#include <QString>
#include <QTimeZone>

#include <vector>

namespace graph {

/// A step between two time graduations.
struct PasTemps {
    enum class Unite { Seconde, Minute, Heure, Jour };
    Unite unite = Unite::Seconde;
    int nombre = 1;
    /// Its length in ms (a day counts 24 h here; graduations follow the calendar).
    qint64 ms() const;
};

/// The smallest of 1, 2, 5, 10, 15, 30 s, 1, 2, 5, 10, 15, 30 min, 1, 2, 3, 6, 12 h,
/// 1, 2, 7, 14, 28 days that leaves at least `pxMin` pixels between graduations.
PasTemps choisitPasTemps(double msParPixel, double pxMin = 90);

/// A graduation of the time axis.
struct GraduationTemps {
    qint64 instantMs = 0;
    /// The time of day ("14:05", "14:05:30" for steps under a minute), or the day
    /// ("07/12") for steps of days.
    QString texte;
    /// The date ("07/12/2026") on the first graduation and where the day changes;
    /// for steps of days, the year on the first and where it changes.
    QString date;
};

/// The graduations from deMs to aMs (UTC ms, both included) on the wall clock of
/// `zone`: at whole multiples of the step in local time (midnight for days; the
/// Monday for weeks), in time order. The hour the clock shows twice in autumn has
/// its graduations twice, the hour it skips in spring none.
std::vector<GraduationTemps> graduationsTemps(qint64 deMs, qint64 aMs, const PasTemps& pas,
                                              const QTimeZone& zone);

/// An instant as the large graph writes it, "25/10/2026 02:30:00", followed by the
/// offset from UTC where the wall clock shows that time twice ("(UTC+01:00)").
QString texteInstant(qint64 ms, const QTimeZone& zone);
/// An offset from UTC as "UTC+01:00".
QString texteDecalage(int secondes);

/// A graduation of the value axis.
struct GraduationValeur {
    double valeur = 0;
    QString texte; ///< decimal comma, as many decimals as the step needs, then the unit
};

/// The step among 1, 2 and 5 times a power of ten that leaves at least `pxMin`
/// pixels between graduations over `etendue` shown on `hauteurPx` pixels.
double choisitPasValeur(double etendue, double hauteurPx, double pxMin = 40);
/// The graduations at whole multiples of `pas` from min to max, labelled with `unite`.
std::vector<GraduationValeur> graduationsValeur(double min, double max, double pas,
                                                const QString& unite);
/// The range of values to show for data from lo to hi: a margin of a twentieth
/// on each side, at least one unit wide.
std::pair<double, double> plageValeurs(double lo, double hi);

} // namespace graph
