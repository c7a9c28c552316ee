#include "sources/Usb.h"

#include "sources/BibliothequeCarte.h"

namespace sources {

Usb::Usb(QStringList candidats, FabriquePilote secours, HorlogeMs horloge)
    : m_candidats(std::move(candidats)), m_secours(std::move(secours)),
      m_horloge(std::move(horloge)) {}

Usb::~Usb() = default;

void Usb::choisitPilote() {
    m_choisi = true;
    if (auto b = BibliothequeCarte::charge(m_candidats)) {
        m_pilote = std::move(b);
        return;
    }
    if (m_secours)
        m_pilote = m_secours();
}

void Usb::ouvre_carte() {
    if (!m_choisi)
        choisitPilote();
    m_ouvertCetteFois = false;
    // Without any driver the board can never be reached: that is told like its absence.
    if (!m_pilote) {
        m_ouverte = false;
        return;
    }
    // Waiting out the pause after a failed open; a clock set back starts again now.
    const qint64 maintenant = m_horloge();
    if (maintenant < m_prochainEssai && maintenant >= m_prochainEssai - kPauseMs)
        return;
    if (!m_pilote->ouvre(kAdresse)) {
        m_pilote->ferme();
        m_ouverte = false;
        m_prochainEssai = m_horloge() + kPauseMs;
        return;
    }
    m_ouverte = true;
    m_ouvertCetteFois = true;
}

std::optional<int> Usb::lit_carte() {
    if (!m_pilote || !m_ouvertCetteFois)
        return std::nullopt;
    m_ouvertCetteFois = false;
    const std::optional<int> lu = m_pilote->litEntree1();
    m_pilote->ferme();
    return lu;
}

} // namespace sources
