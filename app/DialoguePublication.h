#pragma once

#include "publication/Publication.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QSpinBox;

namespace app {

/// "Publication…": the broker, the station, the account, TLS, the catch-up rate,
/// and the live state.
class DialoguePublication : public QDialog {
    Q_OBJECT
public:
    DialoguePublication(publication::Publication& publication, QWidget* parent = nullptr);
    /// The settings as typed.
    publication::ReglagePublication saisie() const;
    /// Applies what is typed; false (and says why) when refused.
    bool valide();
    QLabel* etat() const { return m_etat; }

private:
    void actualiseEtat();

    publication::Publication& m_publication;
    QCheckBox* m_actif;
    QLineEdit* m_hote;
    QSpinBox* m_port;
    QLineEdit* m_poste;
    QLineEdit* m_utilisateur;
    QLineEdit* m_motDePasse;
    /// The settings file's own password, kept when the field shows the environment's.
    QString m_motDePasseFichier;
    QLineEdit* m_ca;
    QSpinBox* m_cadence;
    QLabel* m_etat;
    QLabel* m_erreur;
};

} // namespace app
