#pragma once

#include "files/InstantsEnr.h"
#include "publication/Curseur.h"
#include "publication/FichierSuivi.h"

#include <QString>

#include <vector>

namespace publication {

/// An event read back from an events file, with where its line ends.
struct EvenementLu {
    /// Its rank among the events of its run, from 1: with the run and the kind,
    /// what tells it from any other (two comments on one sample stay two).
    qint64 n = 0;
    QString session;
    qint64 tMs = 0;
    int decalage = 0;
    /// The record number it stands at (0 before the run's first sample).
    qint64 mesure = 0;
    QString type;
    QString texte;
    qint64 octetFin = 0;
    quint64 empreinte = 0;
    /// Whether an alarm is in force once it happened (-1: not known).
    int alarme = -1;
};

/// Reads an events file forward from a cursor, whole lines only. A run's events
/// start at its "début" event, whose local date and time, with their offset from
/// UTC, name the run; events before any start belong to the run the cursor or the
/// file before left off in, or else start one of their own. Unreadable lines (the
/// header, damage) are passed over; a replaced file is read again from its start.
class EvenementsSuivis : public FichierSuivi {
public:
    explicit EvenementsSuivis(QString chemin) : FichierSuivi(std::move(chemin)) {}
    /// Goes back to just after the event of `c` (its rank, run and alarm state).
    void reprend(const Curseur& c);
    /// Up to `max` events from where reading stands.
    std::vector<EvenementLu> lit(int max);
    /// Whole lines on disk after where reading stands.
    qint64 lignesRestantes();

private:
    void recommence() override;

    QString m_session;
    qint64 m_rang = 0;
    int m_alarme = -1;
    files::InstantsEnr m_instants;
    qint64 m_octetCompte = -1;
    qint64 m_tailleComptee = -1;
    qint64 m_lignesComptees = 0;
};

} // namespace publication
