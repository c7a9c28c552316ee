#pragma once

#include "core/Magasin.h"

#include <optional>
#include <vector>

namespace graph {

/// Where the samples of a store stop following each other in time.
struct Rupture {
    enum class Genre {
        Serie, ///< the record number starts again: a new run
        Saut,  ///< time jumps forward far more than the run's pace (a stop, a sleep)
        Recul  ///< time goes back (a clock set back, runs out of order)
    };
    qint64 index = 0; ///< first sample after the break
    Genre genre = Genre::Serie;
    qint64 ecartMs = 0; ///< time between the samples on either side
};

/// The breaks of a store and the runs between them, kept up to date as samples
/// arrive: each update looks only at the new samples, unless the store was emptied
/// or refilled.
class Chronologie {
public:
    /// Looks at the samples stored since the last call.
    void actualise(const core::Magasin& m);
    const std::vector<Rupture>& ruptures() const { return m_ruptures; }
    /// Run number of sample i, from 1 (runs end at each break of genre Serie).
    int serie(qint64 i) const;
    int nbSeries() const { return m_nbSeries; }
    /// First and last sample of the stretch holding sample i (between two breaks).
    std::pair<qint64, qint64> troncon(qint64 i) const;
    /// The first sample taken at or after `instantMs` in the first stretch whose
    /// times cover it; else the first sample of the stretch that begins soonest
    /// after it; nullopt when every sample is older.
    std::optional<qint64> indexA(const core::Magasin& m, qint64 instantMs) const;

private:
    qint64 m_premier = 0;
    qint64 m_vus = 0;
    qint64 m_ecartPrecedent = 0;
    int m_nbSeries = 1;
    std::vector<Rupture> m_ruptures;
    size_t m_seriesVues = 0;
};

} // namespace graph
