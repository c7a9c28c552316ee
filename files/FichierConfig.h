#pragma once

#include "core/Reglages.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace files {

/// The four persisted settings as read from a configuration file.
struct ValeursConfig {
    QString NomFichierEnr;
    uint8_t IndexCadence = 0;
    uint8_t TypeSource = 0;
    int16_t LargeurFenetre = 0;
};

/// Outcome of reading the configuration file.
enum class LectureConfig {
    Lue,       ///< the file was read and its values are in force
    Absente,   ///< no file: nothing was read
    Endommagee ///< the file exists but cannot be read as a configuration
};

/// The configuration file "plovar.cfg": one line of five comma-separated fields.
class FichierConfig {
public:
    explicit FichierConfig(QString chemin) : m_chemin(std::move(chemin)) {}

    /// Name of the configuration file.
    static QString nom() { return QStringLiteral("plovar.cfg"); }

    /// Where the configuration lives: beside the program when that directory can
    /// be written or already holds the file, else in the user's configuration
    /// directory (an installed program).
    /// `inscriptible` overrides the check of the program directory.
    static QString choisitChemin(const QString& repertoireProgramme,
                                 const QString& repertoireUtilisateur,
                                 std::optional<bool> inscriptible = std::nullopt);

    const QString& chemin() const { return m_chemin; }
    bool existe() const;

    /// Writes the one line from the settings, replacing the file. False on failure,
    /// with `erreur` (when given) saying why in French.
    bool ecrit_config(const core::Reglages& r, QString* erreur = nullptr) const;
    /// Keeps a copy of the file beside it as "plovar.cfg.bak", replacing an older one.
    /// False when it cannot.
    bool sauvegarde() const;
    /// Path of that copy.
    QString cheminSauvegarde() const { return m_chemin + QStringLiteral(".bak"); }
    /// A damaged file is kept as "….bak"; says so in French for the user.
    QString sauvegardeEndommage() const;
    /// Reads the file into the four settings. A damaged file changes nothing.
    LectureConfig lit_config(core::Reglages& r) const;

    /// The exact bytes ecrit_config writes.
    static QByteArray ligne(const core::Reglages& r);
    /// Parses file content; the last complete record wins. nullopt when the
    /// content holds no valid record or ends inside one.
    static std::optional<ValeursConfig> analyse(const QByteArray& contenu);

    /// Larger files are not configuration files.
    static constexpr qint64 kTailleMax = 64 * 1024;

private:
    QString m_chemin;
};

} // namespace files
