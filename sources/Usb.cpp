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
    if (!m_pilote || m_horloge() < m_prochainEssai)
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
