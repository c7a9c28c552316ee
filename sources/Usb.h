#pragma once

#include "sources/PiloteCarte.h"

#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

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
    /// used when none loads (may be empty); `horloge`: the time in ms (a clock set
    /// back ends the pause at once).
    Usb(QStringList candidats, FabriquePilote secours, HorlogeMs horloge);
    ~Usb();

    /// Opens the board at address 3, unless a failed open is still being waited out.
    void ouvre_carte();
    /// Reads the first input and closes the board; nullopt when the board was not
    /// opened or gave no reading in 0..255.
    std::optional<int> lit_carte();

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
