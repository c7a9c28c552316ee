#pragma once

#include "app/DialoguePublication.h"
#include "app/FenetreGrand.h"
#include "app/OutilsGraphe.h"
#include "app/Poste.h"
#include "app/VueGraphe.h"
#include "engine/Moteur.h"
#include "ui/EnregistreurUi.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <QMap>
#include <QPointer>
#include <QTimer>

#include <memory>

namespace ui {
class About;
class BarreChargement;
class Dialogues;
} // namespace ui
namespace graph {
class ModeleListe;
}
namespace settings {
class Form_option;
}

namespace app {

/// The main window: a view of the recording engine with the value display, the
/// sample list and the graph. Its handlers forward commands to the engine and
/// redraw on its signals; timers only call handlers, which tests call directly.
class Enregistreur : public QMainWindow, private engine::Decideur {
    Q_OBJECT
public:
    /// A view of the engine of `poste`, which outlives it; `dialogues` asks the user
    /// (tests answer from scripts).
    Enregistreur(Poste& poste, ui::Dialogues* dialogues, QWidget* parent = nullptr);
    ~Enregistreur() override;

    /// Start-up: the engine's (configuration, rate and source), then window size,
    /// graph frame and title.
    void Form_Load();

    void Timer1_Timer();
    void TimerValActu_Timer();
    void TimerLed_Timer();
    void TimerVideBufferRS_Timer();
    /// The test keys; `code` is the character typed.
    void Form_KeyPress(int code);
    void CmdRecord_Click();
    void Slider1_Scroll();
    void defilement();
    void menuGraphe_Click();
    void menu_nouveau_Click();
    void menu_charger_Click();
    void menuReglage_Click();
    void menu_apropos_Click();
    /// "Programmer un enregistrement…": a run that starts and stops by itself.
    void menuProgramme_Click();

    void affiche_barre_titre();
    void eteint_led();
    void trace_axes();
    void affich();
    void raz();

    engine::Moteur& moteur() { return *m_moteur; }
    Poste& poste() { return *m_poste; }
    const engine::Moteur& moteur() const { return *m_moteur; }
    /// The window's controls.
    const ui::EnregistreurUi& ui() const { return m_ui; }
    graph::ModeleListe* modeleListe() const { return m_modeleListe; }
    const QTimer& TimerLed() const { return m_TimerLed; }
    settings::Form_option* formOption() const;
    ui::About* about() const;
    /// Opens the large graph window, or brings it to the front.
    void montreGrapheEnGrand();
    /// The large graph window, once opened.
    FenetreGrand* grapheEnGrand() const { return m_grand.get(); }
    /// "Publication…": opens the publication dialog, or brings it to the front.
    void menuPublication_Click();
    /// "Source texte…": asks for the text-line board and puts it in force.
    void menuSourceTexte_Click();
    /// Loads record file `chemin` into the window, as Visualiser Enregistrement does,
    /// and keeps it among the recent files.
    void visualise(const QString& chemin);
    /// Fills Fichiers récents from the list kept beside the configuration.
    void actualiseRecents();
    publication::Publication* publication() const { return m_publication; }
    DialoguePublication* dialoguePublication() const;
    ui::BarreChargement* barreChargement() const { return m_barre.get(); }

    /// True while a recording runs.
    bool enregistrement() const { return m_moteur->etat() == engine::Etat::Enregistrement; }
    bool chargementEnCours() const { return m_moteur->etat() == engine::Etat::Chargement; }
    /// Outer width of the window in twips, as last set.
    int largeurTwips() const { return m_largeurTwips; }
    /// Height of the drawing area in graph units.
    float HauteurEcran() const { return m_vue->HauteurEcran(); }
    /// Index after the last sample drawn.
    qint64 IndexPoint() const { return m_vue->IndexPoint(); }
    /// The graph as a view of the store, and its tools.
    const VueGraphe& vue() const { return *m_vue; }
    VueGraphe& vue() { return *m_vue; }
    OutilsGraphe& outils() { return *m_outils; }
    /// Text of the non-modal notice ("" when hidden).
    QString alerte() const;
    /// Longest time, in ms, a load runs without letting the window repaint.
    void setBudgetChargementMs(int ms) { m_budgetChargementMs = ms; }

protected:
    void closeEvent(QCloseEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    void changeEvent(QEvent* e) override;
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    // engine::Decideur: the window asks the user.
    QString fichierSecours(const QString& chemin, int nb, bool fermeture, bool evenements) override;
    bool abandonneAttente(const QString& chemin, int nb) override;
    void nonConfirmees(const QString& chemin, int nb, const QByteArray& lignes) override;

    void appliqueLargeur(int twips);
    void appliqueEtat(engine::Etat etat);
    static void ajustePolice(QLabel* l, const QString& texte, const QFont& police);
    void surValeur(const QDateTime& instant, std::optional<double> valeur);
    void surAlerte();
    /// The programming entries follow the engine's state and the plan's phase.
    void actualiseProgramme();
    void surProgression(qint64 position, qint64 taille);
    void surChargementTermine(files::FinChargement fin);

    ui::Dialogues* m_dialogues;
    engine::Moteur* m_moteur;
    ui::EnregistreurUi m_ui;
    graph::ModeleListe* m_modeleListe = nullptr;
    QTimer m_TimerLed;
    QPointer<settings::Form_option> m_formOption;
    QPointer<ui::About> m_about;
    std::unique_ptr<FenetreGrand> m_grand;
    Poste* m_poste;
    publication::Publication* m_publication = nullptr;
    QPointer<DialoguePublication> m_dialoguePublication;
    QAction* m_menuPublication = nullptr;
    QAction* m_menuSourceTexte = nullptr;
    QAction* m_menuProgramme = nullptr;
    QMenu* m_menuDecoupage = nullptr;
    QAction* m_menuAnnuleProgramme = nullptr;
    QMenu* m_menuRecents = nullptr;
    /// The plan last programmed, proposed again.
    core::Plan m_dernierPlan;
    QFont m_policeValeur;
    std::unique_ptr<ui::BarreChargement> m_barre;
    /// Working directory saved around the new-record dialog.
    QString m_RepertoireEnr;
    int m_largeurTwips = 0;
    /// The state the window last showed.
    engine::Etat m_etatAffiche = engine::Etat::Repos;
    VueGraphe* m_vue = nullptr;
    OutilsGraphe* m_outils = nullptr;
    /// The clock's own font, before any shrinking to fit.
    QFont m_policeHeure;
    int m_budgetChargementMs = 15;
    QElapsedTimer m_budgetChargement;
};

} // namespace app
