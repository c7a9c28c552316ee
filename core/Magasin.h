#pragma once

#include "core/ValeurMesure.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace core {

/// The main window's sample store: three parallel arrays plus the raw lines of a
/// loaded record file, indices 0 to kCapacite. Samples occupy 1 to NbMesures;
/// index 0 holds the starting point 0.
struct Magasin {
    /// Samples one recording or one loaded file can hold.
    static constexpr int kCapacite = 32000;

    Magasin();

    /// Sample values.
    std::vector<ValeurMesure> TabValeur;
    /// Date of each sample, "mm-dd-yyyy".
    std::vector<QString> TabDate;
    /// Time of each sample, "hh:mm:ss".
    std::vector<QString> TabHeure;
    /// Lines of the last loaded record file, without their line ends.
    std::vector<QString> LignesFichier;
    /// Index of the last stored sample; 0 means none.
    int16_t NbMesures = 0;
    /// First line of the last loaded record file.
    QString LigneEntete;
    /// True while the store shows a loaded file rather than recorded samples;
    /// selects the list's line format.
    bool donneesChargees = false;

    /// Value of sample i as a number (an empty element is 0).
    double valeur(int i) const { return TabValeur[static_cast<size_t>(i)].nombre(); }
};

} // namespace core
