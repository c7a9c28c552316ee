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
        // Troubles are told by the notice, with the count waiting; the journal
        // adds when things are well again.
        if (journal && (m_publieur.etat() == Publieur::Etat::Connecte ||
                        m_publieur.etat() == Publieur::Etat::Arret))
            journal(m_publieur.texteEtat());
        actualise(true);
    });
    // Caught up again: a notice shown goes away (nothing to do when none is shown).
    connect(&m_publieur, &Publieur::aJourAtteint, this, [this] {
        if (m_moteur.alertes().size() > 0)
            actualise(true);
    });
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
    case Publieur::Etat::Connecte: {
        if (attente == 0)
            return {};
        const qint64 silence = m_publieur.attenteAcquittementMs() / 1000;
        if (silence >= 5)
            return QStringLiteral("Publication : le courtier %1 n'acquitte plus depuis %2 s ; %3 "
                                  "mesure(s) en attente, gardées dans le fichier.")
                .arg(m_publieur.reglage().adresse())
                .arg(silence)
                .arg(attente);
        return QStringLiteral("Publication : rattrapage, %1 mesure(s) en attente d'acquittement.")
            .arg(attente);
    }
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
