#pragma once

#include "PiloteCarte.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>

namespace sources {

/// The USB experiment board: opened, read and closed around every poll.
/// The driver is chosen at the first call: the vendor library when one is
/// found, else the built-in driver. When the board cannot be opened the module
/// stays quiet for a few seconds before trying again, so a board plugged in
/// later is picked up and an absent one costs nothing.
class Usb {
public:
    /// Board address passed at every open.
    static constexpr long kAdresse = 3;
    /// Pause after a failed open, in ms.
    static constexpr qint64 kPauseMs = 3000;

    using FabriquePilote = std::function<std::unique_ptr<PiloteCarte>()>;
    using HorlogeMs = std::function<qint64()>;

    /// `candidats`: where to look for the vendor library; `secours`: the driver
    /// used when none loads; `horloge`: a monotonic time in ms.
    Usb(QStringList candidats, FabriquePilote secours, HorlogeMs horloge);
    ~Usb();

    /// OpenDevice(3), result kept only to know whether to read.
    void ouvre_carte();
    /// ReadAllAnalog into ValeurBrute (first input) and a scratch (second), then
    /// CloseDevice. A reading outside 0..255 or a failed open keeps ValeurBrute.
    void lit_carte(int32_t& ValeurBrute);

    /// False once a failed open has been seen and until a later one succeeds.
    bool carteOuverte() const { return m_ouverte; }

private:
    void choisitPilote();

    QStringList m_candidats;
    FabriquePilote m_secours;
    HorlogeMs m_horloge;
    std::unique_ptr<PiloteCarte> m_pilote;
    bool m_choisi = false;
    bool m_ouverte = true;
    bool m_ouvertCetteFois = false;
    qint64 m_prochainEssai = 0;
};

} // namespace sources
