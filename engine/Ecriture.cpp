#include "engine/Ecriture.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <QTimer>

namespace engine {

Ecriture::Ecriture(files::AppelsSysteme& appels, QObject* parent)
    : QObject(parent), m_appels(appels), m_ecrivain(appels), m_evenements(appels) {
    // The writer hands back each line once it is on disk, file by file and in order:
    // it is the oldest sample still on its way to that file.
    m_ecrivain.surEcrite = [this](const QString& chemin, const QByteArray&) {
        std::deque<core::Echantillon>& enVol = m_enVol[chemin];
        if (enVol.empty())
            return;
        const core::Echantillon e = std::move(enVol.front());
        enVol.pop_front();
        emit echantillonEcrit(e);
    };
    // Told once the write is over, not from inside it.
    m_ecrivain.surFinCoupee = [this](const QString& chemin) { m_coupees << chemin; };
}

void Ecriture::ajoute(const QString& chemin, const core::Echantillon& e) {
    m_enVol[chemin].push_back(e);
    m_ecrivain.ajoute(chemin, files::ligneEnr(e));
    m_evenements.reessaie();
    suit();
    const QStringList coupees = std::exchange(m_coupees, {});
    for (const QString& c : coupees)
        emit finCoupee(c);
}

void Ecriture::ajouteEvenement(const QString& chemin, const QByteArray& ligne,
                               const QByteArray& entete) {
    m_evenements.setEntete(chemin, entete);
    m_evenements.ajoute(chemin, ligne);
    suit();
}

void Ecriture::oublie(const QString& chemin) {
    m_ecrivain.oublieAttente(chemin);
    m_enVol.erase(chemin);
}

void Ecriture::suit() {
    if (m_ecrivain.nbEnAttente() + m_evenements.nbEnAttente() > 0) {
        QStringList lignes;
        for (const QString& chemin : m_ecrivain.fichiersEnAttente())
            lignes << QStringLiteral("Écriture impossible dans %1 (%2) : %3 mesure(s) en attente.")
                          .arg(QDir::toNativeSeparators(chemin), m_ecrivain.derniereErreur(chemin))
                          .arg(m_ecrivain.nbEnAttente(chemin));
        for (const QString& chemin : m_evenements.fichiersEnAttente())
            lignes << QStringLiteral("Écriture impossible dans %1 (%2) : %3 événement(s) en "
                                     "attente.")
                          .arg(QDir::toNativeSeparators(chemin),
                               m_evenements.derniereErreur(chemin))
                          .arg(m_evenements.nbEnAttente(chemin));
        lignes << QStringLiteral("Elles sont gardées en mémoire : nouvel essai à chaque mesure.");
        m_enEchec = true;
        emit alerte(Alerte::Ecriture, lignes.join(QLatin1Char('\n')));
    } else if (m_enEchec) {
        m_enEchec = false;
        emit alerte(Alerte::Ecriture, QString());
        emit alerte(Alerte::Info, QStringLiteral("Écriture rétablie : toutes les mesures en "
                                                 "attente ont été écrites."));
        QTimer::singleShot(10000, this, [this] { emit alerte(Alerte::Info, QString()); });
    }
}

bool Ecriture::sauveAttente(Decideur* decideur, bool fermeture) {
    if (m_ecrivain.nbEnAttente() + m_evenements.nbEnAttente() == 0)
        return true;
    m_ecrivain.reessaie();
    m_evenements.reessaie();
    suit();
    // One rescue file per record file, so lines never mix without saying where they
    // were meant to go.
    for (const QString& chemin : m_ecrivain.fichiersEnAttente()) {
        while (m_ecrivain.nbEnAttente(chemin) > 0) {
            const int nb = m_ecrivain.nbEnAttente(chemin);
            const QString secours =
                decideur ? decideur->fichierSecours(chemin, nb, fermeture, false) : QString();
            if (secours.isEmpty()) {
                if (!fermeture)
                    break; // they stay waiting and are retried at the next sample
                if (!decideur || decideur->abandonneAttente(chemin, nb))
                    oublie(chemin);
                continue;
            }
            QString erreur;
            if (files::EcrivainEnr::ecritDurable(secours, m_ecrivain.contenuEnAttente(chemin),
                                                 &erreur, m_appels, files::enteteEnr())) {
                oublie(chemin);
                m_dernierSecours = secours;
            } else {
                emit alerte(Alerte::Info, QStringLiteral("Écriture impossible dans %1 (%2).")
                                              .arg(QDir::toNativeSeparators(secours), erreur));
            }
        }
    }
    if (fermeture)
        sauveEvenements(decideur);
    m_enEchec = m_enEchec && m_ecrivain.nbEnAttente() + m_evenements.nbEnAttente() > 0;
    if (m_ecrivain.nbEnAttente() + m_evenements.nbEnAttente() == 0)
        emit alerte(Alerte::Ecriture, QString());
    else
        suit();
    return m_ecrivain.nbEnAttente() == 0;
}

void Ecriture::sauveEvenements(Decideur* decideur) {
    for (const QString& chemin : m_evenements.fichiersEnAttente()) {
        const int nb = m_evenements.nbEnAttente(chemin);
        QString secours;
        if (!m_dernierSecours.isEmpty()) {
            const QFileInfo s(m_dernierSecours);
            secours = s.dir().filePath(s.completeBaseName() + QStringLiteral("_evenements.csv"));
        } else if (decideur) {
            secours = decideur->fichierSecours(chemin, nb, true, true);
        }
        QString erreur;
        if (!secours.isEmpty() &&
            files::EcrivainEnr::ecritDurable(secours, m_evenements.contenuEnAttente(chemin),
                                             &erreur, m_appels, m_evenements.entete(chemin))) {
            emit alerte(Alerte::Info, QStringLiteral("%1 événement(s) non écrits dans %2 sont "
                                                     "ajoutés à %3.")
                                          .arg(nb)
                                          .arg(QDir::toNativeSeparators(chemin),
                                               QDir::toNativeSeparators(secours)));
        } else {
            emit alerte(Alerte::Info,
                        QStringLiteral("%1 événement(s) n'ont pu être écrits ni dans %2 ni "
                                       "ailleurs : ils sont perdus (les mesures ne le sont pas).")
                            .arg(nb)
                            .arg(QDir::toNativeSeparators(chemin)));
        }
        m_evenements.oublieAttente(chemin);
    }
}

} // namespace engine
