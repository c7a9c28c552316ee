#include "graph/Graduations.h"

#include "core/Horodatage.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace graph {

qint64 PasTemps::ms() const {
    static constexpr std::array<qint64, 4> kUnite = {1000, 60'000, 3'600'000, 86'400'000};
    return kUnite[static_cast<size_t>(unite)] * nombre;
}

PasTemps choisitPasTemps(double msParPixel, double pxMin) {
    using U = PasTemps::Unite;
    static constexpr std::array<PasTemps, 22> kPas = {
        {{U::Seconde, 1},  {U::Seconde, 2}, {U::Seconde, 5}, {U::Seconde, 10}, {U::Seconde, 15},
         {U::Seconde, 30}, {U::Minute, 1},  {U::Minute, 2},  {U::Minute, 5},   {U::Minute, 10},
         {U::Minute, 15},  {U::Minute, 30}, {U::Heure, 1},   {U::Heure, 2},    {U::Heure, 3},
         {U::Heure, 6},    {U::Heure, 12},  {U::Jour, 1},    {U::Jour, 2},     {U::Jour, 7},
         {U::Jour, 14},    {U::Jour, 28}}};
    for (const PasTemps& p : kPas)
        if (static_cast<double>(p.ms()) >= msParPixel * pxMin)
            return p;
    return kPas.back();
}

namespace {

constexpr qint64 kJourMs = 86'400'000;

qint64 divBas(qint64 a, qint64 b) {
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

QDateTime local(qint64 ms, const QTimeZone& zone) {
    return QDateTime::fromMSecsSinceEpoch(ms, zone);
}

} // namespace

std::vector<GraduationTemps> graduationsTemps(qint64 deMs, qint64 aMs, const PasTemps& pas,
                                              const QTimeZone& zone) {
    std::vector<GraduationTemps> r;
    // A step far too small for the span would make graduations no one can read.
    if (aMs < deMs || (aMs - deMs) / pas.ms() > 10'000)
        return r;
    // Candidates are wall-clock times; each becomes the instants it stands for.
    std::vector<qint64> instants;
    const QDateTime d0 = local(deMs, zone), d1 = local(aMs, zone);
    const qint64 naif0 = core::msNaif(d0.date(), d0.time());
    const qint64 naif1 = core::msNaif(d1.date(), d1.time());
    const auto candidat = [&](qint64 naif) {
        for (const qint64 u : core::instantsLocaux(naif, zone))
            if (u >= deMs && u <= aMs)
                instants.push_back(u);
    };
    if (pas.unite == PasTemps::Unite::Jour) {
        // Midnights: every n-th day counted from 1970-01-01, weeks from a Monday.
        const qint64 origine = pas.nombre % 7 == 0 ? 4 : 0; // 1970-01-05 was a Monday
        for (qint64 j = divBas(naif0, kJourMs); j <= divBas(naif1, kJourMs); ++j)
            if (((j - origine) % pas.nombre + pas.nombre) % pas.nombre == 0)
                candidat(j * kJourMs);
    } else {
        // Within each local day, at multiples of the step from midnight. A clock change
        // inside the span moves wall-clock times past either end by as much as the
        // offsets differ; a span of days may hold changes that cancel out, so two
        // hours are allowed then. (A fixed margin at every span made a minute's view
        // look at hours of candidates.)
        const qint64 p = pas.ms();
        const qint64 ecart = std::abs(d0.offsetFromUtc() - d1.offsetFromUtc()) * 1000LL;
        const qint64 marge = aMs - deMs < kJourMs ? ecart : 2 * 3'600'000;
        for (qint64 k = divBas(naif0 - marge, p); k * p <= naif1 + marge; ++k)
            candidat(k * p);
    }
    std::sort(instants.begin(), instants.end());
    instants.erase(std::unique(instants.begin(), instants.end()), instants.end());
    QDate jourPrecedent;
    int decalagePrecedent = 0;
    bool ambiguPrecedent = false;
    for (const qint64 u : instants) {
        const QDateTime t = local(u, zone);
        GraduationTemps g;
        g.instantMs = u;
        switch (pas.unite) {
        case PasTemps::Unite::Seconde:
            g.texte = t.time().toString(QStringLiteral("HH:mm:ss"));
            break;
        case PasTemps::Unite::Minute:
        case PasTemps::Unite::Heure:
            g.texte = t.time().toString(QStringLiteral("HH:mm"));
            break;
        case PasTemps::Unite::Jour:
            g.texte = t.date().toString(QStringLiteral("dd/MM"));
            break;
        }
        // Under the first graduation and where it changes: the date, or for steps
        // of days (which already show it) the year.
        if (pas.unite == PasTemps::Unite::Jour) {
            if (!jourPrecedent.isValid() || t.date().year() != jourPrecedent.year())
                g.date = QString::number(t.date().year());
        } else {
            if (t.date() != jourPrecedent)
                g.date = t.date().toString(QStringLiteral("dd/MM/yyyy"));
            // Where the clock changes, and at the first of the times that occur
            // twice, the offset says which hour this is (02:50 followed by 02:00
            // otherwise reads as time running back).
            const bool change = jourPrecedent.isValid() && t.offsetFromUtc() != decalagePrecedent;
            const bool ambigu =
                core::instantsLocaux(core::msNaif(t.date(), t.time()), zone).size() > 1;
            if (change || (ambigu && !ambiguPrecedent))
                g.date = (g.date + QLatin1Char(' ') + texteDecalage(t.offsetFromUtc())).trimmed();
            ambiguPrecedent = ambigu;
        }
        jourPrecedent = t.date();
        decalagePrecedent = t.offsetFromUtc();
        r.push_back(std::move(g));
    }
    return r;
}

QString texteInstant(qint64 ms, const QTimeZone& zone) {
    const QDateTime t = local(ms, zone);
    QString texte = t.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"));
    if (core::instantsLocaux(core::msNaif(t.date(), t.time()), zone).size() > 1)
        texte += QStringLiteral(" (%1)").arg(texteDecalage(t.offsetFromUtc()));
    return texte;
}

QString texteDecalage(int secondes) {
    const int o = std::abs(secondes);
    return QString::asprintf("UTC%c%02d:%02d", secondes < 0 ? '-' : '+', o / 3600, o / 60 % 60);
}

double choisitPasValeur(double etendue, double hauteurPx, double pxMin) {
    if (!(etendue > 0) || !(hauteurPx > 0))
        return 1;
    const double brut = etendue * pxMin / hauteurPx;
    const double puissance = std::pow(10.0, std::floor(std::log10(brut)));
    for (const double f : {1.0, 2.0, 5.0, 10.0})
        if (f * puissance >= brut * (1 - 1e-9))
            return f * puissance;
    return 10 * puissance;
}

std::vector<GraduationValeur> graduationsValeur(double min, double max, double pas,
                                                const QString& unite) {
    std::vector<GraduationValeur> r;
    if (!(pas > 0) || !(max >= min) || (max - min) / pas > 1000)
        return r;
    // As many decimals as the step has: 0.5 → 1, 0.02 → 2.
    const int decimales = std::clamp(static_cast<int>(-std::floor(std::log10(pas) + 1e-9)), 0, 6);
    for (double k = std::ceil(min / pas - 1e-9); k * pas <= max + pas * 1e-9; ++k) {
        double v = k * pas;
        if (std::abs(v) < pas * 1e-9)
            v = 0; // never "-0"
        QString t = QString::number(v, 'f', decimales);
        t.replace(QLatin1Char('.'), QLatin1Char(','));
        if (!unite.isEmpty())
            t += QLatin1Char(' ') + unite;
        r.push_back({v, t});
    }
    return r;
}

std::pair<double, double> plageValeurs(double lo, double hi) {
    if (hi < lo)
        std::swap(lo, hi);
    double marge = (hi - lo) / 20;
    if (hi - lo + 2 * marge < 1)
        marge = (1 - (hi - lo)) / 2;
    return {lo - marge, hi + marge};
}

} // namespace graph
