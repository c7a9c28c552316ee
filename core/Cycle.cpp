#include "core/Cycle.h"

#include <limits>

namespace core {

int mise_a_l_echelle(int32_t brute) {
    // floor(r * 3.921) equals (r * 3921) div 1000 for r >= 0; 64-bit so that
    // an out-of-range reading cannot overflow.
    const long long p = static_cast<long long>(brute) * 3921;
    long long q = p / 1000;
    if (p < 0 && p % 1000 != 0)
        --q;
    if (q > std::numeric_limits<int>::max())
        return std::numeric_limits<int>::max();
    if (q < std::numeric_limits<int>::min())
        return std::numeric_limits<int>::min();
    return static_cast<int>(q);
}

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

ResultatTick tickEchantillonnage(Magasin& m, EtatCycle& e, const Cadence& c, const Lecture& l,
                                 const QDateTime& maintenant, double largeurEchelle) {
    ResultatTick res;
    if (e.CompteurTicks == 0 || e.CompteurTicks >= c.NbTicks) {
        if (l.TypeSource == 0)
            res.valeur = ValeurMesure::entier(e.ValeurTest);
        else
            res.valeur = ValeurMesure::reel(mise_a_l_echelle(l.ValeurBrute));
        res.instant = maintenant;
        m.ajoute(res.valeur.nombre(), maintenant);
        if (static_cast<double>(m.NbMesures()) > largeurEchelle)
            e.DecalageX += 1;
        const double v = res.valeur.nombre();
        if (v > e.PlafondY) {
            // Values are at most 32767 (test mode) or 999 (sources): the range fits 16 bits.
            e.DecalageY = static_cast<int16_t>(v - 255);
            e.PlafondY = static_cast<int16_t>(e.DecalageY + 255);
        }
        e.CompteurTicks = 0;
        res.echantillon = true;
    }
    res.intervalle = c.IntervalleTimer;
    if (c.NbTicks != 1 && e.CompteurTicks < std::numeric_limits<int16_t>::max())
        e.CompteurTicks += 1;
    return res;
}

bool toucheTest(EtatCycle& e, int codeCaractere) {
    if (codeCaractere == 43) {
        if (e.ValeurTest < std::numeric_limits<int16_t>::max())
            e.ValeurTest += 1;
        return true;
    }
    if (codeCaractere == 45) {
        if (e.ValeurTest > std::numeric_limits<int16_t>::min())
            e.ValeurTest -= 1;
        return true;
    }
    return false;
}

void debutEnregistrement(Magasin& m, EtatCycle& e) {
    e.CompteurTicks = 0;
    e.ValeurTest = 0;
    m.vide();
    m.donneesChargees = false;
}

} // namespace core
