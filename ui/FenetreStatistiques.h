#pragma once

#include "core/Etalonnage.h"
#include "core/Magasin.h"

#include <QDialog>
#include <QLabel>

#include <array>
#include <functional>

namespace ui {

/// The statistics of the run and of the part shown: number of samples, minimum and
/// maximum with their date and time, mean, standard deviation and duration.
class FenetreStatistiques : public QDialog {
    Q_OBJECT
public:
    explicit FenetreStatistiques(QWidget* parent = nullptr);
    /// Shows the figures; `quand(i)` gives the date and time of sample i ("" when
    /// unknown), `valeur` a value as shown (with its unit when calibrated), `ecart`
    /// a spread as shown, `duree` the time from the first sample to the last.
    void affiche(const core::Statistiques& tout, const core::Statistiques& visible,
                 const std::function<QString(qint64)>& quand,
                 const std::function<QString(double)>& valeur,
                 const std::function<QString(double)>& ecart,
                 const std::function<QString(qint64, qint64)>& duree);
    /// Shows the figures of store `m`: the whole run and samples a to b, values as
    /// the calibration shows them, durations from the samples' instants.
    void afficheMagasin(const core::Magasin& m, const core::Etalonnage& e, qint64 a, qint64 b,
                        const std::function<QString(qint64)>& quand);
    /// The text of a cell: row 0 to 5, column 0 (the run) or 1 (the part shown).
    QString cellule(int ligne, int colonne) const;
    /// The alarms of the whole run and of the part shown ("2 (en alarme 00:05:12)").
    void afficheAlarmes(const QString& tout, const QString& visible);

private:
    std::array<std::array<QLabel*, 2>, 7> m_cellules{};
};

} // namespace ui
