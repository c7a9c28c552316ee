#pragma once

#include "core/Evenement.h"
#include "engine/Moteur.h"

#include <QObject>
#include <QSet>

#include <optional>
#include <vector>

namespace evenements {

/// The events of a run, kept beside its record file: the start and stop, a source
/// lost and back, writes failing and restored, a clock jump, a restart after an
/// unclean stop, and what others note (alarms, comments). It follows the engine's
/// signals; the lines go through the engine's durable writer. A loaded record file
/// brings its events.
class Journal : public QObject {
    Q_OBJECT
public:
    /// `repriseApresArret`: the previous run of this configuration did not stop
    /// cleanly; the first recording says so.
    explicit Journal(engine::Moteur& moteur, bool repriseApresArret = false,
                     QObject* parent = nullptr);

    /// The events of the current run, or of the loaded file.
    const std::vector<core::Evenement>& evenements() const { return m_evenements; }
    /// Writes an event beside the record file (or beside `fichier`) and tells the
    /// listeners; `numero` defaults to the newest sample.
    core::Evenement note(const QString& type, const QString& texte,
                         std::optional<qint64> numero = std::nullopt,
                         const QString& fichier = QString());
    /// Adds a comment at sample `numero` (the newest when not given): during a
    /// recording, or on a loaded file. False when there is nowhere to keep it.
    bool ajouteCommentaire(const QString& texte, std::optional<qint64> numero = std::nullopt);
    void setRepriseApresArret(bool r) { m_reprise = r; }
    /// Why the run's next stop happens ("heure de fin atteinte"), said in its event.
    void setMotifArret(const QString& motif) { m_motifArret = motif; }

signals:
    /// Something happened that the events file keeps (it is on its way to disk).
    void evenement(const core::Evenement& e);

private:
    /// A sample was stored: marks where samples stop or start coming from readings.
    void surEchantillon(const core::Echantillon& e);
    bool sourceEnAlerte() const;
    /// Writes `e` (stamped now when it has no date) and tells the listeners.
    core::Evenement ecrit(core::Evenement e, const QString& fichier);
    void surEtat(engine::Etat etat);
    void surAlerte(engine::Alerte a, const QString& texte);
    void surChargement();

    engine::Moteur& m_moteur;
    bool m_reprise;
    engine::Etat m_etat = engine::Etat::Repos;
    std::vector<core::Evenement> m_evenements;
    /// The notices in force, to tell a new one from a changed one.
    QSet<engine::Alerte> m_actives;
    /// Samples of the current run stand for no reading (the source absent, lost or
    /// silent): marked "source perdue" until it gives readings again.
    bool m_sansLecture = false;
    /// A sample of the run came from a reading.
    bool m_dejaLu = false;
    QString m_motifArret;
};

} // namespace evenements
