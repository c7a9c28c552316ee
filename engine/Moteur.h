#pragma once

#include "core/Cadences.h"
#include "core/Cycle.h"
#include "core/Decoupage.h"
#include "core/Echantillon.h"
#include "core/Etalonnage.h"
#include "core/Horaire.h"
#include "core/Horloge.h"
#include "core/Magasin.h"
#include "core/Reglages.h"
#include "core/Seuil.h"
#include "engine/Alertes.h"
#include "engine/Ecriture.h"
#include "engine/Sondage.h"
#include "files/EcrivainEnr.h"
#include "files/FichierConfig.h"
#include "files/LecteurEnr.h"
#include "sources/Rs232.h"
#include "sources/Source.h"
#include "sources/Usb.h"

#include <QDateTime>
#include <QMap>
#include <QObject>
#include <QTimer>

#include <array>
#include <deque>
#include <memory>
#include <optional>

namespace test {
class AccesMoteur;
}

namespace engine {

/// What the engine is doing; every command checks it.
enum class Etat {
    Repos,          ///< idle: the value is shown, nothing is stored
    Enregistrement, ///< a recording runs: samples are stored and written
    Chargement      ///< a record file is being loaded into the store
};

/// The commands the front ends give; `Moteur::accepte` tells which the state allows.
enum class Commande {
    Demarrer,
    Arreter,
    ToucheTest,
    Cadence,
    Source,
    FichierEnr,
    Charger,
    Largeur,
};

/// What the engine takes from the outside world; tests replace each part.
struct Environnement {
    /// Path of the configuration file.
    QString cheminConfig;
    /// Device of the serial instrument (COM1).
    QString portSerie;
    /// Where to look for the board vendor's library.
    QStringList bibliothequesCarte;
    /// Driver used when no board library loads (may be empty).
    sources::Usb::FabriquePilote piloteSecours;
    const core::Horloge* horloge = nullptr;
    Decideur* decideur = nullptr;
    /// Timers keep their state but never fire: tests call the tick handlers.
    bool minuteriesManuelles = false;
    /// The record writer's system calls; the real ones when not set.
    files::AppelsSysteme* appels = nullptr;
    /// Each line is waited for before the tick that stored it returns (tests that
    /// read the files right after a tick); the writer still runs on its own thread.
    bool ecritureAttendue = false;
};

/// Outcome of choosing a new record file.
enum class NouveauFichier {
    Refuse,          ///< the state does not allow it; nothing changed
    NomInvalide,     ///< the name holds a double quote; nothing changed
    CreationEchouee, ///< adopted, but the file could not be created with its header
    Cree             ///< created with its header and adopted
};

/// The recording engine: settings in force, sample store, sampling cycle, source
/// polling, record writer and reader. It has no widgets; front ends give commands
/// and show what it signals.
class Moteur : public QObject {
    Q_OBJECT
public:
    explicit Moteur(Environnement env, QObject* parent = nullptr);
    ~Moteur() override;

    /// Start-up: reads the configuration (a missing or damaged one is replaced by
    /// the defaults), applies rate and source, opens the source and starts polling.
    void demarrage();

    /// While a reader walks the store (an export in a nested event loop), the
    /// commands that would empty or refill it are refused, with a notice. The store
    /// is held for as long as the returned object lives.
    class Lecture {
    public:
        explicit Lecture(Moteur& m) : m_moteur(&m) { ++m.m_lecteurs; }
        Lecture(const Lecture&) = delete;
        Lecture& operator=(const Lecture&) = delete;
        ~Lecture() { m_moteur->finLecture(); }

    private:
        Moteur* m_moteur;
    };
    Lecture lecture() { return Lecture(*this); }
    /// True while a reader holds the store.
    bool lectureEnCours() const { return m_lecteurs > 0; }

    /// Who answers the engine's questions (the window or the command line).
    void setDecideur(Decideur* d) {
        m_env.decideur = d;
        m_ecriture.setDecideur(d);
    }
    /// Timers that never fire: the front ends' own timers follow suit.
    bool minuteriesManuelles() const { return m_env.minuteriesManuelles; }

    Etat etat() const { return m_etat; }
    /// The configuration file in use, and the file last loaded ("" when none).
    QString cheminConfiguration() const { return m_config.chemin(); }
    const QString& cheminCharge() const { return m_cheminCharge; }
    /// True when the current state allows the command.
    bool accepte(Commande c) const;

