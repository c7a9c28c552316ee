#include "core/Magasin.h"

#include "core/Horodatage.h"

#include <algorithm>
#include <cmath>
#include <new>
#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace core {

namespace {
// Lines of a loaded file are packed into blocks of this size.
constexpr int kTailleBloc = 1 << 20;
} // namespace

Magasin::Magasin() = default;

void Magasin::vide() {
    const bool beaucoup = octets() > 8 * 1024 * 1024;
    m_premier = 1;
    std::deque<Echantillon>().swap(m_valeurs);
    std::deque<RefLigne>().swap(m_lignes);
    std::vector<QByteArray>().swap(m_blocs);
    std::vector<std::vector<Resume>>().swap(m_resume);
    m_debutsSeries.clear();
    LigneEntete.clear();
#ifdef __GLIBC__
    // Many blocks freed stay with the process unless the heap is trimmed.
    if (beaucoup)
        malloc_trim(0);
#endif
}

void Magasin::ajoute(double valeur, const QDateTime& instant) {
    m_valeurs.push_back({valeur, instant.toMSecsSinceEpoch()});
    ajouteAuResume(m_valeurs.size() - 1);
    if (static_cast<qint64>(m_valeurs.size()) > kCapacite)
        retireAnciens();
}

void Magasin::ajouteLigne(double valeur, QByteArrayView ligne, qint64 instantMs) {
    if (m_blocs.empty() || m_blocs.back().size() + ligne.size() > kTailleBloc) {
        m_blocs.emplace_back();
        m_blocs.back().reserve(std::max<qsizetype>(kTailleBloc, ligne.size()));
    }
    QByteArray& bloc = m_blocs.back();
    m_lignes.push_back({static_cast<uint32_t>(m_blocs.size() - 1),
                        static_cast<uint32_t>(bloc.size()), static_cast<uint32_t>(ligne.size())});
    bloc.append(ligne);
    m_valeurs.push_back({valeur, instantMs});
    ajouteAuResume(m_valeurs.size() - 1);
    if (static_cast<qint64>(m_valeurs.size()) > kCapacite)
        retireAnciens();
}

void Magasin::retireAnciens() {
    // A slice at a time, so that the summary is rebuilt rarely.
    const size_t n = std::min(m_valeurs.size(), static_cast<size_t>(kCapacite / 64));
    m_valeurs.erase(m_valeurs.begin(), m_valeurs.begin() + static_cast<long>(n));
    if (!m_lignes.empty())
        m_lignes.erase(m_lignes.begin(),
                       m_lignes.begin() + static_cast<long>(std::min(n, m_lignes.size())));
    m_premier += static_cast<qint64>(n);
    reconstruitResume();
}

double Magasin::valeur(qint64 i) const {
    const qint64 p = i - m_premier;
    if (p < 0 || p >= static_cast<qint64>(m_valeurs.size()))
        return 0.0;
    return m_valeurs[static_cast<size_t>(p)].valeur;
}

qint64 Magasin::instantMs(qint64 i) const {
    // A loaded sample has its line; its instant is read, not stamped.
    return m_lignes.empty() ? instant(i) : 0;
}

qint64 Magasin::instant(qint64 i) const {
    const qint64 p = i - m_premier;
    if (p < 0 || p >= static_cast<qint64>(m_valeurs.size()))
        return 0;
    return m_valeurs[static_cast<size_t>(p)].instantMs;
}

QString Magasin::TabDate(qint64 i) const {
    const qint64 ms = instantMs(i);
    return ms == 0 ? QString() : formatDate(QDateTime::fromMSecsSinceEpoch(ms).date());
}

QString Magasin::TabHeure(qint64 i) const {
    const qint64 ms = instantMs(i);
    return ms == 0 ? QString() : formatHeure(QDateTime::fromMSecsSinceEpoch(ms).time());
}

QString Magasin::LignesFichier(qint64 i) const {
    const qint64 p = i - m_premier;
    if (p < 0 || p >= static_cast<qint64>(m_lignes.size()))
        return QString();
    const RefLigne& r = m_lignes[static_cast<size_t>(p)];
    return QString::fromLatin1(m_blocs[r.bloc].constData() + r.debut,
                               static_cast<qsizetype>(r.longueur));
}

qint64 Magasin::octets() const {
    qint64 n = static_cast<qint64>(m_valeurs.size() * sizeof(Echantillon) +
                                   m_lignes.size() * sizeof(RefLigne));
    for (const QByteArray& b : m_blocs)
        n += b.capacity();
    for (const auto& niveau : m_resume)
        n += static_cast<qint64>(niveau.capacity() * sizeof(Resume));
    return n;
}

namespace {
template <typename R> void etend(R& r, const R& b) {
    if (b.min < r.min) {
        r.min = b.min;
        r.iMin = b.iMin;
    }
    if (b.max > r.max) {
        r.max = b.max;
        r.iMax = b.iMax;
    }
    r.somme += b.somme;
    r.carres += b.carres;
}
} // namespace

