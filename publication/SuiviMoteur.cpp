#include "publication/SuiviMoteur.h"

#include <QDateTime>

namespace publication {

SuiviMoteur::SuiviMoteur(engine::Moteur& moteur, Publieur& publieur, QObject* parent)
    : QObject(parent), m_moteur(moteur), m_publieur(publieur) {
    m_publieur.etalonnage = [this] { return m_moteur.etalonnage(); };
    const auto suit = [this] {
        if (!m_moteur.cheminEnr().isEmpty())
            m_publieur.suitFichier(m_moteur.cheminEnr());
    };
    suit();
    connect(&m_moteur, &engine::Moteur::etatChange, this, suit);
    connect(&m_moteur, &engine::Moteur::echantillonEcrit, this, [this, suit] {
        suit();
        m_publieur.lignesAjoutees();
    });
    connect(&m_publieur, &Publieur::etatChange, this, [this] {
        if (journal)
            journal(m_publieur.texteEtat());
        actualise(true);
    });
    connect(&m_publieur, &Publieur::aJourAtteint, this, [this] { actualise(true); });
    // The count of samples waiting, now and then (not at every sample).
    m_rappel.setInterval(2000);
    connect(&m_rappel, &QTimer::timeout, this, [this] { actualise(false); });
    m_rappel.start();
}

QString SuiviMoteur::notice() {
    const qint64 attente = m_publieur.enAttente();
    switch (m_publieur.etat()) {
    case Publieur::Etat::Arret:
        return {};
    case Publieur::Etat::Connecte:
        if (attente == 0)
            return {};
        return QStringLiteral("Publication : %1 mesure(s) envoyées au courtier en rattrapage.")
            .arg(attente);
    case Publieur::Etat::Connexion:
    case Publieur::Etat::Refuse:
        break;
    }
    QString t = m_publieur.texteEtat();
    t = QStringLiteral("Publication : ") + t;
    if (attente > 0)
        t += QStringLiteral(" ; %1 mesure(s) en attente, gardées dans le fichier").arg(attente);
    return t.endsWith(QChar(0x2026)) ? t : t + QLatin1Char('.');
}

void SuiviMoteur::actualise(bool immediat) {
    // A changing count is said at most every ten seconds; a change of state at once.
    const qint64 maintenant = QDateTime::currentMSecsSinceEpoch();
    if (!immediat && maintenant - m_dernierAffichage < 10'000)
        return;
    m_dernierAffichage = maintenant;
    m_moteur.signalePublication(notice());
}

} // namespace publication
