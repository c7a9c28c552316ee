#pragma once

#include "core/Magasin.h"

#include <QAbstractListModel>

namespace graph {

/// The sample list, highest index first, formatted from the store on demand.
/// Recorded samples read "i ---- 045 --- date --- time"; a loaded file shows its
/// header line first, then "i ---- " and each line as read.
class ModeleListe : public QAbstractListModel {
    Q_OBJECT
public:
    explicit ModeleListe(const core::Magasin* m, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    /// Empties the list.
    void vide();
    /// Lists samples 0 to n, in the file format when `formatFichier`.
    void remplit(qint64 n, bool formatFichier);

    /// The text of one row.
    QString ligne(int row) const;
    /// Rows joined, each followed by CR LF, as the list's whole text.
    QString texte() const;

    /// "#000": at least three digits, a minus sign before the padded digits; the
    /// decimals of a value that has some after a comma ("021,5").
    static QString formatValeur(double v);

private:
    const core::Magasin* m_magasin;
    qint64 m_n = -1;
    /// Lowest index listed.
    qint64 m_bas = 0;
    bool m_formatFichier = false;
    /// A loaded file's header line heads the list; a file without one has no title row.
    bool titre() const { return m_formatFichier && !m_magasin->LigneEntete.isEmpty(); }
};

} // namespace graph
