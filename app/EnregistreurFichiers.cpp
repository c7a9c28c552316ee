// The main window's file commands: new record file and record viewer.
#include "app/Enregistreur.h"

#include "app/Recents.h"

#include "ui/BarreChargement.h"
#include "ui/Dialogues.h"

#include <QApplication>
#include <QDir>

#include <limits>

namespace app {

void Enregistreur::menu_nouveau_Click() {
    if (!m_moteur->accepte(engine::Commande::FichierEnr))
        return;
    m_RepertoireEnr = QDir::currentPath();
    const QString chemin = m_dialogues->nouveauFichier(this);
    if (!chemin.isEmpty()) {
        QString erreur;
        switch (m_moteur->nouveauFichier(chemin, &erreur)) {
        case engine::NouveauFichier::NomInvalide:
            m_dialogues->avertissement(
                this, QStringLiteral("Le nom du fichier ne peut pas contenir de guillemet (\"). "
                                     "Choisissez un autre nom."));
            break;
        case engine::NouveauFichier::CreationEchouee:
            m_dialogues->avertissement(
                this, QStringLiteral("Impossible de créer le fichier %1 (%2). Les mesures y seront "
                                     "ajoutées dès qu'il pourra être écrit, sans ligne d'en-tête.")
                          .arg(QDir::toNativeSeparators(chemin), erreur));
            break;
        case engine::NouveauFichier::Refuse:
        case engine::NouveauFichier::Cree:
            break;
        }
        // The title names the file the next samples go to, from now on.
        affiche_barre_titre();
    }
    QDir::setCurrent(m_RepertoireEnr);
}

void Enregistreur::menu_charger_Click() {
    if (!m_moteur->accepte(engine::Commande::Charger))
        return;
    const QString chemin = m_dialogues->ouvreFichier(this);
    if (!chemin.isEmpty())
        visualise(chemin);
}

void Enregistreur::visualise(const QString& chemin) {
    if (!m_moteur->charge(chemin))
        return;
    m_outils->setFichierCharge(chemin);
    Recents(m_moteur->cheminConfiguration()).retiens(chemin);
    actualiseRecents();
}

void Enregistreur::surProgression(qint64 position, qint64 taille) {
    if (!m_barre)
        m_barre = std::make_unique<ui::BarreChargement>();
    if (m_barre->isHidden()) {
        m_barre->avance(position, taille);
        m_barre->centre();
        m_barre->setEnabled(true);
        m_barre->show();
        m_barre->ProgressBar1->setEnabled(true);
        m_budgetChargement.start();
        return;
    }
    // The window is kept alive on a time budget rather than for every line.
    if (m_budgetChargement.elapsed() >= m_budgetChargementMs) {
        m_barre->avance(position, taille);
        QCoreApplication::processEvents();
        m_budgetChargement.restart();
    }
}

void Enregistreur::surChargementTermine(files::FinChargement fin) {
    if (m_barre) {
        m_barre->ProgressBar1->setEnabled(false);
        m_barre->hide();
        m_barre->setEnabled(false);
    }
    m_vue->apresChargement();
    unsetCursor();
    const files::ArretChargement& arret = m_moteur->dernierArret();
    if (fin == files::FinChargement::Echec && arret.ligne == 0 && !arret.raison.isEmpty())
        m_dialogues->avertissement(
            this, QStringLiteral("Impossible de visualiser ce fichier : %1.").arg(arret.raison));
    if (fin == files::FinChargement::ErreurFormat)
        m_dialogues->message(this, QStringLiteral("Erreur format fichier"));
    else
        affich();
}

} // namespace app
