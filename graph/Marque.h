#pragma once

#include <QColor>
#include <QString>

namespace graph {

/// An event shown on a graph: a dashed line at sample `index` and a letter.
struct Marque {
    qint64 index = 0;
    QString lettre;
    QColor couleur;
};

} // namespace graph
