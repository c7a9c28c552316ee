#pragma once

#include "core/Plan.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDialog>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimeEdit>

namespace ui {

/// Programs a run: when it starts (now or at a date and time, and on a level's
/// crossing with the samples taken just before it) and when it stops (at a date and
/// time, after a duration, on the first alarm, on a level). A plan that cannot be
/// followed is said in the dialog, which stays open.
class DialogueProgramme : public QDialog {
    Q_OBJECT
public:
    /// `maintenantMs`: the clock as it stands (times are resolved against it);
    /// `unite`: the unit of the levels; `alarme`: an alarm is set.
    DialogueProgramme(const core::Plan& propose, qint64 maintenantMs, const QString& unite,
                      bool alarme, QWidget* parent = nullptr);
    /// The plan as the fields stand; nullopt, with `erreur`, when it cannot be followed.
    std::optional<core::Plan> valeur(QString* erreur = nullptr) const;

    void accept() override;

private:
    qint64 m_maintenantMs;
    QRadioButton* m_maintenant;
    QRadioButton* m_aLHeure;
    QDateTimeEdit* m_debut;
    QCheckBox* m_avecDeclencheur;
    QDoubleSpinBox* m_niveau;
    QComboBox* m_sens;
    QSpinBox* m_avant;
    QCheckBox* m_avecFin;
    QDateTimeEdit* m_fin;
    QCheckBox* m_avecDuree;
    QSpinBox* m_jours;
    QTimeEdit* m_duree;
    QCheckBox* m_arretAlarme;
    QCheckBox* m_avecArretNiveau;
    QDoubleSpinBox* m_niveauArret;
    QComboBox* m_sensArret;
    QLabel* m_erreur;
};

} // namespace ui
