#pragma once

#include "app/ActionsGraphe.h"
#include "app/Poste.h"
#include "app/Recents.h"
#include "core/Evenement.h"
#include "engine/Moteur.h"
#include "files/LectureFond.h"
#include "graph/Chronologie.h"
#include "graph/GrapheGrand.h"

#include <QLabel>
#include <QMainWindow>
#include <QPointer>
#include <QProgressBar>
#include <QTimer>

#include <memory>
#include <optional>

class QAction;
class QMenu;
class QMimeData;
class QPrinter;

namespace ui {
class Dialogues;
class FenetreStatistiques;
} // namespace ui

namespace app {

/// A graph as large as the screen: real time and value axes, zoom down to a few
/// samples, travel, a date to go to, an overview of the run. It follows the
/// engine's store (the recording, or the file loaded in the main window), or shows
/// a record file of its own, read beside the engine without touching its store.
class FenetreGrand : public QMainWindow {
    Q_OBJECT
public:
    FenetreGrand(Poste& poste, ui::Dialogues* dialogues, QWidget* parent = nullptr);
    ~FenetreGrand() override;

    /// Reads a record file into the window's own store, in the background; the
    /// graph shows it when it is read.
    void ouvre(const QString& chemin);
    /// Back to the engine's store.
    void suitMoteur();
    /// True while a file of the window's own is being read.
    bool chargementEnCours() const { return m_lecture.enCours(); }
    /// True when the graph shows a file of the window's own.
    bool fichierPropre() const { return m_propre != nullptr; }
    /// The store shown.
    const core::Magasin& magasin() const;
    graph::GrapheGrand* graphe() const { return m_graphe; }

    /// Asks for a date and time and shows it; false when cancelled or outside the run.
    bool allerA();
    void copieImage();
    bool enregistreImage(const QString& chemin, const QString& filtre = QString());
    void imprime(QPrinter& imprimante);
    bool exportePartieAffichee(const QString& chemin);
    /// Exports the part shown, or the whole file; false (said) on failure.
    bool exporte(const QString& chemin, bool partieVisible);
    void montreStatistiques();
    ui::FenetreStatistiques* statistiques() const;

    /// The files last opened here, newest first (absolute paths).
    QStringList recents() const;
    static constexpr int kRecentsMax = Recents::kMax;
    /// The file a drop brings, when it is one local file.
    static std::optional<QString> fichierDepose(const QMimeData* donnees);

signals:
    /// A file of the window's own finished loading (or failed: `ok` false).
    void fichierLu(bool ok);
    /// "Quitter Plovar" was chosen: the main window closes (and asks first when it
    /// records).
    void quitte();

protected:
    void closeEvent(QCloseEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;

private:
    void construitMenus();
    void retiensRecent(const QString& chemin);
    void actualiseRecents();
    /// Size and place so that the whole window is on its screen.
    void placeDansEcran(bool premiere);
    void surMenu(QPoint global, qint64 index);
    /// The menus' entries that ask first: a file name, a printer.
    void menuEnregistrerImage();
    void menuImprimer();
    void menuExporter();
    void surEchantillon();
    void metAJour();
    void actualiseMarques();
    void actualiseEtat();
    void finLecture(std::shared_ptr<core::Magasin> m, files::FinChargement fin,
                    files::ArretChargement arret, QString chemin);
    void arreteLecture();
    /// Title, file, span and extremes for images and printing.
    QStringList legendes() const;
    QString fichierAffiche() const;
    QString quand(qint64 i) const;
    graph::SceneGrand sceneImage() const;

    Poste& m_poste;
    engine::Moteur& m_moteur;
    ui::Dialogues* m_dialogues;
    ActionsGraphe m_actions;
    graph::GrapheGrand* m_graphe = nullptr;
    QLabel* m_etat = nullptr;
    QProgressBar* m_progression = nullptr;
    QAction* m_suivre = nullptr;
    QMenu* m_menuRecents = nullptr;
    QAction* m_clair = nullptr;
    graph::Chronologie m_chronoMoteur;
    // A file of the window's own.
    /// Shared with an export that walks it, so that a newer file never pulls it away.
    std::shared_ptr<core::Magasin> m_propre;
    graph::Chronologie m_chronoPropre;
    std::vector<core::Evenement> m_evenementsPropres;
    QString m_cheminPropre;
    // Its reading, in a thread of its own.
    files::LectureFond m_lecture;
    QTimer m_suiviLecture;
    // New samples are shown a few times a second at most.
    QTimer m_regroupe;
    QPointer<ui::FenetreStatistiques> m_statistiques;
};

} // namespace app
