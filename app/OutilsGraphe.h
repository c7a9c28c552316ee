#pragma once

#include "app/ActionsGraphe.h"
#include "app/Poste.h"
#include "app/VueGraphe.h"
#include "engine/Moteur.h"

#include <QLabel>
#include <QObject>
#include <QPointer>

class QPrinter;

namespace ui {
class Dialogues;
class FenetreStatistiques;
class ListeEvenements;
} // namespace ui

namespace app {

/// The graph as a tool: readout under the pointer, context menu, images, printing,
/// statistics, calibration and export of the samples.
class OutilsGraphe : public QObject {
    Q_OBJECT
public:
    /// `fenetre` is the parent of the dialogs; `ecran` the graph the readout follows.
    OutilsGraphe(Poste& poste, VueGraphe& vue, ui::Dialogues* dialogues, QWidget* fenetre,
                 graph::Ecran* ecran);

    void copieImage();
    /// Saves the graph as an image; the format from the suffix or the filter.
    bool enregistreImage(const QString& chemin, const QString& filtre = QString());
    void menuEnregistrerImage();
    void imprime(QPrinter& imprimante);
    void menuImprimer();
    void montreStatistiques();
    void menuEtalonnage();
    /// Exports the samples (all, or the part shown) as a spreadsheet file.
    bool exporteMesures(const QString& chemin, bool partieVisible);
    void menuExporter();
    /// Asks for a comment and keeps it at sample `numero` (the newest when not given).
    void commentaire(std::optional<qint64> numero = std::nullopt);
    void menuAlarme();
    /// The list of events; choosing one shows it on the graph.
    void montreEvenements();
    ui::FenetreStatistiques* statistiques() const;
    /// The statistics window, when open, shows the store as it is now.
    void actualiseStatistiques();
    /// What the readout shows for inner pixel column x of the graph ("" for nothing):
    /// the samples' values, then the events at them.
    QString texteSousPointeur(int x) const;
    /// The file the graph shows: `chemin` after a load, "" for a recording.
    void setFichierCharge(const QString& chemin) { m_fichierCharge = chemin; }

signals:
    /// The alarm's limits were changed.
    void alarmeChoisie();
    /// The large graph window is asked for.
    void grapheEnGrand();

private:
    QString texteValeursSousPointeur(int x) const;
    /// How many alarms began between samples a and b, and the time spent in alarm.
    QString texteAlarmes(qint64 a, qint64 b) const;
    void surSurvol(int x, QPoint position);
    void surMenuGraphe(QPoint global);
    /// Date and time of sample i as shown ("" when a loaded line has none).
    QString quand(qint64 i) const;
    /// Instant of sample i: its time stamp, or a loaded line's date and time
    /// (invalid when they do not read as such).
    QDateTime instant(qint64 i) const;
    /// File name, span shown and extremes, above a printed or saved graph.
    QStringList legendes() const;
    /// A value as shown by the graph's tools: physical with its unit when calibrated
    /// (the raw one in brackets when `avecBrute`), else raw.
    QString texteValeur(double brute, bool avecBrute) const;
    /// The file the graph shows: the loaded one, else the record file.
    QString fichierAffiche() const;

    Poste& m_poste;
    engine::Moteur& m_moteur;
    VueGraphe& m_vue;
    ui::Dialogues* m_dialogues;
    QWidget* m_fenetre;
    graph::Ecran* m_ecran;
    ActionsGraphe m_actions;
    QLabel* m_lecture = nullptr;
    /// Where the pointer last was over the graph (x in the area, -1 when outside).
    int m_survolX = -1;
    QPoint m_survolPosition;
    QPointer<ui::FenetreStatistiques> m_statistiques;
    QPointer<ui::ListeEvenements> m_listeEvenements;
    QString m_fichierCharge;
    /// Images and printing on a light background (the screen's colours otherwise).
    bool m_clair = true;
};

} // namespace app
