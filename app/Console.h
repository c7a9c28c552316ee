#pragma once

#include "app/Poste.h"

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>

#include <cstdio>
#include <functional>
#include <memory>
#include <optional>

namespace app {

/// What the command line may change for one run; nothing of it is stored.
struct OptionsConsole {
    std::optional<int> cadence;
    std::optional<int> source;
    /// For source 3, what changes from the stored text-line settings.
    std::optional<QString> port;
    std::optional<int> vitesse;
    std::optional<QString> etiquette;
    QString fichier;
    /// One record file a day, a week or a month.
    std::optional<core::Decoupage> decoupage;
    /// Seconds after which the run stops by itself; none when not set.
    std::optional<double> duree;
    /// Wall-clock instants (UTC ms) to start at and to stop at; none when not set.
    std::optional<qint64> debutMs;
    std::optional<qint64> finMs;
    /// Start on a crossing, keeping the samples taken just before it.
    std::optional<core::Declencheur> declencheur;
    /// Stop on the first alarm, or on a crossing.
    bool arretAlarme = false;
    std::optional<core::Seuil> arretSeuil;
    /// Print the physical value (stored calibration) as an extra field on each line.
    bool etalonnage = false;
    /// A threshold alarm for this run, instead of the stored one.
    std::optional<core::ReglageAlarme> alarme;
    /// Keep the samples off standard output (a service's journal); notices still
    /// go to standard error.
    bool silencieux = false;
};

/// Exit statuses of a recording without a window.
enum StatutConsole {
    kStatutOk = 0,
    /// Nothing was recorded: the configuration is in use, or the record file cannot
    /// be written from the start.
    kStatutImpossible = 1,
    kStatutUsage = 2,
    /// Some samples are not in the record file: they went to a rescue file, or
    /// were printed on standard error when even that failed.
    kStatutSecours = 3,
    /// No sample of the run came from a reading of the board or the instrument.
    kStatutSansLecture = 4,
};

/// Recording without a window: the engine under a plain event loop. Each record
/// line goes to standard output once it is on disk, notices go to standard error,
/// "+" and "-" on standard input move the test value, and SIGINT, SIGTERM, SIGHUP
/// or the end of the duration stop the run cleanly.
class EnregistreurConsole : public QObject, private engine::Decideur {
    Q_OBJECT
public:
    /// A monotonic time in ms, for the end of the duration.
    using Monotone = std::function<qint64()>;

    EnregistreurConsole(Poste& poste, OptionsConsole options, std::FILE* sortie = stdout,
                        std::FILE* erreurs = stderr, Monotone monotone = {});
    ~EnregistreurConsole() override;

    /// Applies the options and starts the recording; false, with a message, when
    /// the record file cannot be written (then statut() says so).
    bool demarre();
    /// Starts the recording and runs until it stops; returns the exit status.
    int exec();
    /// The exit status as things stand.
    int statut() const { return m_statut; }
    bool fini() const { return m_fini; }

    /// The plan's timer's next interval, in ms (0 when not armed).
    int intervalleFin() const { return m_programme.intervalle(); }
    /// True while the run waits for its start time.
    bool enAttente() const {
        return m_programme.phase() == evenements::Programme::Phase::AttenteHeure;
    }
    /// Called by the plan's timer (tests call it): starts the run once its start time
    /// has come, stops it once its end time or duration has.
    void verifieHeure() { m_programme.verifie(); }
    void verifieFin() { m_programme.verifie(); }

signals:
    /// The run is about to stop (a signal, the end of the duration).
    void arretDemande();
    /// The run waits for its start time (said in French).
    void attenteDebut(const QString& texte);

private:
    QString fichierSecours(const QString& chemin, int nb, bool fermeture, bool evenements) override;
    bool abandonneAttente(const QString& chemin, int nb) override;
    void nonConfirmees(const QString& chemin, int nb, const QByteArray& lignes) override;

    void termine();
    /// The run starts: says where it goes.
    void commence();
    void litEntree();
    void dit(const QString& texte);
    struct AvisRepete {
        qint64 ditMs = 0;
        qint64 intervalleMs = 0;
        int tus = 0;
    };
    /// A notice whose text changes often (the broker away, a disk that refuses every
    /// line): said at once, then at intervals that double up to an hour, with how
    /// many changes were passed over (`quoi` names them).
    void ditEspace(AvisRepete& a, const QString& texte, const QString& quoi);
    void imprime(const core::Echantillon& e);

    engine::Moteur& m_moteur;
    evenements::Journal& m_journal;
    evenements::Surveillance& m_alarme;
    evenements::Programme& m_programme;
    OptionsConsole m_options;
    std::FILE* m_sortie;
    std::FILE* m_erreurs;
    Monotone m_monotone;
    std::unique_ptr<QSocketNotifier> m_entree;
    std::unique_ptr<QSocketNotifier> m_signaux;
    /// Rescue files tried so far for the record file named.
    QString m_cheminSecours;
    int m_essaisSecours = 0;
    /// Standard output refused a line: the run goes on with the file only.
    bool m_sortieFermee = false;
    /// The line being typed on standard input, when it is a comment ("#...").
    QByteArray m_commentaire;
    bool m_dansCommentaire = false;
    bool m_debutLigne = true;
    bool m_fini = false;
    int m_statut = kStatutOk;
    /// A slow disk was said: said again only once it has caught up.
    bool m_retardDit = false;
    /// The notice of unreadable text lines has been said.
    bool m_lignesDit = false;
    /// The broker's notice, said at growing intervals while it lasts.
    AvisRepete m_avisPublication;
    AvisRepete m_avisEcriture;
};

} // namespace app
