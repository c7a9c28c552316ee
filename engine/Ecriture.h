#pragma once

#include "core/Echantillon.h"
#include "engine/Alertes.h"
#include "engine/FilEcriture.h"
#include "files/EcrivainEnr.h"

#include <QObject>
#include <QStringList>

#include <deque>
#include <map>
#include <memory>
#include <vector>

namespace engine {

/// The way of a sample to the record file: its line is appended durably, on a
/// thread of its own, so that a slow or blocked disk never holds back sampling or
/// painting; lines that cannot be written wait and are retried, and in the end go
/// to a rescue file the decider names. Each sample is announced once its line is on
/// disk. Event lines go the same way to their own files, and in the end beside the
/// samples' rescue file.
class Ecriture : public QObject {
    Q_OBJECT
public:
    explicit Ecriture(files::AppelsSysteme& appels, QObject* parent = nullptr);
    ~Ecriture() override;

    /// Hands the line of `e` over for the record file `chemin`.
    void ajoute(const QString& chemin, const core::Echantillon& e);
    /// Hands an event line over for `chemin`, which starts with `entete` when it is
    /// new or empty.
    void ajouteEvenement(const QString& chemin, const QByteArray& ligne, const QByteArray& entete);
    /// Tries once more to write waiting lines, then asks the decider where to save
    /// those that still wait. At the end (`fermeture`) this waits, for a bounded
    /// time, until the disk has answered; otherwise the decider is asked once the
    /// writer's thread has tried. Returns true when no sample is known to wait.
    bool sauveAttente(bool fermeture);
    /// Who names the rescue files (none: lines keep waiting).
    void setDecideur(Decideur* d) { m_decideur = d; }
    /// Each line handed over is waited for before the call returns (tests that read
    /// the files right after a tick).
    void setSynchrone(bool s) { m_synchrone = s; }

    /// Samples whose lines wait after a failed write, for all files or for one.
    int nbEnAttente() const;
    int nbEnAttente(const QString& chemin) const;
    /// Lines of samples not yet known to be on disk, for one file, in order.
    QByteArray contenuEnAttente(const QString& chemin) const;
    /// Samples handed over and not yet on disk, whatever the reason.
    qint64 nbNonEcrits() const;
    /// A number for the batch of writes under way, 0 when the writer is idle: the
    /// same number seen for long means a write that does not return.
    quint64 lotEnCours() const;

    /// More than this span of samples waiting for a slow disk is said.
    static constexpr qint64 kRetardSignaleMs = 10000;

signals:
    /// The line of a sample reached the record file on disk.
    void echantillonEcrit(const core::Echantillon& e);
    /// A record file ended in the middle of a line (mended before the next line).
    void finCoupee(const QString& chemin);
    /// A notice about writing; an empty text withdraws it.
    void alerte(engine::Alerte a, const QString& texte);

private:
    struct Attente {
        QString chemin;
        int nb = 0;
        QString erreur;
    };
    /// What the writer's thread reports after a batch.
    struct Resultat {
        std::vector<std::pair<QString, int>> ecrites;
        QStringList coupees;
        std::vector<Attente> mesures;
        std::vector<Attente> evenements;
        std::vector<std::function<void()>> suites;
    };
    struct Cote;

    /// Takes the writer's reports, on this thread, in order.
    void recolte();
    /// The writer's call to take its reports.
    void reveil();
    /// Waits (bounded) until the writer's thread has run every job, then takes its
    /// reports; false when the disk did not answer in time.
    bool attendsDisque();
    /// Tells how writing stands after a write or a retry.
    void suit();
    /// Asks the decider where waiting lines go, and has them written there.
    bool secours(bool fermeture);
    bool secoursMesures(bool fermeture);
    /// The lines meant for `chemin` went elsewhere (or nowhere): they are no longer
    /// on their way to it.
    void oublie(const QString& chemin);
    /// Event lines still waiting at the end go beside the samples' rescue file, or
    /// where the decider says; when nowhere, the user is told how many were lost.
    void sauveEvenements();
    /// Writes `chemin`'s waiting lines (events when `evenements`) to `secours`.
    bool ecritSecours(const QString& chemin, const QString& secours, bool evenements,
                      QString* erreur);

    std::shared_ptr<Cote> m_cote;
    Decideur* m_decideur = nullptr;
    bool m_synchrone = false;
    /// Samples whose lines are on their way to each record file, in order.
    std::map<QString, std::deque<core::Echantillon>> m_enVol;
    /// What waits after failed writes, as last reported.
    std::vector<Attente> m_mesures;
    std::vector<Attente> m_evenements;
    bool m_enEchec = false;
    bool m_enRetard = false;
    /// Lines are being saved to rescue files: a report is not writing coming back.
    bool m_enSecours = false;
    /// Instant of the newest sample handed over.
    qint64 m_dernierMs = 0;
    /// The last rescue file that took samples.
    QString m_dernierSecours;
    /// Last: its thread stops before the rest goes.
    FilEcriture m_fil;
};

} // namespace engine
