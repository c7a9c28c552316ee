#pragma once

#include "engine/Moteur.h"
#include "publication/Publieur.h"

#include <QObject>
#include <QThread>
#include <QTimer>

#include <deque>
#include <functional>
#include <memory>

namespace publication {

/// Publishing the engine's samples to a broker, for either front end: the publisher
/// lives on a thread of its own, so that nothing the network or the record-file
/// queue does (a name lookup, a connection, a TLS handshake, a frozen broker, a long
/// backlog) can delay a sample, a redraw or a key press. It hears of each line
/// written by a queued call; its state comes back the same way, and becomes an
/// engine notice (the window's banner, the recorder's standard error).
class Publication : public QObject {
    Q_OBJECT
public:
    using Monotone = Publieur::Monotone;

    /// `cheminReglages`: the settings file beside the configuration.
    Publication(engine::Moteur& moteur, QString cheminReglages, Monotone monotone = {},
                QObject* parent = nullptr);
    ~Publication() override;

    /// Publishes with the settings of the file, when they say so.
    void demarre() { lance(); }
    /// The settings in force.
    const ReglagePublication& reglage() const { return m_reglage; }
    /// Saves the settings and publishes with them (or stops). False, changing
    /// nothing, with `erreur` (French) when they cannot be saved.
    bool applique(const ReglagePublication& r, QString* erreur);
    /// Publishes with these settings for this run only (nothing is saved).
    void utilise(const ReglagePublication& r);
    /// True while a publisher runs.
    bool actif() const { return m_fil != nullptr; }
    /// The publisher's state as last told.
    const Bilan& bilan() const { return m_bilan; }
    /// Samples waiting: the last count told, and those written since.
    qint64 enAttente() const {
        return m_bilan.fichierSuivi ? m_bilan.enAttente + static_cast<qint64>(m_envois.size())
                                    : m_lignesSignalees;
    }
    /// Events waiting: the last count told, and those written since.
    qint64 evenementsEnAttente() const {
        return m_bilan.evenementsEnAttente + m_evenementsSignales - m_bilan.evenementsSignales;
    }
    /// True when the publisher has heard of every line written and all are
    /// acknowledged.
    bool aJour() const {
        return enAttente() == 0 && m_bilan.lignesSignalees == m_lignesSignalees &&
               m_bilan.evenementsEnAttente == 0 &&
               m_bilan.evenementsSignales == m_evenementsSignales;
    }
    /// The state in French with the counts, for the dialog.
    QString texteEtat() const;
    /// The notice as it stands ("" when all is well).
    QString notice() const;
    /// Told each change of the publisher's state (the headless recorder prints it).
    std::function<void(const QString&)> journal;

    /// At the end: waits up to `attenteMs` for what waits to be acknowledged (unless
    /// the broker refuses), then stops the publisher. False when its thread could not
    /// be stopped within a few seconds (held in a name lookup or a handshake): the
    /// caller then ends the process without waiting for it.
    bool termine(int attenteMs);

signals:
    /// The state changed (also the counts).
    void bilanChange();

private:
    void lance();
    /// Follows the record file `chemin`, after what is left of the files before it.
    void suis(const QString& chemin);
    bool arrete();
    void recoit(const Bilan& b);
    void actualise(bool immediat);
    /// Runs `f` on the publisher's thread, after what is already queued there.
    void chezPublieur(std::function<void(Publieur&)> f);

    engine::Moteur& m_moteur;
    QString m_chemin;
    Monotone m_monotone;
    ReglagePublication m_reglage;
    QThread* m_fil = nullptr;
    /// Counts the publishers started: what an earlier one still says is ignored.
    int m_generation = 0;
    Publieur* m_publieur = nullptr;
    Bilan m_bilan;
    /// When the last state came.
    qint64 m_recuMs = 0;
    /// Lines the publisher was told of, and when each line written after its last
    /// count was told (that count read the file: what it held then is in it).
    qint64 m_lignesSignalees = 0;
    std::deque<qint64> m_envois;
    qint64 m_evenementsSignales = 0;
    QTimer m_rappel;
    qint64 m_dernierAffichage = 0;
    QString m_fichierSuivi;
    /// The files before the first one followed were looked at for a backlog.
    bool m_retardCherche = false;
};

} // namespace publication
