#include "graph/ListeMesures.h"

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextLayout>

#include <algorithm>
#include <limits>

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

ListeMesures::ListeMesures(QWidget* parent)
    : QAbstractItemView(parent), m_delegue(new DelegueLigne(this)) {
    setItemDelegate(m_delegue);
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
    connect(m_delegue, &QAbstractItemDelegate::sizeHintChanged, this, [this] { m_hauteur = 0; });
}

int ListeMesures::lignes() const {
    return model() ? model()->rowCount(rootIndex()) : 0;
}

int ListeMesures::hauteur() const {
    if (m_hauteur <= 0) {
        QStyleOptionViewItem o;
        initViewItemOption(&o);
        const QModelIndex premier = model() ? model()->index(0, 0, rootIndex()) : QModelIndex();
        m_hauteur = std::max(1, m_delegue->sizeHint(o, premier).height());
    }
    return m_hauteur;
}

int ListeMesures::visibles() const {
    return std::max(1, viewport()->height() / hauteur());
}

qint64 ListeMesures::haut(int rang) const {
    const qint64 v = verticalScrollBar()->value();
    // At the end of the list its last line sits on the bottom edge.
    const bool fin = v >= verticalScrollBar()->maximum() && lignes() > visibles();
    const qint64 decalage = fin ? viewport()->height() - qint64(lignes() - v) * hauteur() : 0;
    return decalage + (rang - v) * hauteur();
}

qint64 ListeMesures::rangA(int y) const {
    const qint64 y0 = haut(0);
    const qint64 d = y - y0;
    return d >= 0 ? d / hauteur() : (d - hauteur() + 1) / hauteur();
}

QRect ListeMesures::visualRect(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != model())
        return {};
    const qint64 y = haut(index.row());
    if (y < -hauteur() || y > viewport()->height() + hauteur())
        return {}; // far outside the list: no rectangle in int range
    return {0, static_cast<int>(y), viewport()->width(), hauteur()};
}

QModelIndex ListeMesures::indexAt(const QPoint& point) const {
    const qint64 r = rangA(point.y());
    if (!model() || r < 0 || r >= lignes() || point.x() < 0 || point.x() >= viewport()->width())
        return {};
    return model()->index(static_cast<int>(r), 0, rootIndex());
}

void ListeMesures::scrollTo(const QModelIndex& index, ScrollHint hint) {
    if (!index.isValid())
        return;
    const int r = index.row(), k = visibles();
    const int v = verticalScrollBar()->value();
    int voulu = v;
    switch (hint) {
    case PositionAtTop:
        voulu = r;
        break;
    case PositionAtBottom:
        voulu = r - k + 1;
        break;
    case PositionAtCenter:
        voulu = r - k / 2;
        break;
    case EnsureVisible:
        if (r < v)
            voulu = r;
        else if (r >= v + k)
            voulu = r - k + 1;
        break;
    }
    verticalScrollBar()->setValue(voulu);
}

void ListeMesures::doItemsLayout() {
    m_hauteur = 0;
    QAbstractItemView::doItemsLayout();
}

void ListeMesures::reset() {
    QAbstractItemView::reset();
    m_hauteur = 0;
    updateGeometries();
}

void ListeMesures::updateGeometries() {
    QScrollBar* b = verticalScrollBar();
    b->setSingleStep(1);
    b->setPageStep(visibles());
    b->setRange(0, std::max(0, lignes() - visibles()));
    QAbstractItemView::updateGeometries();
}

void ListeMesures::rowsInserted(const QModelIndex& parent, int debut, int fin) {
    QAbstractItemView::rowsInserted(parent, debut, fin);
    // Lines added above those shown: a reader scrolled down keeps the same lines.
    const int v = verticalScrollBar()->value();
    updateGeometries();
    if (v > 0 && debut <= v)
        verticalScrollBar()->setValue(v + (fin - debut + 1));
    viewport()->update();
}

void ListeMesures::scrollContentsBy(int, int) {
    viewport()->update();
}

int ListeMesures::verticalOffset() const {
    return static_cast<int>(std::min<qint64>(qint64(verticalScrollBar()->value()) * hauteur(),
                                             std::numeric_limits<int>::max()));
}

void ListeMesures::paintEvent(QPaintEvent*) {
    if (!model())
        return;
    QPainter p(viewport());
    QStyleOptionViewItem o;
    initViewItemOption(&o);
    const int n = lignes();
    const qint64 premier = std::max<qint64>(0, rangA(0));
    const qint64 dernier = std::min<qint64>(n - 1, rangA(viewport()->height()));
    const QModelIndex courant = currentIndex();
    for (qint64 r = premier; r <= dernier; ++r) {
        const QModelIndex i = model()->index(static_cast<int>(r), 0, rootIndex());
        QStyleOptionViewItem l = o;
        l.rect =
            QRect(0, static_cast<int>(haut(static_cast<int>(r))), viewport()->width(), hauteur());
        if (selectionModel() && selectionModel()->isSelected(i))
            l.state |= QStyle::State_Selected;
        if (i == courant && hasFocus())
            l.state |= QStyle::State_HasFocus;
        m_delegue->paint(&p, l, i);
    }
}

QModelIndex ListeMesures::moveCursor(CursorAction action, Qt::KeyboardModifiers) {
    const int n = lignes();
    if (n == 0)
        return {};
    const int c = currentIndex().isValid() ? currentIndex().row() : 0;
    const int page = std::max(1, visibles() - 1);
    int r = c;
    switch (action) {
    case MoveUp:
    case MovePrevious:
        r = c - 1;
        break;
    case MoveDown:
    case MoveNext:
        r = c + 1;
        break;
    case MovePageUp:
        r = c - page;
        break;
    case MovePageDown:
        r = c + page;
        break;
    case MoveHome:
        r = 0;
        break;
    case MoveEnd:
        r = n - 1;
        break;
    default:
        break;
    }
    return model()->index(std::clamp(r, 0, n - 1), 0, rootIndex());
}

void ListeMesures::setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags flags) {
    const int n = lignes();
    if (!selectionModel() || n == 0)
        return;
    const QRect r = rect.normalized();
    const auto a = static_cast<int>(std::clamp<qint64>(rangA(r.top()), 0, n - 1));
    const auto b = static_cast<int>(std::clamp<qint64>(rangA(r.bottom()), 0, n - 1));
    selectionModel()->select(
        QItemSelection(model()->index(a, 0, rootIndex()), model()->index(b, 0, rootIndex())),
        flags);
}

QRegion ListeMesures::visualRegionForSelection(const QItemSelection& selection) const {
    QRegion region;
    const qint64 premier = std::max<qint64>(0, rangA(0));
    const qint64 dernier = rangA(viewport()->height());
    for (const QItemSelectionRange& s : selection) {
        const qint64 a = std::max<qint64>(s.top(), premier),
                     b = std::min<qint64>(s.bottom(), dernier);
        if (a > b)
            continue;
        const qint64 y = haut(static_cast<int>(a));
        region += QRect(0, static_cast<int>(y), viewport()->width(),
                        static_cast<int>((b - a + 1) * hauteur()));
    }
    return region;
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
    QAbstractItemView::setModel(modele);
    // A new set of lines (a load, a new recording) is measured whole.
    if (modele)
        connect(modele, &QAbstractItemModel::modelReset, this, [this] { m_lignesMesurees = -1; });
}

void ListeMesures::resizeEvent(QResizeEvent* e) {
    QAbstractItemView::resizeEvent(e);
    updateGeometries();
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
    QAbstractItemView::keyPressEvent(e);
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
