#pragma once

#include <QString>

#include <optional>

namespace publication {

/// Where and how samples are published.
struct ReglagePublication {
    bool actif = false;
    QString hote;
    int port = 1883;
    /// Station name in the topics; the host name when empty.
    QString poste;
    QString utilisateur;
    /// Never printed; from the settings file or PLOVAR_MQTT_MOT_DE_PASSE.
    QString motDePasse;
    /// The settings file's own password, which the environment's may stand in for.
    QString motDePasseFichier;
    /// What the settings file's rights put at risk, in French ("" when nothing).
    QString avis;
    /// Certificate authority file: TLS when set.
    QString ca;
    /// Samples a second at most when catching up.
    int cadenceRejeu = 2000;
    /// Given on the command line: the notices name its options and the settings
    /// file instead of the window's dialog. Never saved.
    bool ligneDeCommande = false;

    /// The station name as the topics use it: letters, digits, "_" and "-" only.
    QString posteEffectif() const;
    /// Why these settings cannot be used, in French; nullopt when they can.
    std::optional<QString> refus() const;
    /// "hôte:port".
    QString adresse() const;
};

/// The characters of a station name other than [A-Za-z0-9_-] become "_"; an empty
/// name becomes "plovar".
QString nettoiePoste(const QString& nom);
/// Why `nom` cannot name a station, in French: a name that cleaning would change
/// could share its topic with another station's ("a/b" and "a_b"). nullopt for an
/// empty name (the machine's) or a clean one.
std::optional<QString> refusPoste(const QString& nom);

/// The password given in PLOVAR_MQTT_MOT_DE_PASSE. Once read, the variable is taken
/// out of the environment, so that no child process ever sees it.
QString motDePasseEnvironnement();

/// The [publication] part of the settings file beside the configuration. The file
/// is made readable by its owner only when it holds a password; a password from
/// the environment is never written into it.
class FichierPublication {
public:
    /// `ligneDeCommande`: the settings serve the command line (see ReglagePublication).
    static ReglagePublication lit(const QString& chemin, bool ligneDeCommande = false);
    static bool ecrit(const QString& chemin, const ReglagePublication& r, QString* erreur);
};

/// Reads "HÔTE[:PORT]"; nullopt for a bad port.
std::optional<std::pair<QString, int>> analyseAdresse(const QString& texte);

} // namespace publication
