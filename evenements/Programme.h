#pragma once

#include "core/Plan.h"
#include "engine/Moteur.h"

#include <QObject>
#include <QTimer>

#include <optional>

namespace evenements {

class Journal;
class Surveillance;

/// Follows a plan: waits for the start time (the wall clock is read again each
/// second, so a clock set forward starts at once and one set back waits: never
/// twice), starts the run (on a trigger when asked), and stops it at the end time,
/// after the duration, on the first alarm or on a level. What it waits for is shown
/// as the engine's notice; the reason of a stop is written in its event.
class Programme : public QObject {
    Q_OBJECT
public:
    enum class Phase {
        Aucune,       ///< no plan in force
        AttenteHeure, ///< waiting for the start time
        EnCours       ///< the run is on; its stops are watched
    };

    Programme(engine::Moteur& moteur, Journal& journal, Surveillance& alarme,
              QObject* parent = nullptr);

    /// Puts a plan in force: starts at once when it has no start time. False, with
    /// `erreur`, when the plan cannot be followed or a run (or a load) is on.
    bool lance(const core::Plan& plan, QString* erreur = nullptr);
    /// Drops the plan: a pending start is cancelled, a run goes on without its stops.
    void annule();
    Phase phase() const { return m_phase; }
    const core::Plan& plan() const { return m_plan; }
    /// What the plan waits for, in French ("" when none).
    QString texte() const;

    /// Called each second, and right on time: starts or stops when due.
    void verifie();
    /// The timer's next interval, in ms (0 when not armed).
    int intervalle() const { return m_minuterie.isActive() ? m_minuterie.interval() : 0; }

signals:
    /// The run is about to start.
    void demarrage();
    /// The plan stopped the run (`motif` says why, in French).
    void fin(const QString& motif);
    /// The end time passed before the start time (the clock was set): nothing ran.
    void finAvantDebut();
    /// The phase or what the plan waits for changed.
    void changement();

private:
    void commence();
    /// The duration starts now (at the start, or at the trigger).
    void lanceDuree();
    void surEtat(engine::Etat etat);
    void surEchantillon(const core::Echantillon& e);
    /// Stops the run once the sample being handed out is written.
    void arreteBientot(const QString& motif);
    void arrete(const QString& motif);
    void termine();
    void arme(qint64 prochainMs);
    void actualiseAvis();
    qint64 maintenantMs() const;

    engine::Moteur& m_moteur;
    Journal& m_journal;
    core::Plan m_plan;
    Phase m_phase = Phase::Aucune;
    /// Monotonic time at which the duration ends (0 until it runs).
    qint64 m_finDureeMs = 0;
    /// Samples stored before the trigger came do not count for the stops.
    bool m_avantDeclenchement = false;
    std::optional<double> m_precedent;
    bool m_arretDemande = false;
    /// The engine starts or stops the run for the plan: its state change is expected.
    bool m_commande = false;
    QTimer m_minuterie;
};

} // namespace evenements
