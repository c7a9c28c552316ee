#include "sources/SourceSerie.h"

#include "core/Cycle.h"

#include <QDir>

namespace sources {

SourceSerie::SourceSerie(QString nomPort, QObject* parent)
    : Source(parent), m_rs232(std::move(nomPort)) {
    connect(&m_rs232, &Rs232::etatChange, this, &Source::etatChange);
}

QString SourceSerie::nom() const {
    return QStringLiteral("port série COM1, %1").arg(QDir::toNativeSeparators(m_rs232.nomPort()));
}

core::ValeurMesure SourceSerie::valeur(double brute) const {
    return core::ValeurMesure::reel(core::mise_a_l_echelle(static_cast<int32_t>(brute)));
}

QString SourceSerie::probleme() const {
    if (m_rs232.estOuvert() || m_rs232.probleme().isEmpty())
        return {};
    return QStringLiteral("Port série COM1 (%1) non ouvert : %2. Nouvel essai toutes les 10 "
                          "secondes ; en attendant, les mesures enregistrées répètent la "
                          "dernière valeur reçue (0 si aucune).")
        .arg(m_rs232.nomPort(), m_rs232.probleme());
}

void SourceSerie::entretien() {
    m_rs232.vide_buffer();
    // A port that could not be opened, or whose device went away, is tried again.
    if (!m_rs232.estOuvert())
        m_rs232.ouvre_port();
}

} // namespace sources
