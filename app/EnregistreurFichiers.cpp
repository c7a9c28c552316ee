// The main window's file commands: new record file and record viewer.
#include "Enregistreur.h"

#include "BarreChargement.h"
#include "Dialogues.h"
#include "LecteurEnr.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>

namespace app {

void Enregistreur::menu_nouveau_Click() {
    if (m_chargement || enregistrement())
        return;
    RepertoireEnr = QDir::currentPath();
    const QString chemin = m_env.dialogues->nouveauFichier(this);
    if (chemin.isEmpty())
        return;
    if (chemin.contains(QLatin1Char('"'))) {
        // The configuration file cannot hold such a name.
        m_env.dialogues->avertissement(
            this, QStringLiteral("Le nom du fichier ne peut pas contenir de guillemet (\"). "
                                 "Choisissez un autre nom."));
        QDir::setCurrent(RepertoireEnr);
        return;
    }
    // Each step runs even when the one before failed.
    if (!files::creeFichierEnr(chemin))
        m_env.dialogues->avertissement(
            this, QStringLiteral("Impossible de créer le fichier %1. Les mesures y seront "
                                 "ajoutées dès qu'il pourra être écrit, sans ligne d'en-tête.")
                      .arg(QDir::toNativeSeparators(chemin)));
    reglages.NomFichierEnr = QFileInfo(chemin).absoluteFilePath();
    m_cheminEnr = reglages.NomFichierEnr;
    config.ecrit_config(reglages);
    QDir::setCurrent(RepertoireEnr);
}

void Enregistreur::menu_charger_Click() {
    if (m_chargement || enregistrement())
        return;
    const QString chemin = m_env.dialogues->ouvreFichier(this);
    if (chemin.isEmpty())
        return;
    m_chargement = true;
    magasin.NbMesures = 0;
    raz();
    cycle.DecalageX = 0;
    if (!m_barre)
        m_barre = std::make_unique<ui::BarreChargement>();
    m_barre->avance(0, QFileInfo(chemin).size());
    m_barre->centre();
    m_barre->setEnabled(true);
    m_barre->show();
    m_barre->ProgressBar1->setEnabled(true);
    setCursor(Qt::WaitCursor);

    // The window is kept alive on a time budget rather than for every line.
    QElapsedTimer budget;
    budget.start();
    const files::FinChargement fin =
        files::ChargeurEnr::charge(chemin, magasin, [&](qint64 position, qint64 taille) {
            if (budget.elapsed() >= budgetChargementMs) {
                m_barre->avance(position, taille);
                QCoreApplication::processEvents();
                budget.restart();
            }
        });

    m_barre->ProgressBar1->setEnabled(false);
    m_barre->hide();
    m_barre->setEnabled(false);
    const int n = magasin.NbMesures;
    ui.HScroll1->setRange(0, std::max(n, 0));
    unsetCursor();
    m_chargement = false;
    if (fin == files::FinChargement::ErreurFormat)
        m_env.dialogues->message(this, QStringLiteral("Erreur format fichier"));
    else
        affich();
}

} // namespace app
