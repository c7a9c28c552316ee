#pragma once

#include "files/InstantsEnr.h"
#include "publication/Curseur.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QString>

#include <optional>
#include <utility>
#include <vector>

namespace publication {

/// A sample read back from the record file, with where its line ends.
struct LigneLue {
    qint64 n = 0;
    QString session;
    qint64 tMs = 0;
    int decalage = 0;
    double brut = 0;
    qint64 octetFin = 0;   ///< the byte after its line
    quint64 empreinte = 0; ///< its line's print
    bool lu = true;        ///< it came from a reading (see Lacunes)
};

/// Reads a record file forward from a cursor, whole lines only (a line still
/// being written waits). Each run's session is the date and time of its first
/// line with its offset from UTC; times become UTC in file order. Lines that are
/// not samples (the header, damage) are passed over. A file replaced or rewritten
/// under the reader (its first line, or the line before where reading stands, is
/// no longer the same; or it is now shorter) is read again from its start.
class FileEnr {
public:
    explicit FileEnr(QString chemin);
    /// Goes back to just after the sample of `c`.
    void reprend(const Curseur& c);
    /// Up to `max` samples from where reading stands.
    std::vector<LigneLue> lit(int max);
    /// Where reading stands.
    qint64 octet() const { return m_octet; }
    /// Whole lines on disk after where reading stands (counted once per byte).
    qint64 lignesRestantes();
    const QString& chemin() const { return m_chemin; }
    /// The print of the file's first line (0 while not known).
    quint64 premiere() const { return m_premiere; }
    /// True once after reading started again from the start of a replaced file.
    bool remplace() { return std::exchange(m_remplace, false); }

private:
    bool ouvert();
    /// Checks that the file is still the one read so far.
    bool memeFichier();
    void recommence();

    QString m_chemin;
    QFile m_fichier;
    QElapsedTimer m_verification;
    qint64 m_octet = 0;
    qint64 m_nPrecedent = 0;
    QString m_session;
    files::InstantsEnr m_instants;
    qint64 m_octetCompte = 0;
    qint64 m_lignesComptees = 0;
    quint64 m_premiere = 0;
    /// The print of the line that ends where reading stands (0: not known).
    quint64 m_ancre = 0;
    bool m_remplace = false;
};

} // namespace publication
