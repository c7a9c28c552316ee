#include "app/ActionsGraphe.h"

#include "files/ExportMesures.h"
#include "ui/Dialogues.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressDialog>

namespace app {

void ActionsGraphe::menuEnregistrerImage(
    const QString& fichierAffiche,
    const std::function<bool(const QString&, const QString&)>& enregistre) const {
    QString filtre;
    const QString chemin = m_dialogues->fichierImage(
        m_fenetre, QFileInfo(fichierAffiche).completeBaseName() + QStringLiteral(".png"), &filtre);
    if (!chemin.isEmpty())
        enregistre(chemin, filtre);
}

bool ActionsGraphe::suitImage(bool ok, const QString& chemin, const QString& erreur) const {
    if (!ok)
        m_dialogues->avertissement(m_fenetre,
                                   QStringLiteral("Impossible d'enregistrer l'image dans %1 : %2.")
                                       .arg(QDir::toNativeSeparators(chemin), erreur));
    return ok;
}

void ActionsGraphe::menuImprimer(const std::function<void(QPrinter&)>& imprime) const {
    QPrinter imprimante;
    imprimante.setPageOrientation(QPageLayout::Landscape);
    QPrintDialog d(&imprimante, m_fenetre);
    d.setWindowTitle(QStringLiteral("Imprimer le graphe"));
    if (d.exec() == QDialog::Accepted)
        imprime(imprimante);
}

void ActionsGraphe::menuExporter(const QString& fichierAffiche, const QString& suffixe,
                                 const std::function<bool(const QString&, bool)>& exporte) const {
    bool visible = false;
    const QString chemin = m_dialogues->fichierExport(
        m_fenetre, QFileInfo(fichierAffiche).completeBaseName() + suffixe, &visible);
    if (!chemin.isEmpty())
        exporte(chemin, visible);
}

bool ActionsGraphe::exporte(const QString& chemin, const core::Magasin& m, qint64 a, qint64 b,
                            const core::Etalonnage& etalonnage,
                            const std::vector<core::Evenement>& evenements) const {
    // A large export shows its progress and can be stopped.
    QProgressDialog progression(QStringLiteral("Export des mesures…"), QStringLiteral("Annuler"), 0,
                                1000, m_fenetre);
    progression.setWindowTitle(QString::fromLatin1(ui::kTitreApplication));
    progression.setWindowModality(Qt::WindowModal);
    progression.setMinimumDuration(500);
    QString erreur;
    const bool ok = files::exporteMesures(
        chemin, m, a, b, etalonnage,
        [&](qint64 fait, qint64 total) {
            progression.setValue(total > 0 ? static_cast<int>(fait * 1000 / total) : 1000);
            QCoreApplication::processEvents();
            return !progression.wasCanceled();
        },
        &erreur, evenements);
    if (!ok && !erreur.isEmpty())
        m_dialogues->avertissement(m_fenetre,
                                   QStringLiteral("Impossible d'exporter les mesures dans %1 : %2.")
                                       .arg(QDir::toNativeSeparators(chemin), erreur));
    return ok;
}

} // namespace app
