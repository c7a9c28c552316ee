#pragma once

#include "app/Poste.h"
#include "engine/Moteur.h"
#include "graph/EtatVue.h"
#include "graph/RenduGraphe.h"
#include "ui/EnregistreurUi.h"

#include <QLabel>
#include <QObject>
#include <QTimer>

#include <functional>

namespace graph {
class ModeleListe;
}

namespace app {

/// The main window's graph and sample list as a view of the engine's store: frame
/// and axes, redraw, zoom, scroll and follow-the-end.
class VueGraphe : public QObject {
    Q_OBJECT
public:
    VueGraphe(Poste& poste, const ui::EnregistreurUi& ui, graph::ModeleListe* liste,
              QObject* parent = nullptr);

    void trace_axes();
    void raz();
    void affich();
    /// The zoom slider moved.
    void zoom();
    /// The scroll bar moved.
    void defilement();

    /// A new sample: the view follows it and redraws.
    void surEchantillon(const core::Echantillon& e);
    /// The engine's state changed from `avant`.
    void surEtat(engine::Etat avant, engine::Etat etat);
    /// A file was loaded: the scroll bar spans it.
    void apresChargement();
    /// Shows the engine's events over the trace (and the alarm's limits).
    void actualiseMarques();
    /// One more event over the trace.
    void ajouteMarque(const core::Evenement& e);

    /// Brings sample `numero` to the middle of the view and redraws.
    void centreSur(qint64 numero);
    void surMolette(int pas, bool decalage);
    void surToucheGraphe(int touche);

    /// What the graph shows, for the tools that draw or measure it.
    graph::Vue vue() const;
    graph::Visibles visibles() const;
    const graph::EtatVue& etat() const { return m_etat; }
    graph::EtatVue& etat() { return m_etat; }
    /// Height of the drawing area in graph units.
    float HauteurEcran() const { return m_HauteurEcran; }
    /// Index after the last sample drawn.
    qint64 IndexPoint() const { return m_IndexPoint; }

    /// Called after every redraw.
    std::function<void()> apresDessin;

private:
    bool chargementEnCours() const { return m_moteur.etat() == engine::Etat::Chargement; }
    /// Moves the view to start at sample `debut` (kept inside the run).
    void placeDebut(qint64 debut);
    /// Moves the view by a number of samples and redraws.
    void defileDe(qint64 echantillons);
    /// Shows the zoom and the span in view for a moment.
    void montreVue();

    Poste& m_poste;
    engine::Moteur& m_moteur;
    const ui::EnregistreurUi& m_ui;
    graph::ModeleListe* m_liste;
    graph::EtatVue m_etat;
    /// The vertical range was raised for a loaded file.
    bool m_plafondDuFichier = false;
    float m_HauteurEcran = 0;
    qint64 m_IndexPoint = 0;
    QLabel* m_infoVue = nullptr;
    QTimer m_masqueInfoVue;
};

} // namespace app
