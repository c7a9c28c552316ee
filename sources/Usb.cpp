#include "Usb.h"

#include "BibliothequeCarte.h"

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
    if (m_pilote->OpenDevice(kAdresse) < 0) {
        m_pilote->CloseDevice();
        m_ouverte = false;
        m_prochainEssai = m_horloge() + kPauseMs;
        return;
    }
    m_ouverte = true;
    m_ouvertCetteFois = true;
}

void Usb::lit_carte(int32_t& ValeurBrute) {
    if (!m_pilote || !m_ouvertCetteFois)
        return;
    m_ouvertCetteFois = false;
    // Pre-set to the last reading: a library that writes only 32 bits of a
    // 64-bit long, or nothing at all, still leaves a correct value.
    long entree1 = ValeurBrute >= 0 && ValeurBrute <= 255 ? ValeurBrute : 0;
    long brouillon = 0;
    m_pilote->ReadAllAnalog(&entree1, &brouillon);
    m_pilote->CloseDevice();
    const auto lu = static_cast<int32_t>(static_cast<uint32_t>(entree1 & 0xFFFFFFFF));
    if (lu >= 0 && lu <= 255)
        ValeurBrute = lu;
}

} // namespace sources
