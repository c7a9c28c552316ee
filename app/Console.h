#pragma once

#include "engine/Moteur.h"

#include <QObject>
#include <QSocketNotifier>

#include <cstdio>
#include <memory>
#include <optional>

namespace app {

/// What the command line may change for one run; nothing of it is stored.
struct OptionsConsole {
    std::optional<int> cadence;
    std::optional<int> source;
    QString fichier;
    /// Seconds after which the run stops by itself; none when not set.
    std::optional<double> duree;
    /// Print the physical value (stored calibration) as an extra field on each line.
    bool etalonnage = false;
};

/// Recording without a window: the engine under a plain event loop. Each record
/// line goes to standard output once it is on disk, notices go to standard error,
/// "+" and "-" on standard input move the test value, and SIGINT, SIGTERM or the
/// end of the duration stop the run cleanly.
class EnregistreurConsole : public QObject, private engine::Decideur {
    Q_OBJECT
public:
    EnregistreurConsole(engine::Environnement env, OptionsConsole options,
                        std::FILE* sortie = stdout, std::FILE* erreurs = stderr);
    ~EnregistreurConsole() override;

    /// Starts the recording and runs until it stops; returns the exit status.
    int exec();

    engine::Moteur& moteur() { return *m_moteur; }

private:
    QString fichierSecours(const QString& chemin, int nb, bool fermeture) override;
    bool abandonneAttente(const QString& chemin, int nb) override;

    void termine();
    void litEntree();
    void dit(const QString& texte);

    std::unique_ptr<engine::Moteur> m_moteur;
    OptionsConsole m_options;
    std::FILE* m_sortie;
    std::FILE* m_erreurs;
    std::unique_ptr<QSocketNotifier> m_entree;
    std::unique_ptr<QSocketNotifier> m_signaux;
    /// Rescue files tried so far for the record file named.
    QString m_cheminSecours;
    int m_essaisSecours = 0;
    bool m_fini = false;
};

} // namespace app