    // Commands; each returns false, changing nothing, when the state refuses it.
    bool demarre();
    /// Starts a run that waits for the value (calibrated when a calibration is set)
    /// to cross a level: samples are taken at the run's rate, the latest `avant` of
    /// them kept in memory; the crossing sample brings them into the store and the
    /// file, then the run goes on as any other. False when the state refuses it or
    /// `avant` is out of range.
    bool demarreSurSeuil(const core::Declencheur& d);
    /// The trigger a run is waiting for; nullopt once it has come, or for a plain run.
    const std::optional<core::Declencheur>& declencheurAttendu() const { return m_declencheur; }
    /// Samples taken and held while waiting for the trigger.
    int echantillonsAvant() const { return static_cast<int>(m_avant.size()); }
    bool arrete();
    bool toucheTest(int codeCaractere);
    /// Rate option i (1 to 10); `ecrire` stores the settings.
    bool choisitCadence(int i, bool ecrire);
    /// Source i (0 test keys, 1 board, 2 serial, 3 text lines); `ecrire` stores the
    /// settings.
    bool choisitSource(int i, bool ecrire);
    /// Puts the text-line board in force with settings `r`; `ecrire` stores them.
    /// False, changing nothing, when the state refuses it or `r` cannot be used
    /// (`erreur` then says why).
    bool choisitSourceTexte(const core::ReglageTexte& r, bool ecrire, QString* erreur = nullptr);
    /// The text-line board's settings (in force or not).
    const core::ReglageTexte& reglageTexte() const { return m_sondage.reglageTexte(); }
    /// The source in force.
    const sources::Source& source() const { return m_sondage.source(); }
    /// Creates a record file with its header and adopts it; the settings are stored.
    /// When the file cannot be created, `erreur` says why.
    NouveauFichier nouveauFichier(const QString& chemin, QString* erreur = nullptr);
    /// Adopts a record file for this run only (nothing is stored).
    bool utiliseFichier(const QString& chemin);
    /// Loads a record file into the store; nullopt when the state refuses it.
    std::optional<files::FinChargement> charge(const QString& chemin);
    /// Where and why the last load stopped early ("" raison when it did not).
    const files::ArretChargement& dernierArret() const { return m_arret; }
    /// Window width in twips; the settings are stored.
    bool choisitLargeur(int twips);
    /// The end: stops a recording, saves waiting lines as the decider says, closes
    /// the source and stops every timer.
    void termine();

    // Tick handlers: the timers call them, tests call them directly.
    void Timer1_Timer();
    void TimerValActu_Timer() { m_sondage.TimerValActu_Timer(); }
    void TimerVideBufferRS_Timer() { m_sondage.TimerVideBufferRS_Timer(); }

    /// The calibration in force (off when none was stored or its file is damaged).
    const core::Etalonnage& etalonnage() const { return m_etalonnage; }
    /// A sample's value in the unit shown (calibrated when a calibration is set).
    double valeurPhysique(const core::Echantillon& e) const;
    /// Puts a calibration in force and stores it beside the settings. False, changing
    /// nothing, when it cannot be used; `erreur` then says why.
    bool choisitEtalonnage(const core::Etalonnage& e, QString* erreur = nullptr);
    const core::Reglages& reglages() const { return m_reglages; }
    const core::Cadence& cadence() const { return m_cadence; }
    const core::Magasin& magasin() const { return m_magasin; }
    const core::EtatCycle& cycle() const { return m_cycle; }
    /// Last raw reading of the active device (0 to 255 from the board and the
    /// instrument, the number of a text line).
    double ValeurBrute() const { return m_sondage.ValeurBrute(); }
    /// The value on display: the scaled reading, or the test value in test mode;
    /// nullopt while the active device has given no reading yet.
    std::optional<double> valeurAffichee() const { return m_sondage.valeurAffichee(); }
    /// Samples of the current (or last) run, and how many of them came from a
    /// reading (every test-mode sample does; a device's only once it has answered).
    qint64 echantillonsRun() const { return m_echantillonsRun; }
    qint64 echantillonsLusRun() const { return m_echantillonsLusRun; }
    /// Longest silence of a device, in ms, before it is reported.
    static constexpr qint64 kSilenceMs = Sondage::kSilenceMs;
    /// Record file the samples are appended to, resolved to a full path; when the
    /// record is split by period, the name the period files are named after.
    const QString& cheminEnr() const { return m_cheminEnr; }
    /// The file the next samples go to: the record file, or the file of the newest
    /// sample's period during a run (of the present period otherwise).
    QString cheminCourant() const;
    /// How the record is split into files; `ecrire` stores it beside the settings.
    bool choisitDecoupage(core::Decoupage d, bool ecrire = false);
    core::Decoupage decoupage() const { return m_decoupage; }
    /// The record writer: what waits, and the batch of writes under way.
    const Ecriture& ecrivain() const { return m_ecriture; }
    /// The serial instrument's port (open only while it is the source).
    const sources::Rs232& rs232() const { return m_sondage.rs232(); }
    const QTimer& Timer1() const { return m_Timer1; }
    const QTimer& TimerValActu() const { return m_sondage.TimerValActu(); }
    const QTimer& TimerVideBufferRS() const { return m_sondage.TimerVideBufferRS(); }
    /// The notices in force, in a fixed order.
    QStringList alertes() const { return m_alertes.values(); }
    /// The notice of kind `a` in force ("" when none).
    QString alerte(Alerte a) const { return m_alertes.value(a); }
    /// What a listener has to say (the alarm, the publication to a broker, the
    /// events of a loaded file): shown and printed as the engine's own notices are;
    /// an empty text withdraws it.
    void signale(Alerte a, const QString& texte) {
        if (texte.isEmpty())
            retireAlerte(a);
        else
            afficheAlerte(a, texte);
    }
    /// Appends an event line to the events file `chemin` through the durable writer
    /// (with its header when the file is new).
    void ecritEvenement(const QString& chemin, const QByteArray& ligne);
    /// The clock in force.
    const core::Horloge& horloge() const { return *m_env.horloge; }
    /// True from the moment the program's end begins.
    bool enFermeture() const { return m_fermeture; }

signals:
    void etatChange(engine::Etat etat);
    /// A sample was stored (at index e.numero of the store); its line is written next.
    void echantillonStocke(const core::Echantillon& e);
    /// The line of a sample reached the record file on disk.
    void echantillonEcrit(const core::Echantillon& e);
    /// An event line was handed to the writer for the events file `chemin`.
    void evenementEcrit(const QString& chemin);
    /// The trigger came: `valeur` crossed `d`'s level, and the `gardes` samples taken
    /// before it were stored first (their numbers come before the crossing sample,
    /// the newest in the store).
    void declenchement(const core::Declencheur& d, double valeur, int gardes);
    /// A sample was taken while waiting for the trigger, and held in memory.
    void echantillonGarde(const core::Echantillon& e);
    /// The display tick polled the source; `valeur` is nullopt while the device has
    /// given no reading.
    void valeurLue(const QDateTime& instant, std::optional<double> valeur);
    /// A sampling tick came far from its schedule (the clock was set, the machine
    /// slept): the schedule starts again from `pris`.
    void horlogeSautee(const QDateTime& prevu, const QDateTime& pris);
    /// A record file was found ending in the middle of a line (mended before the next).
    void finCoupee(const QString& chemin);
    /// A notice was raised or changed; an empty text withdraws it.
    void alerteChange(engine::Alerte alerte, const QString& texte);
    /// A load has reached byte `position` of `taille`.
    void progressionChargement(qint64 position, qint64 taille);
    void chargementTermine(files::FinChargement fin);
    /// Another calibration is in force.
    void etalonnageChange();

private:
    friend class test::AccesMoteur;

