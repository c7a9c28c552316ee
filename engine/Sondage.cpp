#include "engine/Sondage.h"

#include "sources/SourceCarte.h"
#include "sources/SourceClavier.h"
#include "sources/SourceSerie.h"

namespace engine {

Sondage::Sondage(QString portSerie, QStringList bibliothequesCarte,
                 sources::Usb::FabriquePilote piloteSecours, const core::Horloge& horloge,
                 const core::EtatCycle& cycle, bool minuteriesManuelles, QObject* parent)
    : QObject(parent), m_horloge(horloge), m_cycle(cycle) {
    // The board waits a few seconds after a failed open, on the injected clock.
    const core::Horloge* h = &m_horloge;
    m_sources[0] = std::make_unique<sources::SourceClavier>(&m_cycle.ValeurTest);
    m_sources[1] = std::make_unique<sources::SourceCarte>(
        std::move(bibliothequesCarte), std::move(piloteSecours),
        [h] { return h->maintenant().toMSecsSinceEpoch(); });
    m_sources[2] = std::make_unique<sources::SourceSerie>(std::move(portSerie));
    m_source = m_sources[0].get();
    for (const auto& source : m_sources)
        connect(source.get(), &sources::Source::etatChange, this, &Sondage::suitSource);
    m_TimerValActu.setInterval(500);
    m_TimerVideBufferRS.setInterval(10000);
    connect(&m_TimerValActu, &QTimer::timeout, this, &Sondage::TimerValActu_Timer);
    connect(&m_TimerVideBufferRS, &QTimer::timeout, this, &Sondage::TimerVideBufferRS_Timer);
    if (minuteriesManuelles)
        for (QTimer* t : {&m_TimerValActu, &m_TimerVideBufferRS})
            t->blockSignals(true);
}

Sondage::~Sondage() = default;

void Sondage::choisit(sources::TypeSource type) {
    sources::Source* choisie = m_sources[static_cast<size_t>(type)].get();
    if (choisie != m_source || !m_derniereTrame.isValid()) {
        // A new device has told nothing yet: its value is unknown until it answers.
        m_lectureRecue = choisie->connueSansLecture();
        m_ValeurBrute = 0;
        m_derniereTrame = m_horloge.maintenant();
    }
    if (choisie != m_source)
        m_source->ferme();
    m_source = choisie;
    m_source->ouvre();
    if (m_source->aEntretenir())
        m_TimerVideBufferRS.start();
    else
        m_TimerVideBufferRS.stop();
    emit alerte(Alerte::Silence, QString());
    suitSource();
}

const sources::Rs232& Sondage::rs232() const {
    return static_cast<const sources::SourceSerie&>(*m_sources[2]).rs232();
}

void Sondage::ferme() {
    m_TimerValActu.stop();
    m_TimerVideBufferRS.stop();
    m_source->ferme();
}

int32_t Sondage::brute() const {
    return m_source->connueSansLecture() ? m_cycle.ValeurTest : m_ValeurBrute;
}

void Sondage::TimerValActu_Timer() {
    const QDateTime maintenant = m_horloge.maintenant();
    if (const std::optional<int> lu = m_source->lit()) {
        m_ValeurBrute = *lu;
        m_lectureRecue = true;
        m_derniereTrame = maintenant;
        emit alerte(Alerte::Silence, QString());
    } else if (m_source->probleme().isEmpty() && m_derniereTrame.isValid() &&
               m_derniereTrame.msecsTo(maintenant) >= kSilenceMs) {
        // A device that is there but sends nothing gives no reading either.
        emit alerte(Alerte::Silence,
                    QStringLiteral("Aucune mesure reçue (%1) depuis %2 s : vérifiez que "
                                   "l'appareil est allumé et branché. En attendant, les "
                                   "mesures enregistrées répètent la dernière valeur reçue "
                                   "(0 s'il n'a encore rien envoyé).")
                        .arg(m_source->nom())
                        .arg(m_derniereTrame.secsTo(maintenant)));
    }
    suitSource();
    emit valeurLue(maintenant, valeurAffichee());
}

std::optional<int> Sondage::valeurAffichee() const {
    if (m_source->connueSansLecture())
        return m_cycle.ValeurTest;
    if (!m_lectureRecue)
        return std::nullopt;
    return static_cast<int>(m_source->valeur(m_ValeurBrute).nombre());
}

void Sondage::suitSource() {
    emit alerte(Alerte::Source, m_source->probleme());
}

} // namespace engine
