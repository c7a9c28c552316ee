#include "engine/Sondage.h"

#include "sources/SourceCarte.h"
#include "sources/SourceClavier.h"
#include "sources/SourceSerie.h"
#include "sources/SourceTexte.h"

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
    m_sources[3] =
        std::make_unique<sources::SourceTexte>([h] { return h->maintenant().toMSecsSinceEpoch(); });
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
        m_echantillonPrecedentMs = 0;
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

void Sondage::regleTexte(const core::ReglageTexte& r) {
    auto& texte = static_cast<sources::SourceTexte&>(*m_sources[3]);
    if (texte.reglage() == r)
        return;
    texte.regle(r);
    if (m_source == &texte) {
        // Another port or label: what the old one said is no reading of the new one.
        m_lectureRecue = false;
        m_derniereTrame = m_horloge.maintenant();
        m_echantillonPrecedentMs = 0;
    }
}

const core::ReglageTexte& Sondage::reglageTexte() const {
    return static_cast<const sources::SourceTexte&>(*m_sources[3]).reglage();
}

void Sondage::ferme() {
    m_TimerValActu.stop();
    m_TimerVideBufferRS.stop();
    m_source->ferme();
}

double Sondage::brute() const {
    return m_source->connueSansLecture() ? m_cycle.ValeurTest : m_ValeurBrute;
}

bool Sondage::prendLecture(const QDateTime& maintenant) {
    const std::optional<double> lu = m_source->lit();
    if (!lu)
        return false;
    m_ValeurBrute = *lu;
    m_lectureRecue = true;
    const std::optional<qint64> arrivee = m_source->instantLecture();
    m_derniereTrame = arrivee ? QDateTime::fromMSecsSinceEpoch(*arrivee) : maintenant;
    emit alerte(Alerte::Silence, QString());
    return true;
}

void Sondage::TimerValActu_Timer() {
    const QDateTime maintenant = m_horloge.maintenant();
    if (!prendLecture(maintenant) && m_source->probleme().isEmpty() && m_derniereTrame.isValid() &&
        m_derniereTrame.msecsTo(maintenant) >= kSilenceMs) {
        // A device that is there but sends nothing gives no reading either.
        const QString texte =
            dateSesLectures()
                ? QStringLiteral("Aucune ligne lisible reçue (%1) depuis %2 s : vérifiez que "
                                 "la carte est branchée, que son programme tourne et que la "
                                 "vitesse est la bonne. En attendant, les mesures enregistrées "
                                 "ne sont pas des lectures.")
                : QStringLiteral("Aucune mesure reçue (%1) depuis %2 s : vérifiez que "
                                 "l'appareil est allumé et branché. En attendant, les "
                                 "mesures enregistrées répètent la dernière valeur reçue "
                                 "(0 s'il n'a encore rien envoyé).");
        emit alerte(Alerte::Silence,
                    texte.arg(m_source->nom()).arg(m_derniereTrame.secsTo(maintenant)));
    }
    suitSource();
    emit valeurLue(maintenant, valeurAffichee());
}

void Sondage::avantEchantillon() {
    if (dateSesLectures())
        prendLecture(m_horloge.maintenant());
}

bool Sondage::echantillonLu(const QDateTime& instant) {
    if (!dateSesLectures())
        return m_lectureRecue;
    const qint64 t = instant.toMSecsSinceEpoch();
    const std::optional<qint64> arrivee = m_source->instantLecture();
    const bool lu = m_lectureRecue && arrivee &&
                    (*arrivee > t - kFraicheurMs ||
                     (m_echantillonPrecedentMs != 0 && *arrivee > m_echantillonPrecedentMs));
    m_echantillonPrecedentMs = t;
    return lu;
}

std::optional<double> Sondage::valeurAffichee() const {
    if (m_source->connueSansLecture())
        return m_cycle.ValeurTest;
    if (!m_lectureRecue)
        return std::nullopt;
    if (dateSesLectures()) {
        // An old line is no current value: the display says so instead of freezing.
        const std::optional<qint64> arrivee = m_source->instantLecture();
        if (!arrivee || m_horloge.maintenant().toMSecsSinceEpoch() - *arrivee >= kFraicheurMs)
            return std::nullopt;
        return m_source->valeur(m_ValeurBrute).nombre();
    }
    return static_cast<int>(m_source->valeur(m_ValeurBrute).nombre());
}

void Sondage::suitSource() {
    emit alerte(Alerte::Source, m_source->probleme());
    emit alerte(Alerte::Lignes, m_source->avisLignes());
}

} // namespace engine
