#include "graph/Chronologie.h"

#include <algorithm>

namespace graph {

void Chronologie::actualise(const core::Magasin& m) {
    const qint64 premier = std::max<qint64>(1, m.premier());
    const qint64 n = m.NbMesures();
    if (n < m_vus || premier != m_premier || m.debutsSeries().size() < m_seriesVues) {
        // Emptied, refilled or trimmed at the front: start again.
        *this = Chronologie();
        m_premier = premier;
        m_vus = premier - 1;
    }
    const std::vector<qint64>& series = m.debutsSeries();
    for (qint64 i = std::max(m_vus + 1, premier); i <= n; ++i) {
        while (m_seriesVues < series.size() && series[m_seriesVues] < i)
            ++m_seriesVues;
        const bool nouvelleSerie = m_seriesVues < series.size() && series[m_seriesVues] == i;
        if (i == premier) {
            m_ecartPrecedent = 0;
            continue;
        }
        const qint64 t0 = m.instant(i - 1), t1 = m.instant(i);
        const qint64 ecart = t0 != 0 && t1 != 0 ? t1 - t0 : 0;
        if (nouvelleSerie) {
            m_ruptures.push_back({i, Rupture::Genre::Serie, ecart});
            ++m_nbSeries;
            m_ecartPrecedent = 0;
        } else if (ecart < 0) {
            m_ruptures.push_back({i, Rupture::Genre::Recul, ecart});
            m_ecartPrecedent = 0;
        } else if (m_ecartPrecedent > 0 && ecart > 2 * m_ecartPrecedent + 2000 && ecart > 10'000) {
            // Far longer than the pace so far (a missed tick or two is no break).
            m_ruptures.push_back({i, Rupture::Genre::Saut, ecart});
            m_ecartPrecedent = 0;
        } else if (ecart > 0) {
            m_ecartPrecedent = ecart;
        }
    }
    m_vus = n;
}

int Chronologie::serie(qint64 i) const {
    int s = 1;
    for (const Rupture& r : m_ruptures) {
        if (r.index > i)
            break;
        if (r.genre == Rupture::Genre::Serie)
            ++s;
    }
    return s;
}

std::pair<qint64, qint64> Chronologie::troncon(qint64 i) const {
    const auto apres = std::upper_bound(m_ruptures.begin(), m_ruptures.end(), i,
                                        [](qint64 v, const Rupture& r) { return v < r.index; });
    const qint64 debut = apres == m_ruptures.begin() ? m_premier : std::prev(apres)->index;
    const qint64 fin = apres == m_ruptures.end() ? m_vus : apres->index - 1;
    return {debut, fin};
}

std::optional<qint64> Chronologie::indexA(const core::Magasin& m, qint64 instantMs) const {
    if (m_vus < m_premier)
        return std::nullopt;
    // A time in a gap between stretches goes to the first sample after it.
    std::optional<qint64> apres;
    qint64 debut = m_premier;
    for (size_t k = 0; k <= m_ruptures.size(); ++k) {
        const qint64 fin = k < m_ruptures.size() ? m_ruptures[k].index - 1 : m_vus;
        // Times only go forward within a stretch; samples without a time are skipped.
        qint64 a = debut, b = fin;
        while (a <= b && m.instant(a) == 0)
            ++a;
        while (b >= a && m.instant(b) == 0)
            --b;
        if (a <= b && m.instant(a) > instantMs && (!apres || m.instant(a) < m.instant(*apres)))
            apres = a;
        if (a <= b && m.instant(a) <= instantMs && instantMs <= m.instant(b)) {
            qint64 lo = a, hi = b;
            while (lo < hi) {
                const qint64 mid = lo + (hi - lo) / 2;
                if (m.instant(mid) < instantMs)
                    lo = mid + 1;
                else
                    hi = mid;
            }
            return lo;
        }
        if (k < m_ruptures.size())
            debut = m_ruptures[k].index;
    }
    return apres;
}

} // namespace graph
