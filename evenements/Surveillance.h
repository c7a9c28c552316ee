#pragma once

#include "core/Alarme.h"
#include "engine/Moteur.h"
#include "evenements/CommandeAlarme.h"
#include "evenements/Journal.h"

#include <QObject>

namespace evenements {

/// The threshold alarm: judges each stored sample against its limits (in the unit
/// shown, calibrated when a calibration is set), notes its start and end in the
/// journal, raises the engine's alarm notice and runs the alarm's command. Each run
/// judges its own samples: an alarm does not carry over.
class Surveillance : public QObject {
    Q_OBJECT
public:
    /// Reads the alarm stored beside the engine's configuration.
    Surveillance(engine::Moteur& moteur, Journal& journal, QObject* parent = nullptr);

    /// The alarm in force; `ecrire` stores it with the settings. False, changing
    /// nothing, when it cannot be used (`erreur` says why).
    bool choisitAlarme(const core::ReglageAlarme& r, bool ecrire, QString* erreur = nullptr);
    const core::ReglageAlarme& reglage() const { return m_alarme.reglage(); }
    core::NiveauAlarme niveau() const { return m_alarme.niveau(); }
    const CommandeAlarme& commande() const { return m_commande; }

signals:
    /// An alarm began (`texte` says which); the front ends ring the bell when asked.
    void alarmeDeclenchee(const QString& texte);

private:
    void suit(const core::Echantillon& e);
    /// A value in the unit shown, with a decimal comma.
    QString texteValeur(double physique) const;

    engine::Moteur& m_moteur;
    Journal& m_journal;
    core::Alarme m_alarme;
    /// When the alarm in force began (ms since the epoch).
    qint64 m_debutMs = 0;
    CommandeAlarme m_commande;
};

} // namespace evenements
