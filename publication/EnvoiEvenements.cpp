#include "publication/EnvoiEvenements.h"

#include <QDir>

#include <algorithm>

namespace publication {

QString EnvoiEvenements::suit(const QString& chemin) {
    sauveCurseur();
    m_suivants.efface();
    m_suite.reset();
    m_fichier = chemin;
    m_file = std::make_unique<EvenementsSuivis>(chemin);
    QString raison;
    m_curseur = lisCurseur(chemin, &raison);
    if (!raison.isEmpty())
        raison = QStringLiteral("%1 : %2 ; tous les événements sont renvoyés")
                     .arg(QDir::toNativeSeparators(cheminCurseur(chemin)), raison);
    reprend();
    return raison;
}

void EnvoiEvenements::suitEnsuite(const QString& chemin) {
    if (!m_file) {
        suit(chemin);
        return;
    }
    if (chemin != m_fichier)
        m_suivants.ajoute(chemin);
}

bool EnvoiEvenements::passeAuSuivant() {
    if (m_suivants.vide() || !m_enVol.empty() || !m_lus.empty())
        return false;
    Suivants<EvenementsSuivis> suivants;
    std::swap(suivants, m_suivants);
    const Curseur fin = m_curseur;
    suit(suivants.retire());
    m_suivants = std::move(suivants);
    if (m_curseur.session.isEmpty()) {
        // Nothing of the new file sent yet: the run, its ranks and its alarm go on.
        m_suite = fin.suite();
        reprend();
    }
    return true;
}

void EnvoiEvenements::reprend() {
    const Curseur& depuis = m_curseur.session.isEmpty() && m_suite ? *m_suite : m_curseur;
    if (m_file)
        m_file->reprend(depuis);
    m_alarme = depuis.alarme;
    m_enVol.clear();
    m_lus.clear();
}

const EvenementLu* EnvoiEvenements::prochain() {
    if (m_lus.empty() && m_file) {
        std::vector<EvenementLu> v = m_file->lit(256);
        if (m_file->remplace()) {
            m_curseur = Curseur();
            m_curseurModifie = true;
            m_enVol.clear();
            m_avis = QStringLiteral("%1 a été remplacé ou récrit : ses événements sont envoyés "
                                    "depuis son début")
                         .arg(QDir::toNativeSeparators(m_fichier));
        }
        for (EvenementLu& e : v)
            m_lus.push_back(std::move(e));
        if (m_lus.empty() && passeAuSuivant())
            return prochain();
    }
    return m_lus.empty() ? nullptr : &m_lus.front();
}

void EnvoiEvenements::envoye(int mid, qint64 instantMs) {
    if (m_lus.front().alarme >= 0)
        m_alarme = m_lus.front().alarme;
    m_enVol.ajoute(mid, instantMs, std::move(m_lus.front()));
    m_lus.pop_front();
}

bool EnvoiEvenements::acquitte(int mid) {
    bool avance = false;
    const bool sien = m_enVol.acquitte(mid, [&](const EvenementLu& e) {
        m_curseur = {e.octetFin,  e.n,     e.session, e.tMs, m_file ? m_file->premiere() : 0,
                     e.empreinte, e.alarme};
        avance = true;
    });
    if (avance)
        m_curseurModifie = true;
    return sien;
}

void EnvoiEvenements::sauveCurseur() {
    if (!m_curseurModifie || m_fichier.isEmpty())
        return;
    if (const QString avis =
            sauveCurseurSuivi(m_fichier, m_curseur, m_curseurModifie, m_curseurEnEchec);
        !avis.isEmpty())
        m_avis = avis;
}

qint64 EnvoiEvenements::enAttente() {
    if (!m_file)
        return 0;
    return static_cast<qint64>(m_enVol.size() + m_lus.size()) + m_file->lignesRestantes() +
           m_suivants.restantes();
}

} // namespace publication
