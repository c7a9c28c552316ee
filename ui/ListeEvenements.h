#pragma once

#include "core/Evenement.h"

#include <QDialog>
#include <QListWidget>

#include <vector>

namespace ui {

/// The events of the run or of the loaded file, one a line; a double click (or
/// Enter) asks to show that moment on the graph.
class ListeEvenements : public QDialog {
    Q_OBJECT
public:
    explicit ListeEvenements(QWidget* parent = nullptr);
    void affiche(const std::vector<core::Evenement>& evenements);
    int nombre() const { return m_liste->count(); }
    /// Chooses line `ligne`, as a double click would.
    void choisit(int ligne);

signals:
    /// The user chose the event at record number `numero`.
    void choisi(qint64 numero);

private:
    QListWidget* m_liste;
};

} // namespace ui
