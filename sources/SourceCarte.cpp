#include "sources/SourceCarte.h"

#include "core/Cycle.h"

namespace sources {

SourceCarte::SourceCarte(QStringList candidats, Usb::FabriquePilote secours, Usb::HorlogeMs horloge,
                         QObject* parent)
    : Source(parent), m_usb(std::move(candidats), std::move(secours), std::move(horloge)) {}

QString SourceCarte::nom() const {
    return QStringLiteral("carte USB P8055");
}

void SourceCarte::ouvre() {
    m_usb.ouvre_carte();
}

std::optional<double> SourceCarte::lit() {
    // The board is opened around every reading.
    m_usb.ouvre_carte();
    const std::optional<int> lu = m_usb.lit_carte();
    return lu;
}

core::ValeurMesure SourceCarte::valeur(double brute) const {
    return core::ValeurMesure::reel(core::mise_a_l_echelle(static_cast<int32_t>(brute)));
}

QString SourceCarte::probleme() const {
    if (m_usb.carteOuverte())
        return {};
    return QStringLiteral("Carte USB P8055 introuvable : nouvel essai toutes les 3 secondes. En "
                          "attendant, les mesures enregistrées répètent la dernière valeur lue "
                          "(0 si la carte n'a encore rien donné).");
}

} // namespace sources
