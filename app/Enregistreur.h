#pragma once

#include "engine/Moteur.h"
#include "graph/RenduGraphe.h"
#include "ui/EnregistreurUi.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <QMap>
#include <QPointer>
#include <QTimer>

#include <memory>

class QPrinter;

namespace ui {
class FenetreStatistiques;
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
    /// A view of `moteur`, which outlives it; `dialogues` asks the user (tests
    /// answer from scripts).
    Enregistreur(engine::Moteur& moteur, ui::Dialogues* dialogues, QWidget* parent = nullptr);
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

    // The graph's tools.
    void copieImage();
    /// Saves the graph as an image; the format from the suffix or the filter.
    bool enregistreImage(const QString& chemin, const QString& filtre = QString());
    void menuEnregistrerImage();
    void imprime(QPrinter& imprimante);
    void menuImprimer();
    void montreStatistiques();
    void menuEtalonnage();
    /// Exports the samples (all, or the part shown) as a spreadsheet file.
    bool exporteMesures(const QString& chemin, bool partieVisible);
    void menuExporter();
    /// Makes the next export stop at its next progress step (as its Cancel button).
    void annuleExport(bool oui) { m_annuleExport = oui; }
    ui::FenetreStatistiques* statistiques() const;
    /// What the readout shows for inner pixel column x of the graph ("" for nothing).
    QString texteSousPointeur(int x) const;

    void affiche_barre_titre();
    void eteint_led();
    void trace_axes();
    void affich();
    void raz();

    engine::Moteur& moteur() { return *m_moteur; }
    const engine::Moteur& moteur() const { return *m_moteur; }
    /// The window's controls.
    const ui::EnregistreurUi& ui() const { return m_ui; }
    graph::ModeleListe* modeleListe() const { return m_modeleListe; }
    const QTimer& TimerLed() const { return m_TimerLed; }
    settings::Form_option* formOption() const;
    ui::About* about() const;
    ui::BarreChargement* barreChargement() const { return m_barre.get(); }

    /// True while a recording runs.
    bool enregistrement() const { return m_moteur->etat() == engine::Etat::Enregistrement; }
    bool chargementEnCours() const { return m_moteur->etat() == engine::Etat::Chargement; }
    /// Outer width of the window in twips, as last set.
    int largeurTwips() const { return m_largeurTwips; }
    /// Height of the drawing area in graph units.
    float HauteurEcran() const { return m_HauteurEcran; }
    /// Index after the last sample drawn.
    qint64 IndexPoint() const { return m_IndexPoint; }
    /// Text of the non-modal notice ("" when hidden).
    QString alerte() const;
    /// Longest time, in ms, a load runs without letting the window repaint.
    void setBudgetChargementMs(int ms) { m_budgetChargementMs = ms; }

protected:
    void closeEvent(QCloseEvent* e) override;
    void changeEvent(QEvent* e) override;
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    // engine::Decideur: the window asks the user.
    QString fichierSecours(const QString& chemin, int nb, bool fermeture) override;
    bool abandonneAttente(const QString& chemin, int nb) override;

    void appliqueLargeur(int twips);
    void appliqueEtat(engine::Etat etat);
    void surEchantillon();
    static void ajustePolice(QLabel* l, const QString& texte, const QFont& police);
    void surValeur(const QDateTime& instant, std::optional<int> valeur);
    void surAlerte();
    void surProgression(qint64 position, qint64 taille);
    void surChargementTermine(files::FinChargement fin);
    qint64 debutVue() const;
    void surMolette(int pas, bool decalage);
    void surToucheGraphe(int touche);
    void surSurvol(int x, QPoint position);
    void surMenuGraphe(QPoint global);
    void actualiseStatistiques();
    graph::Vue vueCourante() const;
    /// Date and time of sample i as shown ("" when a loaded line has none).
    QString quand(qint64 i) const;
    /// Instant of sample i: its time stamp, or a loaded line's date and time
    /// (invalid when they do not read as such).
    QDateTime instant(qint64 i) const;
    /// File name, span shown and extremes, above a printed or saved graph.
    QStringList legendes() const;
    /// A value as shown by the graph's tools: physical with its unit when calibrated
    /// (the raw one in brackets when `avecBrute`), else raw.
    QString texteValeur(double brute, bool avecBrute) const;
    /// The file the graph shows: the loaded one, else the record file.
    QString fichierAffiche() const;
    /// Moves the view to start at sample `debut` (kept inside the run).
    void placeDebut(qint64 debut);
    /// Moves the view by a number of samples and redraws.
    void defileDe(qint64 echantillons);
    /// Shows the zoom and the span in view for a moment.
    void montreVue();

    ui::Dialogues* m_dialogues;
    engine::Moteur* m_moteur;
    ui::EnregistreurUi m_ui;
    graph::ModeleListe* m_modeleListe = nullptr;
    QTimer m_TimerLed;
    QPointer<settings::Form_option> m_formOption;
    QPointer<ui::About> m_about;
    std::unique_ptr<ui::BarreChargement> m_barre;
    /// Height of the drawing area in graph units.
    float m_HauteurEcran = 0;
    qint64 m_IndexPoint = 0;
    /// Working directory saved around the new-record dialog.
    QString m_RepertoireEnr;
    int m_largeurTwips = 0;
    /// During a recording the view follows the newest sample, until moved back.
    bool m_suitFin = true;
    /// The state the window last showed.
    engine::Etat m_etatAffiche = engine::Etat::Repos;
    QLabel* m_infoVue = nullptr;
    QLabel* m_lecture = nullptr;
    QPointer<ui::FenetreStatistiques> m_statistiques;
    /// The record file on screen when a file was loaded ("" for a recording).
    QString m_fichierAffiche;
    bool m_annuleExport = false;
    QTimer m_masqueInfoVue;
    /// The clock's own font, before any shrinking to fit.
    QFont m_policeHeure;
    int m_budgetChargementMs = 15;
    QElapsedTimer m_budgetChargement;
};

} // namespace app
