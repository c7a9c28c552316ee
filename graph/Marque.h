#pragma once

#include "core/Alarme.h"
#include "core/Etalonnage.h"
#include "core/Evenement.h"

#include <QColor>
#include <QString>

#include <vector>

namespace graph {

/// An event shown on a graph: a dashed line at sample `index` and a letter.
struct Marque {
    qint64 index = 0;
    QString lettre;
    QColor couleur;
    /// What happened, for a readout ("Alarme : …").
    QString texte;
};

/// The letter and colour that stand for an event on a graph.
Marque marquePour(const core::Evenement& e);
/// The alarm's limits as raw values, the unit graphs are drawn in.
std::vector<double> limitesBrutes(const core::ReglageAlarme& r, const core::Etalonnage& e);

} // namespace graph