void Magasin::ajouteAuResume(size_t position) {
    const double v = m_valeurs[position].valeur;
    const auto p = static_cast<qint64>(position);
    size_t taille = kEventail;
    for (size_t niveau = 0;; ++niveau, taille *= kEventail) {
        if (niveau == m_resume.size()) {
            // A level is only worth having once it holds more than one run.
            if (position < taille)
                return;
            // Built from the level below, for everything before this sample.
            std::vector<Resume> l;
            if (niveau == 0) {
                for (size_t q = 0; q < position; ++q) {
                    const double w = m_valeurs[q].valeur;
                    const auto pq = static_cast<qint64>(q);
                    const Resume un{w, w, pq, pq, w, w * w};
                    if (q % kEventail == 0)
                        l.push_back(un);
                    else
                        etend(l.back(), un);
                }
            } else {
                const std::vector<Resume>& dessous = m_resume[niveau - 1];
                for (size_t q = 0; q < dessous.size(); ++q) {
                    const Resume& b = dessous[q];
                    if (q % kEventail == 0)
                        l.push_back(b);
                    else
                        etend(l.back(), b);
                }
            }
            m_resume.push_back(std::move(l));
            // Built from the level below, which already holds this sample.
            if (niveau > 0)
                continue;
        }
        std::vector<Resume>& l = m_resume[niveau];
        const size_t k = position / taille;
        const Resume un{v, v, p, p, v, v * v};
        if (k >= l.size())
            l.push_back(un);
        else
            etend(l[k], un);
    }
}

void Magasin::reconstruitResume() {
    m_resume.clear();
    for (size_t p = 0; p < m_valeurs.size(); ++p)
        ajouteAuResume(p);
}

void Magasin::fusionne(MinMax& r, Sommes& s, double v, qint64 position) const {
    const qint64 i = m_premier + position;
    // Parts of a range are not visited in order: of equal extremes, the earliest wins.
    if (r.vide() || v < r.min || (v == r.min && i < r.iMin)) {
        r.min = v;
        r.iMin = i;
    }
    if (r.iMax < 0 || v > r.max || (v == r.max && i < r.iMax)) {
        r.max = v;
        r.iMax = i;
    }
    s.somme += v;
    s.carres += v * v;
}

void Magasin::fusionne(MinMax& r, Sommes& s, const Resume& b) const {
    if (r.vide() || b.min < r.min || (b.min == r.min && m_premier + b.iMin < r.iMin)) {
        r.min = b.min;
        r.iMin = m_premier + b.iMin;
    }
    if (r.iMax < 0 || b.max > r.max || (b.max == r.max && m_premier + b.iMax < r.iMax)) {
        r.max = b.max;
        r.iMax = m_premier + b.iMax;
    }
    s.somme += b.somme;
    s.carres += b.carres;
}

// Elements de..a (included) of `niveau`: samples at 0, runs of m_resume[niveau - 1] above.
void Magasin::interroge(MinMax& r, Sommes& s, size_t niveau, qint64 de, qint64 a) const {
    const auto element = [&](qint64 k) {
        if (niveau == 0)
            fusionne(r, s, m_valeurs[static_cast<size_t>(k)].valeur, k);
        else
            fusionne(r, s, m_resume[niveau - 1][static_cast<size_t>(k)]);
    };
    // Loose ends one by one, whole runs from the level above.
    if (niveau < m_resume.size()) {
        while (de <= a && de % kEventail != 0)
            element(de++);
        while (a >= de && (a + 1) % kEventail != 0)
            element(a--);
        if (de <= a)
            interroge(r, s, niveau + 1, de / kEventail, a / kEventail);
        return;
    }
    for (qint64 k = de; k <= a; ++k)
        element(k);
}

MinMax Magasin::minMax(qint64 a, qint64 b) const {
    return statistiques(a, b).extremes;
}

Statistiques Magasin::statistiques(qint64 a, qint64 b) const {
    Statistiques st;
    const qint64 de = std::max<qint64>(a - m_premier, 0);
    const qint64 jusqua =
        std::min<qint64>(b - m_premier, static_cast<qint64>(m_valeurs.size()) - 1);
    if (de > jusqua)
        return st;
    Sommes s;
    interroge(st.extremes, s, 0, de, jusqua);
    st.n = jusqua - de + 1;
    st.premier = m_premier + de;
    st.dernier = m_premier + jusqua;
    st.moyenne = s.somme / static_cast<double>(st.n);
    const double variance = s.carres / static_cast<double>(st.n) - st.moyenne * st.moyenne;
    st.ecartType = variance > 0 ? std::sqrt(variance) : 0.0;
    return st;
}

} // namespace core
