#pragma once

#include <QListView>

namespace graph {

/// The read-only sample list: black, green text, vertical scroll bar only; lines
/// can be selected and copied (each followed by CR LF).
class ListeMesures : public QListView {
    Q_OBJECT
public:
    explicit ListeMesures(QWidget* parent = nullptr);
    /// The selected lines as copied to the clipboard.
    QString texteSelection() const;

protected:
    void keyPressEvent(QKeyEvent* e) override;
};

} // namespace graph
