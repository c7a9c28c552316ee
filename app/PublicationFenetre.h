#pragma once

#include "engine/Moteur.h"
#include "publication/Publieur.h"
#include "publication/SuiviMoteur.h"

#include <QDialog>
#include <QObject>

#include <memory>

class QCheckBox;
class QLabel;
class QLineEdit;
class QSpinBox;

namespace app {

/// The window's publication: its settings in the file beside the configuration,
/// and the publisher they make, started again when they change.
class PublicationFenetre : public QObject {
    Q_OBJECT
public:
    PublicationFenetre(engine::Moteur& moteur, QString cheminReglages, QObject* parent = nullptr);
    ~PublicationFenetre() override;
    const publication::ReglagePublication& reglage() const { return m_reglage; }
    /// Saves the settings and starts publishing with them (or stops). False with
    /// `erreur` (French) when they cannot be saved.
    bool applique(const publication::ReglagePublication& r, QString* erreur);
    publication::Publieur* publieur() const { return m_publieur.get(); }
    /// The state in French: connection, samples waiting and acknowledged.
    QString texteEtat() const;
    void arrete();

signals:
    void etatChange();

private:
    void lance();

    engine::Moteur& m_moteur;
    QString m_chemin;
    publication::ReglagePublication m_reglage;
    std::unique_ptr<publication::Publieur> m_publieur;
    std::unique_ptr<publication::SuiviMoteur> m_suivi;
};

/// "Publication…": the broker, the station, the account, TLS, the catch-up rate,
/// and the live state.
class DialoguePublication : public QDialog {
    Q_OBJECT
public:
    DialoguePublication(PublicationFenetre& publication, QWidget* parent = nullptr);
    /// The settings as typed.
    publication::ReglagePublication saisie() const;
    /// Applies what is typed; false (and says why) when refused.
    bool valide();
    QLabel* etat() const { return m_etat; }

private:
    void actualiseEtat();

    PublicationFenetre& m_publication;
    QCheckBox* m_actif;
    QLineEdit* m_hote;
    QSpinBox* m_port;
    QLineEdit* m_poste;
    QLineEdit* m_utilisateur;
    QLineEdit* m_motDePasse;
    QLineEdit* m_ca;
    QSpinBox* m_cadence;
    QLabel* m_etat;
    QLabel* m_erreur;
};

} // namespace app
