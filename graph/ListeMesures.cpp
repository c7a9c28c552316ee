#include "graph/ListeMesures.h"

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextLayout>

#include <algorithm>

namespace graph {

int rangeesNecessaires(int largeurTexte, int largeurDisponible, int maximum) {
    if (largeurDisponible <= 0)
        return maximum;
    return std::clamp((largeurTexte + largeurDisponible - 1) / largeurDisponible, 1, maximum);
}

QSize DelegueLigne::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QSize s = QStyledItemDelegate::sizeHint(option, index);
    s.setHeight(s.height() + (m_rangees - 1) * option.fontMetrics.lineSpacing());
    return s;
}

void DelegueLigne::paint(QPainter* p, const QStyleOptionViewItem& option,
                         const QModelIndex& index) const {
    if (m_rangees <= 1) {
        QStyledItemDelegate::paint(p, option, index);
        return;
    }
    // The background and selection as usual, then the text wrapped over the rows.
    QStyleOptionViewItem o = option;
    initStyleOption(&o, index);
    const QString texte = o.text;
    o.text.clear();
    const QWidget* w = option.widget;
    QStyle* style = w ? w->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &o, p, w);
    const QRect r = style->subElementRect(QStyle::SE_ItemViewItemText, &o, w).adjusted(2, 0, -2, 0);
    p->save();
    p->setPen(o.palette.color(o.state & QStyle::State_Selected ? QPalette::HighlightedText
                                                               : QPalette::Text));
    QTextLayout mise(texte, o.font);
    QTextOption options;
    options.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    mise.setTextOption(options);
    mise.beginLayout();
    qreal y = 0;
    const int hauteurLigne = o.fontMetrics.lineSpacing();
    for (int k = 0; k < m_rangees; ++k) {
        QTextLine l = mise.createLine();
        if (!l.isValid())
            break;
        l.setLineWidth(r.width());
        if (k == m_rangees - 1 && l.textStart() + l.textLength() < texte.size()) {
            // The last row that fits: what is left is elided.
            mise.endLayout();
            const QString reste =
                o.fontMetrics.elidedText(texte.mid(l.textStart()), Qt::ElideRight, r.width());
            p->drawText(QRect(r.left(), r.top() + int(y), r.width(), hauteurLigne),
                        Qt::AlignLeft | Qt::AlignVCenter, reste);
            p->restore();
            return;
        }
        l.setPosition(QPointF(0, y));
        y += hauteurLigne;
    }
    mise.endLayout();
    mise.draw(p, r.topLeft());
    p->restore();
}

ListeMesures::ListeMesures(QWidget* parent) : QListView(parent), m_delegue(new DelegueLigne(this)) {
    setItemDelegate(m_delegue);
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // By the pixel: at the end of the list its last line sits whole on the bottom
    // edge, whatever height a notice leaves the list.
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
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

qint64 ListeMesures::lignesSelectionnees() const {
    qint64 n = 0;
    if (selectionModel())
        for (const QItemSelectionRange& r : selectionModel()->selection())
            n += r.height();
    return n;
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

void ListeMesures::ajusteApresAjout() {
    const QAbstractItemModel* m = model();
    const int n = m ? m->rowCount() : 0;
    if (m_lignesMesurees < 0 || n < m_lignesMesurees ||
        QString::number(n).size() != QString::number(m_lignesMesurees).size()) {
        ajusteRangees();
        return;
    }
    // The new lines are at the top.
    const QFontMetrics fm(font());
    int rangees = m_delegue->rangees();
    for (int r = 0; r < std::min(n, 2) && rangees < kRangeesMax; ++r)
        rangees = std::max(
            rangees, rangeesNecessaires(fm.horizontalAdvance(m->index(r, 0).data().toString()),
                                        largeurTexte(), kRangeesMax));
    if (rangees != m_delegue->rangees()) {
        m_delegue->setRangees(rangees);
        emit m_delegue->sizeHintChanged(QModelIndex());
        doItemsLayout();
    }
}

void ListeMesures::ajusteRangees() {
    const QAbstractItemModel* m = model();
    m_lignesMesurees = m ? m->rowCount() : 0;
    int rangees = 1;
    if (m && m->rowCount() > 0) {
        const int n = m->rowCount();
        const int disponible = largeurTexte();
        const QFontMetrics fm(font());
        // The first lines, the last ones and an even spread between: numbers grow
        // with the rows, the values change along the run.
        const int pas = std::max(1, n / 50);
        for (int r = 0; r < n && rangees < kRangeesMax; r += (r < 20 || r > n - 20 ? 1 : pas)) {
            const QString t = m->index(r, 0).data().toString();
            rangees = std::max(
                rangees, rangeesNecessaires(fm.horizontalAdvance(t), disponible, kRangeesMax));
        }
    }
    if (rangees == m_delegue->rangees())
        return;
    m_delegue->setRangees(rangees);
    // Uniform rows are measured once: tell the view the size changed.
    emit m_delegue->sizeHintChanged(QModelIndex());
    doItemsLayout();
}

int ListeMesures::largeurTexte() const {
    // From the list's own size (the vertical bar is always there), so that it holds
    // before the list is first shown.
    return contentsRect().width() - verticalScrollBar()->sizeHint().width() - 6;
}

void ListeMesures::setModel(QAbstractItemModel* modele) {
    QListView::setModel(modele);
    // A new set of lines (a load, a new recording) is measured whole.
    if (modele)
        connect(modele, &QAbstractItemModel::modelReset, this, [this] { m_lignesMesurees = -1; });
}

void ListeMesures::resizeEvent(QResizeEvent* e) {
    QListView::resizeEvent(e);
    ajusteRangees();
}

void ListeMesures::keyPressEvent(QKeyEvent* e) {
    if (e->matches(QKeySequence::Copy)) {
        const qint64 n = lignesSelectionnees();
        if (n > kLignesCopieMax)
            emit copieRefusee(n);
        else
            QGuiApplication::clipboard()->setText(texteSelection());
        e->accept();
        return;
    }
    QListView::keyPressEvent(e);
}

void ListeMesures::reserveBas(int pixels) {
    if (viewportMargins().bottom() == pixels)
        return;
    // The newest line stays in view if it was.
    const bool enBas = verticalScrollBar()->value() == verticalScrollBar()->maximum();
    setViewportMargins(0, 0, 0, pixels);
    if (enBas)
        scrollToBottom();
}

} // namespace graph
