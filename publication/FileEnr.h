#pragma once

#include <QStringList>

#include "files/InstantsEnr.h"
#include "publication/Curseur.h"
#include "publication/FichierSuivi.h"

#include <QByteArray>
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
/// under the reader is read again from its start.
class FileEnr : public FichierSuivi {
public:
    explicit FileEnr(QString chemin) : FichierSuivi(std::move(chemin)) {}
    /// Goes back to just after the sample of `c`.
    void reprend(const Curseur& c);
    /// Up to `max` samples from where reading stands.
    std::vector<LigneLue> lit(int max);
    /// Whole lines on disk after where reading stands (counted once per byte).
    qint64 lignesRestantes();
    /// Lines read that hold no sample (the header aside), each counted once however
    /// often it is read again, and the start of the first few.
    qint64 illisibles() const { return m_illisibles; }
    const QStringList& exemplesIllisibles() const { return m_exemples; }

private:
    void recommence() override;

    qint64 m_nPrecedent = 0;
    QString m_session;
    files::InstantsEnr m_instants;
    qint64 m_octetCompte = 0;
    qint64 m_lignesComptees = 0;
    qint64 m_illisibles = 0;
    /// Where the last unreadable line counted ends.
    qint64 m_illisiblesJusque = 0;
    QStringList m_exemples;
};

} // namespace publication
