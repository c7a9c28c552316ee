#pragma once

#include "Cycle.h"
#include "EcrivainEnr.h"
#include "EnregistreurUi.h"
#include "FichierConfig.h"
#include "GestionReglages.h"
#include "Horloge.h"
#include "Magasin.h"
#include "ModeleListe.h"
#include "PiloteCarte.h"
#include "Reglages.h"
#include "Rs232.h"
#include "Usb.h"

#include <QMainWindow>
#include <QMap>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <memory>

namespace ui {
class About;
class BarreChargement;
class Dialogues;
} // namespace ui
namespace settings {
class Form_option;
}

namespace app {

/// What the main window takes from the outside world; tests replace each part.
struct Environnement {
    /// Directory of the executable.
    QString repertoireProgramme;
    /// Path of the configuration file.
    QString cheminConfig;
    /// Device of the serial instrument (COM1).
    QString portSerie;
    /// Where to look for the board vendor's library.
    QStringList bibliothequesCarte;
    /// Driver used when no board library loads.
    sources::Usb::FabriquePilote piloteSecours;
    core::Horloge* horloge = nullptr;
    ui::Dialogues* dialogues = nullptr;
};

/// The main window: value display, sample list, graph and the recording.
/// Timers only call the handlers below, which tests call directly.
class Enregistreur : public QMainWindow, public settings::ActionsSource {
    Q_OBJECT
public:
    explicit Enregistreur(Environnement env, QWidget* parent = nullptr);
    ~Enregistreur() override;

    /// Start-up: configuration, rate and source, window size, graph frame, title.
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

    void affiche_barre_titre();
    void eteint_led();
    void trace_axes();
    void affich();
    void raz();
    void ajoute_ligne();

    // Serial port and flush timer, for the source handler.
    bool portOuvert() const override;
    void ouvrePort() override;
    void fermePort() override;
    void minuterieVidage(bool active) override;

    /// True while a recording runs (the sampling timer is on).
    bool enregistrement() const { return Timer1.isActive(); }
    bool chargementEnCours() const { return m_chargement; }
    /// Outer width of the window in twips, as last set.
    int largeurTwips() const { return m_largeurTwips; }
    /// Record file the samples are appended to, resolved to a full path.
    const QString& cheminEnr() const { return m_cheminEnr; }
    /// Text of the non-modal notice ("" when hidden).
    QString alerte() const;

    core::Reglages reglages;
    core::Magasin magasin;
    core::EtatCycle cycle;
    /// Height of the drawing area in graph units.
    float HauteurEcran = 0;
    /// Index after the last sample drawn.
    int IndexPoint = 0;
    /// Longest time, in ms, a load runs without letting the window repaint.
    int budgetChargementMs = 15;
    /// Working directory saved around the new-record dialog.
    QString RepertoireEnr;

    ui::EnregistreurUi ui;
    graph::ModeleListe* modeleListe = nullptr;
    QTimer Timer1;
    QTimer TimerValActu;
    QTimer TimerLed;
    QTimer TimerVideBufferRS;
    files::FichierConfig config;
    files::EcrivainEnr ecrivain;
    sources::Rs232 rs232;
    sources::Usb usb;
    QPointer<settings::Form_option> formOption;
    QPointer<ui::About> about;
    ui::BarreChargement* barreChargement() const { return m_barre.get(); }

protected:
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    enum class Alerte { Ecriture, Port, Carte, Info };
    void afficheAlerte(Alerte a, const QString& texte);
    void retireAlerte(Alerte a);
    void appliqueLargeur(int twips);
    void appliqueEtatEnregistrement(bool enCours);
    void arreteEnregistrement();
    void suitEcriture(files::EcrivainEnr::Etat etat);
    void suitPort();
    /// Tries once more to write waiting lines, then asks where to save them. At a
    /// stop a cancel keeps them waiting; at closing only an explicit yes drops them.
    void sauveAttente(bool fermeture);
    int debutVue() const;
    void surMolette(int pas, bool decalage);

    Environnement m_env;
    QString m_cheminEnr;
    int m_largeurTwips = 0;
    bool m_chargement = false;
    std::unique_ptr<ui::BarreChargement> m_barre;
    QMap<Alerte, QString> m_alertes;
};

} // namespace app
