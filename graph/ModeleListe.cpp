#include "graph/ModeleListe.h"

#include <cmath>

namespace graph {

ModeleListe::ModeleListe(const core::Magasin* m, QObject* parent)
    : QAbstractListModel(parent), m_magasin(m) {}

int ModeleListe::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() || m_n < 0)
        return 0;
    return static_cast<int>(m_n - m_bas + 1 + (titre() ? 1 : 0));
}

QVariant ModeleListe::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount())
        return {};
    return ligne(index.row());
}

void ModeleListe::vide() {
    if (m_n < 0)
        return;
    beginResetModel();
    m_n = -1;
    endResetModel();
}

void ModeleListe::remplit(qint64 n, bool formatFichier) {
    // Index 0, the starting point, is listed until the oldest samples leave.
    const qint64 bas = m_magasin->premier() > 1 ? m_magasin->premier() : 0;
    if (m_n >= 0 && n > m_n && bas == m_bas && formatFichier == m_formatFichier && !formatFichier) {
        // New samples arrive at the top: insert them so a reader scrolled further
        // down keeps the lines in view.
        beginInsertRows(QModelIndex(), 0, static_cast<int>(n - m_n - 1));
        m_n = n;
        endInsertRows();
        return;
    }
    if (n == m_n && bas == m_bas && formatFichier == m_formatFichier)
        return;
    beginResetModel();
    m_n = n;
    m_bas = bas;
    m_formatFichier = formatFichier;
    endResetModel();
}

QString ModeleListe::formatValeur(double v) {
    const double r = std::round(v);
    // A reading with decimals (a text line's) keeps them after a French comma, up to
    // six; a whole value is written as it always was.
    QString decimales;
    if (std::isfinite(v) && r != v) {
        decimales = QString::number(std::fabs(v), 'f', 6).section(QLatin1Char('.'), 1);
        while (decimales.endsWith(QLatin1Char('0')))
            decimales.chop(1);
    }
    const double entier = decimales.isEmpty() ? r : std::trunc(v);
    const long long a = static_cast<long long>(std::fabs(entier));
    QString s = QString::number(a).rightJustified(3, QLatin1Char('0'));
    if (!decimales.isEmpty())
        s += QLatin1Char(',') + decimales;
    if (v < 0 && (a != 0 || !decimales.isEmpty()))
        s.prepend(QLatin1Char('-'));
    return s;
}

QString ModeleListe::ligne(int row) const {
    if (titre()) {
        if (row == 0)
            return m_magasin->LigneEntete;
        row -= 1;
    }
    const qint64 i = m_n - row;
    if (m_formatFichier)
        return QString::number(i) + QStringLiteral(" ---- ") + m_magasin->LignesFichier(i);
    return QString::number(i) + QStringLiteral(" ---- ") + formatValeur(m_magasin->valeur(i)) +
           QStringLiteral(" --- ") + m_magasin->TabDate(i) + QStringLiteral(" --- ") +
           m_magasin->TabHeure(i);
}

QString ModeleListe::texte() const {
    QString t;
    for (int r = 0; r < rowCount(); ++r)
        t += ligne(r) + QStringLiteral("\r\n");
    return t;
}

} // namespace graph
