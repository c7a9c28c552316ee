#pragma once

#include <QByteArray>
#include <QString>

namespace engine {

/// The notices the engine raises; each kind holds at most one text at a time.
enum class Alerte {
    Alarme,
    Ecriture,
    Source,
    Info,
    Config,
    ConfigReinitialisee,
    Etalonnage,
    Silence,
    Lecture,
    Chargement,
    Memoire,
    Evenements,
    Publication,
    /// A settings file holding a password can be read by other users.
    Droits,
    /// What a programmed run waits for.
    Programme,
    /// Lines waiting for a slow disk.
    Retard,
    /// Text lines from the source that could not be read.
    Lignes
};

/// Where the user must decide, the engine asks through this interface: the window
/// answers with dialogs, the command line with a fixed rule.
class Decideur {
public:
    virtual ~Decideur() = default;
    /// `nb` lines meant for `chemin` could not be written there. Returns the file
    /// they should be added to, or "" to keep them waiting. `fermeture` is set when
    /// the program is about to end; `evenements` when the lines are events, not
    /// samples.
    virtual QString fichierSecours(const QString& chemin, int nb, bool fermeture,
                                   bool evenements) = 0;
    /// At the end, after a refused rescue file: true drops the `nb` lines meant for
    /// `chemin`.
    virtual bool abandonneAttente(const QString& chemin, int nb) = 0;
    /// At the end, the disk did not answer: the `nb` lines `lignes` meant for
    /// `chemin` may or may not be in it.
    virtual void nonConfirmees(const QString& chemin, int nb, const QByteArray& lignes) {
        Q_UNUSED(chemin);
        Q_UNUSED(nb);
        Q_UNUSED(lignes);
    }
};

} // namespace engine
