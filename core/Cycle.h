#pragma once

#include "core/Cadences.h"
#include "core/Magasin.h"
#include "core/ValeurMesure.h"

#include <QDateTime>
#include <QLocale>

namespace core {

/// Counters and graph offsets of the sampling cycle, owned by the main window.
struct EtatCycle {
    /// Sampling-timer ticks since the last stored sample.
    int16_t CompteurTicks = 0;
    /// Value of the keyboard test source.
    int16_t ValeurTest = 0;
    /// Top of the graph's vertical range; only ever raised.
    int16_t PlafondY = 255;
    /// Vertical offset of the graph (PlafondY - 255 once the range has moved).
    int16_t DecalageY = 0;
    /// Horizontal scroll position, in samples.
    double DecalageX = 0;
};

/// What one sampling tick did.
struct ResultatTick {
    bool echantillon = false;                ///< a sample was stored at index NbMesures()
    ValeurMesure valeur;                     ///< the stored value, as the record file writes it
    QDateTime instant;                       ///< when it was stored
    std::chrono::milliseconds intervalle{0}; ///< interval to load into the sampling timer
};

/// floor(r x 3.921), computed exactly in integers: 0, 1, 128, 255 give 0, 3, 501, 999.
int mise_a_l_echelle(int32_t brute);

/// "mm-dd-yyyy", independent of regional settings.
QString formatDate(const QDate& d);
/// "hh:mm:ss" on the 24-hour clock, independent of regional settings.
QString formatHeure(const QTime& t);
/// Time of day in the locale's time format, always with seconds.
QString formatHeureLocale(const QTime& t, const QLocale& locale);

/// What a sampling tick stores: the active source and its last raw reading.
struct Lecture {
    /// Active source: 0 keyboard test mode (the test value is stored), else a device.
    uint8_t TypeSource = 0;
    /// Last raw reading of the device, 0 to 255.
    int32_t ValeurBrute = 0;
};

/// One sampling tick: stores a sample when one is due, raises the vertical range,
/// advances DecalageX past the area's scale width and counts ticks. Drawing and the
/// file append are left to the caller, which runs them when `echantillon` is set.
ResultatTick tickEchantillonnage(Magasin& m, EtatCycle& e, const Cadence& c, const Lecture& l,
                                 const QDateTime& maintenant, double largeurEchelle);

/// The "+" (43) and "-" (45) test keys; the value stops at the 16-bit limits.
/// Returns true when the character is one of the two keys.
bool toucheTest(EtatCycle& e, int codeCaractere);

/// Resets what a recording start resets: tick counter, test value, sample count.
void debutEnregistrement(Magasin& m, EtatCycle& e);

} // namespace core
