#pragma once

#include <QString>

#include <cstdint>

namespace core {

/// Window width in twips with the graph hidden (value panel only).
constexpr int16_t kLargeurEtroite = 3600;
/// Window width in twips with the graph shown.
constexpr int16_t kLargeurLarge = 7890;
/// Record file proposed by default and used on a first start.
inline const char* const kNomFichierDefaut = "data_tr.csv";

/// The four settings kept in the configuration file.
struct Reglages {
    /// Path of the current record file, as the user gave it.
    QString NomFichierEnr;
    /// Active source: 0 keyboard test mode, 1 USB board, 2 serial instrument.
    uint8_t TypeSource = 0;
    /// Selected recording-rate option, 1 to 10.
    uint8_t IndexCadence = 0;
    /// Outer width of the main window in twips; 3600 hides the graph.
    int16_t LargeurFenetre = 0;
};

/// The four persisted settings set to their first-start values.
void appliqueDefauts(Reglages& r);

} // namespace core