    void changeEtat(Etat e);
    void finLecture();
    /// Refuses a command that would change the store while a reader holds it.
    bool storeLibre();
    /// Date and time of the current sampling tick.
    /// The time the current sampling tick is stamped with; nullopt for a second
    /// tick within one period.
    std::optional<QDateTime> instantTick();
    bool demarreRun(const std::optional<core::Declencheur>& d);
    /// A sample taken while waiting for the trigger.
    void veille(core::Echantillon e);
    /// Stores a sample (its number is the store's next) and has its line written.
    void stocke(core::Echantillon e);
    /// Appends the line of a stored sample to the record file.
    void ajoute_ligne(const core::Echantillon& e);
    void ecritConfig();
    /// Stores the text-line board's settings, in force (`active`) or not.
    void ecritSourceTexte(bool active);
    files::AppelsSysteme& appels() const {
        return m_env.appels ? *m_env.appels : files::AppelsSysteme::systeme();
    }
    void afficheAlerte(Alerte a, const QString& texte);
    void retireAlerte(Alerte a);

    Environnement m_env;
    Etat m_etat = Etat::Repos;
    int m_lecteurs = 0;
    bool m_fermeture = false;
    /// The record file last loaded.
    QString m_cheminCharge;
    /// plovar.ini says the text-line board is the source.
    bool m_texteMemorise = false;
    core::Reglages m_reglages;
    core::Etalonnage m_etalonnage;
    core::Cadence m_cadence;
    core::Magasin m_magasin;
    core::EtatCycle m_cycle;
    /// The sources and their polling.
    Sondage m_sondage{
        m_env.portSerie, m_env.bibliothequesCarte, m_env.piloteSecours, *m_env.horloge,
        m_cycle,         m_env.minuteriesManuelles};
    qint64 m_echantillonsRun = 0;
    /// The trigger awaited, the samples held meanwhile and the value before.
    std::optional<core::Declencheur> m_declencheur;
    std::deque<core::Echantillon> m_avant;
    std::optional<double> m_precedentVeille;
    qint64 m_echantillonsLusRun = 0;
    core::Horaire m_horaire;
    /// The notice that the oldest samples left the store was given this run.
    bool m_avisRetrait = false;
    QString m_cheminEnr;
    core::Decoupage m_decoupage = core::Decoupage::Aucun;
    /// The period file of the run's newest sample.
    QString m_cheminCourant;
    files::FichierConfig m_config;
    Ecriture m_ecriture{appels()};
    QTimer m_Timer1;
    QMap<Alerte, QString> m_alertes;
    files::ArretChargement m_arret;
    /// Reads a record file into the store, on a thread of its own, while this one
    /// serves its events; the reasons of an early stop go to `m_arret`.
    files::FinChargement litAPart(const QString& chemin);
};

} // namespace engine
