#include "publication/FileEnvoi.h"

#include <QDir>

#include <algorithm>

namespace publication {

QString FileEnvoi::suit(const QString& chemin, bool curseur, qint64 depuis) {
    sauveCurseur();
    m_suivants.efface();
    m_suite.reset();
    m_fichier = chemin;
    m_avecCurseur = curseur;
    m_depuis = depuis;
    if (m_file) {
        // What the file left behind could not be read stays counted.
        m_illisiblesAvant += m_file->illisibles();
        m_exemplesAvant += m_file->exemplesIllisibles();
    }
    m_file = std::make_unique<FileEnr>(chemin);
    m_lacunes = std::make_unique<Lacunes>(chemin);
    m_curseur = Curseur();
    QString raison;
    if (curseur) {
        m_curseur = lisCurseur(chemin, &raison);
        if (!raison.isEmpty())
            raison = QStringLiteral("%1 : %2 ; tout le fichier est renvoyé")
                         .arg(QDir::toNativeSeparators(cheminCurseur(chemin)), raison);
    }
    reprend();
    return raison;
}

void FileEnvoi::suitEnsuite(const QString& chemin) {
    if (!m_file) {
        suit(chemin, true, 0);
        return;
    }
    if (chemin != m_fichier)
        m_suivants.ajoute(chemin);
}

bool FileEnvoi::passeAuSuivant() {
    if (m_suivants.vide() || !m_enVol.empty() || !m_lues.empty())
        return false;
    Suivants<FileEnr> suivants;
    std::swap(suivants, m_suivants);
    // The samples of the file done are all acknowledged: its cursor says so.
    const Curseur fin = m_curseur;
    suit(suivants.retire(), m_avecCurseur, 0);
    m_suivants = std::move(suivants);
    if (m_curseur.session.isEmpty()) {
        // Nothing of the new file sent yet: its numbers go on from the file before,
        // in the same session (a run split by day is one run).
        m_suite = fin.suite();
        reprend();
    }
    return true;
}

void FileEnvoi::reprend() {
    if (m_file)
        m_file->reprend(m_curseur.session.isEmpty() && m_suite ? *m_suite : m_curseur);
    m_enVol.clear();
    m_lues.clear();
}

const LigneLue* FileEnvoi::prochaine(bool& finFichier) {
    while (m_lues.empty() && m_file && !finFichier) {
        std::vector<LigneLue> v = m_file->lit(512);
        if (m_file->remplace()) {
            // Another file now: whatever was in flight belonged to the old one, and
            // the new one goes from its start.
            m_curseur = Curseur();
            m_curseurModifie = true;
            m_enVol.clear();
            m_lues.clear();
            m_derniere.reset();
            m_avis = QStringLiteral("%1 a été remplacé ou récrit : il est envoyé depuis son "
                                    "début")
                         .arg(QDir::toNativeSeparators(m_fichier));
        }
        // A short read reached the end: no need to look again in this round.
        finFichier = v.size() < 512;
        // The marks of a source lost are in the events file before the samples
        // they concern are in the record file.
        if (!v.empty())
            m_lacunes->actualise();
        for (LigneLue& l : v)
            if (l.n >= m_depuis || m_depuis == 0) {
                l.lu = m_lacunes->lu(l.session, l.n);
                m_lues.push_back(std::move(l));
                m_depuis = 0; // from the first sample at N on, every sample
            }
    }
    if (m_lues.empty() && finFichier && passeAuSuivant()) {
        finFichier = false;
        return prochaine(finFichier);
    }
    return m_lues.empty() ? nullptr : &m_lues.front();
}

void FileEnvoi::envoyee(int mid, qint64 instantMs) {
    if (m_lues.front().lu)
        m_derniere = m_lues.front();
    m_enVol.ajoute(mid, instantMs, std::move(m_lues.front()));
    m_lues.pop_front();
}

bool FileEnvoi::acquitte(int mid) {
    bool avance = false;
    m_enVol.acquitte(mid, [&](const LigneLue& l) {
        m_curseur = {l.octetFin, l.n, l.session, l.tMs, m_file ? m_file->premiere() : 0,
                     l.empreinte};
        ++m_acquittes;
        avance = true;
    });
    if (avance)
        m_curseurModifie = true;
    return avance && m_enVol.empty() && m_lues.empty();
}

void FileEnvoi::sauveCurseur() {
    if (!m_curseurModifie || !m_avecCurseur || m_fichier.isEmpty())
        return;
    if (const QString avis =
            sauveCurseurSuivi(m_fichier, m_curseur, m_curseurModifie, m_curseurEnEchec);
        !avis.isEmpty())
        m_avis = avis;
}

qint64 FileEnvoi::enAttente() {
    if (!m_file)
        return 0;
    qint64 n = static_cast<qint64>(m_enVol.size() + m_lues.size()) + m_file->lignesRestantes();
    return n + m_suivants.restantes();
}

} // namespace publication
