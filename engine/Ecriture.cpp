#include "engine/Ecriture.h"

#include <QDir>
#include <QStringList>
#include <QTimer>

namespace engine {

Ecriture::Ecriture(files::AppelsSysteme& appels, QObject* parent)
    : QObject(parent), m_appels(appels), m_ecrivain(appels) {
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
}

void Ecriture::ajoute(const QString& chemin, const core::Echantillon& e) {
    m_enVol[chemin].push_back(e);
    suit(m_ecrivain.ajoute(chemin, files::ligneEnr(e)));
}

void Ecriture::oublie(const QString& chemin) {
    m_ecrivain.oublieAttente(chemin);
    m_enVol.erase(chemin);
}

void Ecriture::suit(files::EcrivainEnr::Etat etat) {
    using Etat = files::EcrivainEnr::Etat;
    if (etat == Etat::Echec) {
        QStringList lignes;
        for (const QString& chemin : m_ecrivain.fichiersEnAttente())
            lignes << QStringLiteral("Écriture impossible dans %1 (%2) : %3 mesure(s) en attente.")
                          .arg(QDir::toNativeSeparators(chemin), m_ecrivain.derniereErreur(chemin))
                          .arg(m_ecrivain.nbEnAttente(chemin));
        lignes << QStringLiteral("Elles sont gardées en mémoire : nouvel essai à chaque mesure.");
        emit alerte(Alerte::Ecriture, lignes.join(QLatin1Char('\n')));
    } else if (etat == Etat::Retabli) {
        emit alerte(Alerte::Ecriture, QString());
        emit alerte(Alerte::Info, QStringLiteral("Écriture rétablie : toutes les mesures en "
                                                 "attente ont été écrites."));
        QTimer::singleShot(10000, this, [this] { emit alerte(Alerte::Info, QString()); });
    }
}

bool Ecriture::sauveAttente(Decideur* decideur, bool fermeture) {
    if (m_ecrivain.nbEnAttente() == 0)
        return true;
    suit(m_ecrivain.reessaie());
    // One rescue file per record file, so lines never mix without saying where they
    // were meant to go.
    for (const QString& chemin : m_ecrivain.fichiersEnAttente()) {
        while (m_ecrivain.nbEnAttente(chemin) > 0) {
            const int nb = m_ecrivain.nbEnAttente(chemin);
            const QString secours =
                decideur ? decideur->fichierSecours(chemin, nb, fermeture) : QString();
            if (secours.isEmpty()) {
                if (!fermeture)
                    break; // they stay waiting and are retried at the next sample
                if (!decideur || decideur->abandonneAttente(chemin, nb))
                    oublie(chemin);
                continue;
            }
            QString erreur;
            if (files::EcrivainEnr::ecritDurable(secours, m_ecrivain.contenuEnAttente(chemin),
                                                 &erreur, m_appels, files::enteteEnr()))
                oublie(chemin);
            else
                emit alerte(Alerte::Info, QStringLiteral("Écriture impossible dans %1 (%2).")
                                              .arg(QDir::toNativeSeparators(secours), erreur));
        }
    }
    if (m_ecrivain.nbEnAttente() == 0)
        emit alerte(Alerte::Ecriture, QString());
    else
        suit(files::EcrivainEnr::Etat::Echec);
    return m_ecrivain.nbEnAttente() == 0;
}

} // namespace engine
