#include "graph/ListeMesures.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>

#include <algorithm>

namespace graph {

ListeMesures::ListeMesures(QWidget* parent) : QListView(parent) {
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setTabKeyNavigation(false);
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(2);
    QPalette pal = palette();
    for (auto groupe : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        pal.setColor(groupe, QPalette::Base, QColor(0, 0, 0));
        pal.setColor(groupe, QPalette::Text, QColor(0, 192, 0));
    }
    setPalette(pal);
}

QString ListeMesures::texteSelection() const {
    QModelIndexList sel = selectionModel() ? selectionModel()->selectedRows() : QModelIndexList();
    std::sort(sel.begin(), sel.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    QString t;
    for (const QModelIndex& i : sel)
        t += i.data().toString() + QStringLiteral("\r\n");
    return t;
}

void ListeMesures::keyPressEvent(QKeyEvent* e) {
    if (e->matches(QKeySequence::Copy)) {
        QGuiApplication::clipboard()->setText(texteSelection());
        e->accept();
        return;
    }
    QListView::keyPressEvent(e);
}

} // namespace graph
