#pragma once

#include <QAbstractItemView>
#include <QStyledItemDelegate>

namespace graph {

/// Draws a list line over as many text rows as the list gives each line, wrapping
/// where the line is wider than the list and eliding only what still does not fit.
class DelegueLigne : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    /// Text rows every line gets.
    void setRangees(int n) { m_rangees = n; }
    int rangees() const { return m_rangees; }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void paint(QPainter* p, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

private:
    int m_rangees = 1;
};

/// The read-only sample list: black, green text, vertical scroll bar only; a line
/// too wide for the list continues on the next row; lines can be selected and
/// copied (each followed by CR LF). Every line has the same height, so the list
/// keeps nothing per line: a year of samples scrolls as a few do. The scroll bar
/// counts lines; at its end the last line sits whole on the bottom edge.
class ListeMesures : public QAbstractItemView {
    Q_OBJECT
public:
    explicit ListeMesures(QWidget* parent = nullptr);
    /// The selected lines as copied to the clipboard.
    QString texteSelection() const;
    /// Lines a copy takes at most: more would hold the program for minutes and take
    /// gigabytes; the export writes any number.
    static constexpr qint64 kLignesCopieMax = 1'000'000;
    /// Lines selected (counted from the selection's ranges, without listing them).
    qint64 lignesSelectionnees() const;
    /// Gives every line as many text rows as the widest lines need (measured on a
    /// sample of the lines, so that a list of millions stays quick), at most
    /// kRangeesMax. Called when the lines change.
    void ajusteRangees();
    /// The same after lines were added at the top: only the newest lines are measured,
    /// and the whole list again when the number of lines gains a digit.
    void ajusteApresAjout();
    /// Text rows each line gets.
    int rangees() const { return m_delegue->rangees(); }
    static constexpr int kRangeesMax = 3;
    /// Width in pixels a line's text may take on one row.
    int largeurTexte() const;

    void setModel(QAbstractItemModel* modele) override;
    /// Keeps `pixels` at the bottom of the list free of lines (for a notice laid
    /// over it): every line can still be scrolled into view above it.
    void reserveBas(int pixels);

signals:
    /// A copy of `lignes` lines, more than kLignesCopieMax, was refused.
    void copieRefusee(qint64 lignes);

public:
    QRect visualRect(const QModelIndex& index) const override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    QModelIndex indexAt(const QPoint& point) const override;
    void doItemsLayout() override;
    void reset() override;

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;
    void updateGeometries() override;
    void rowsInserted(const QModelIndex& parent, int debut, int fin) override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    int horizontalOffset() const override { return 0; }
    int verticalOffset() const override;
    bool isIndexHidden(const QModelIndex&) const override { return false; }
    void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags flags) override;
    QRegion visualRegionForSelection(const QItemSelection& selection) const override;

private:
    int lignes() const;
    /// Height of every line, in pixels.
    int hauteur() const;
    /// Whole lines the list shows.
    int visibles() const;
    /// Where line `rang` is drawn from the top of the list (may lie outside it).
    qint64 haut(int rang) const;
    /// The line at height y of the list, not clamped.
    qint64 rangA(int y) const;

    DelegueLigne* m_delegue;
    /// Lines when the whole list was last measured.
    int m_lignesMesurees = -1;
    mutable int m_hauteur = 0; ///< line height once measured; 0: to measure
};

/// Text rows a line of `largeurTexte` pixels needs in `largeurDisponible` pixels,
/// between 1 and `maximum`.
int rangeesNecessaires(int largeurTexte, int largeurDisponible, int maximum);

} // namespace graph
