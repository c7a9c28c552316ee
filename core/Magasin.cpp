#include "core/Magasin.h"

#include "core/Horodatage.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace core {

namespace {
// Values: a code per sample while the distinct values fit in 16 bits.
constexpr size_t kCodesMax = 65535;
constexpr int kBitsTable = 17; // twice as many slots as codes
constexpr size_t kTailleTable = size_t(1) << kBitsTable;

// Instants: a base per run of kParBase samples, a 32-bit step from it per sample,
// centred so that a clock set back a little still fits.
constexpr size_t kParBase = 256;
constexpr qint64 kCentre = qint64(1) << 31;
constexpr uint32_t kInconnu = 0xFFFFFFFF;  // no date and time
constexpr uint32_t kAilleurs = 0xFFFFFFFE; // too far from the base: in m_horsBase
constexpr qint64 kSansBase = std::numeric_limits<qint64>::min();

// Summary: the first level over kPremierEventail samples, kEventail runs above.
constexpr unsigned kBitsPremier = 6;
constexpr unsigned kBitsEventail = 4;
constexpr size_t kPremierEventail = size_t(1) << kBitsPremier;
constexpr size_t kEventail = size_t(1) << kBitsEventail;

// The oldest leave by slices that keep every run aligned (bases, line blocks, summary).
constexpr qint64 kAlignement = 1024;

uint64_t bitsDe(double v) {
    uint64_t b;
    std::memcpy(&b, &v, sizeof b);
    return b;
}

// A quick check of a line's text, eight bytes at a time.
uint64_t melange(uint64_t h, QByteArrayView l) {
    const char* p = l.data();
    qsizetype n = l.size();
    // Two lanes, so that the multiplications do not wait on each other.
    uint64_t a = h ^ static_cast<uint64_t>(n), b = 0x9E3779B97F4A7C15ULL;
    while (n >= 16) {
        uint64_t u, v;
        std::memcpy(&u, p, 8);
        std::memcpy(&v, p + 8, 8);
        a = (a ^ u) * 0xFF51AFD7ED558CCDULL;
        b = (b ^ v) * 0xC4CEB9FE1A85EC53ULL;
        p += 16;
        n -= 16;
    }
    // The last 1 to 15 bytes in two loads that may overlap, not copies of a length
    // known only here (each a call to memcpy); the length went in above.
    uint64_t u = 0, v = 0;
    if (n >= 8) {
        std::memcpy(&u, p, 8);
        std::memcpy(&v, p + n - 8, 8);
    } else if (n >= 4) {
        uint32_t x, y;
        std::memcpy(&x, p, 4);
        std::memcpy(&y, p + n - 4, 4);
        u = x;
        v = y;
    } else if (n > 0) {
        u = static_cast<uint64_t>(static_cast<unsigned char>(p[0])) << 16 |
            static_cast<uint64_t>(static_cast<unsigned char>(p[n / 2])) << 8 |
            static_cast<unsigned char>(p[n - 1]);
    }
    a = (a ^ u) * 0xFF51AFD7ED558CCDULL;
    b = (b ^ v) * 0xC4CEB9FE1A85EC53ULL;
    const uint64_t r = (a ^ (b >> 31) ^ (b << 33)) * 0x9E3779B97F4A7C15ULL;
    return r ^ (r >> 29);
}
} // namespace

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

// The lines of a store that keeps them itself, one after the other, each ended by "\n".
class Magasin::Memoire : public SourceLignes {
public:
    QByteArray texte;
    QByteArray lit(qint64 position, qint64 longueur) const override {
        if (position < 0 || position >= texte.size())
            return {};
        return texte.mid(position, longueur);
    }
};

Magasin::Magasin(qint64 capacite) : m_capacite(std::max<qint64>(capacite, 2 * kAlignement)) {}

Magasin::~Magasin() = default;

void Magasin::vide() {
    const bool beaucoup = octets() > 8 * 1024 * 1024;
    m_premier = 1;
    m_n = 0;
    m_codes.vide();
    m_reels.vide();
    std::vector<double>().swap(m_dico);
    std::vector<uint32_t>().swap(m_table);
    m_ecarts.vide();
    m_bases.vide();
    std::unordered_map<qint64, qint64>().swap(m_horsBase);
    m_source.reset();
    m_memoire.reset();
    m_blocs.vide();
    {
        std::lock_guard<std::mutex> v(m_verrou);
        m_lues = Lues();
    }
    std::vector<std::vector<Resume>>().swap(m_resume);
    m_debutsSeries.clear();
    m_marqueurErreur = 0;
    LigneEntete.clear();
#ifdef __GLIBC__
    // Many blocks freed stay with the process unless the heap is trimmed.
    if (beaucoup)
        malloc_trim(0);
#endif
}

void Magasin::echange(Magasin& autre) {
    if (&autre == this)
        return;
    using std::swap;
    swap(m_premier, autre.m_premier);
    swap(m_n, autre.m_n);
    swap(m_codes, autre.m_codes);
    swap(m_reels, autre.m_reels);
    swap(m_dico, autre.m_dico);
    swap(m_table, autre.m_table);
    swap(m_ecarts, autre.m_ecarts);
    swap(m_bases, autre.m_bases);
    swap(m_horsBase, autre.m_horsBase);
    swap(m_source, autre.m_source);
    swap(m_memoire, autre.m_memoire);
    swap(m_blocs, autre.m_blocs);
    swap(m_controleAvant, autre.m_controleAvant);
    swap(m_resume, autre.m_resume);
    swap(m_debutsSeries, autre.m_debutsSeries);
    swap(m_marqueurErreur, autre.m_marqueurErreur);
    swap(LigneEntete, autre.LigneEntete);
    swap(donneesChargees, autre.donneesChargees);
    std::scoped_lock verrous(m_verrou, autre.m_verrou);
    swap(m_lues, autre.m_lues);
}

void Magasin::ajouteValeur(double valeur) {
    if (!m_reels.empty()) {
        m_reels.push_back(valeur);
        return;
    }
    if (m_table.empty())
        m_table.assign(kTailleTable, 0);
    const uint64_t b = bitsDe(valeur);
    size_t k = static_cast<size_t>((b * 0x9E3779B97F4A7C15ULL) >> (64 - kBitsTable));
    for (;; k = (k + 1) & (kTailleTable - 1)) {
        const uint32_t c = m_table[k];
        if (c == 0)
            break;
        if (bitsDe(m_dico[c - 1]) == b) {
            m_codes.push_back(static_cast<uint16_t>(c - 1));
            return;
        }
    }
    if (m_dico.size() < kCodesMax) {
        m_dico.push_back(valeur);
        m_table[k] = static_cast<uint32_t>(m_dico.size());
        m_codes.push_back(static_cast<uint16_t>(m_dico.size() - 1));
        return;
    }
    // More distinct values than codes: every value is kept whole from now on.
    Colonne<double> reels;
    for (size_t i = 0; i < m_codes.size(); ++i)
        reels.push_back(m_dico[m_codes[i]]);
    reels.push_back(valeur);
    m_codes.vide();
    std::vector<double>().swap(m_dico);
    std::vector<uint32_t>().swap(m_table);
    m_reels = std::move(reels);
}

void Magasin::ajouteInstant(qint64 ms) {
    const size_t p = m_ecarts.size();
    if (p / kParBase == m_bases.size())
        m_bases.push_back(kSansBase);
    if (ms == 0) {
        m_ecarts.push_back(kInconnu);
        return;
    }
    qint64& base = m_bases.back();
    if (base == kSansBase)
        base = ms;
    const qint64 e = ms - base + kCentre;
    if (e >= 0 && e < kAilleurs) {
        m_ecarts.push_back(static_cast<uint32_t>(e));
        return;
    }
    m_horsBase[m_premier + static_cast<qint64>(p)] = ms;
    m_ecarts.push_back(kAilleurs);
}

qint64 Magasin::instantA(size_t p) const {
    const uint32_t e = m_ecarts[p];
    if (e == kInconnu)
        return 0;
    if (e == kAilleurs) {
        const auto it = m_horsBase.find(m_premier + static_cast<qint64>(p));
        return it == m_horsBase.end() ? 0 : it->second;
    }
    return m_bases[p / kParBase] + static_cast<qint64>(e) - kCentre;
}

void Magasin::ajoute(double valeur, const QDateTime& instant) {
    const size_t avant = static_cast<size_t>(taille());
    try {
        ajouteInstant(instant.toMSecsSinceEpoch());
        ajouteValeur(valeur);
        apresAjout();
    } catch (const std::bad_alloc&) {
        annuleAjout(avant);
        throw;
    }
}

// After a failed allocation: the store goes back to its first `n` samples, whole.
void Magasin::annuleAjout(size_t n) {
    m_n = static_cast<qint64>(n);
    if (m_reels.empty())
        m_codes.tronque(n);
    else
        m_reels.tronque(n);
    m_ecarts.tronque(n);
    m_bases.tronque((n + kParBase - 1) / kParBase);
    m_horsBase.erase(m_premier + static_cast<qint64>(n));
    if (!m_blocs.empty()) {
        m_blocs.tronque((n + static_cast<size_t>(kLignesParBloc) - 1) /
                        static_cast<size_t>(kLignesParBloc));
        // The check of a block begun earlier counted the line that was not kept.
        if (n % kLignesParBloc != 0 && !m_blocs.empty())
            m_blocs.back().controle = m_controleAvant;
    }
    // The summary's last run of each level is made again: from the samples held on
    // the first level, from the whole runs below on the others.
    size_t entiers = 0; // whole runs of the level below
    for (size_t k = 0; k < m_resume.size(); ++k) {
        std::vector<Resume>& l = m_resume[k];
        const size_t g = k == 0 ? kPremierEventail : kEventail;
        const size_t elements = k == 0 ? n : entiers;
        l.resize(std::min(l.size(), (elements + g - 1) / g));
        entiers = elements / g;
        if (l.empty())
            continue;
        const size_t de = (l.size() - 1) * g;
        for (size_t q = de; q < std::min(elements, de + g); ++q) {
            Resume un{};
            if (k == 0) {
                const double w = valeurA(q);
                const auto pq = static_cast<uint32_t>(q);
                un = Resume{w, w, pq, pq, w, w * w};
            } else {
                un = m_resume[k - 1][q];
            }
            if (q == de)
                l.back() = un;
            else
                etend(l.back(), un);
        }
    }
}

void Magasin::ajouteLigne(double valeur, QByteArrayView ligne, qint64 instantMs) {
    if (!m_memoire) {
        m_memoire = std::make_shared<Memoire>();
        m_source = m_memoire;
    }
    const qint64 position = m_memoire->texte.size();
    m_memoire->texte.append(ligne.first(std::min(ligne.size(), kLongueurMax)));
    m_memoire->texte.append('\n');
    ajouteLu(valeur, instantMs, position, ligne);
}

void Magasin::prevoit(qint64 n) {
    // The summary's first level is the only large vector: reserved, it is never copied
    // as it grows (the columns grow block by block).
    if (n <= 0)
        return;
    if (m_resume.empty())
        m_resume.emplace_back();
    m_resume[0].reserve(static_cast<size_t>(n) / kPremierEventail + 1);
}

void Magasin::setSource(std::shared_ptr<const SourceLignes> source) {
    m_memoire.reset();
    m_source = std::move(source);
    std::lock_guard<std::mutex> v(m_verrou);
    m_lues = Lues();
}

void Magasin::ajouteLigneLue(qint64 position, QByteArrayView ligne) {
    const size_t p = m_ecarts.size();
    if (p % kLignesParBloc == 0)
        m_blocs.push_back({position, 0});
    m_blocs.back().controle = melange(m_blocs.back().controle, ligne);
}

void Magasin::ajouteLu(double valeur, qint64 instantMs, qint64 position, QByteArrayView ligne) {
    ligne = ligne.first(std::min(ligne.size(), kLongueurMax));
    const size_t avant = static_cast<size_t>(taille());
    m_controleAvant = m_blocs.empty() || avant % kLignesParBloc == 0 ? 0 : m_blocs.back().controle;
    try {
        ajouteLigneLue(position, ligne);
        ajouteInstant(instantMs);
        ajouteValeur(valeur);
        apresAjout();
    } catch (const std::bad_alloc&) {
        annuleAjout(avant);
        throw;
    }
}

void Magasin::apresAjout() {
    ++m_n;
    ajouteAuResume(static_cast<size_t>(m_n - 1));
    // A recording keeps its latest samples (its file keeps them all); a loaded file
    // is kept whole, as far as memory goes.
    if (taille() > m_capacite && m_blocs.empty())
        retireAnciens();
}

void Magasin::retireAnciens() {
    // A slice at a time, so that the summary is rebuilt rarely.
    const qint64 n = std::max(kAlignement, m_capacite / 64 / kAlignement * kAlignement);
    const auto un = static_cast<size_t>(n);
    if (m_reels.empty())
        m_codes.retireDebut(un);
    else
        m_reels.retireDebut(un);
    m_ecarts.retireDebut(un);
    m_bases.retireDebut(un / kParBase);
    m_blocs.retireDebut(un / static_cast<size_t>(kLignesParBloc));
    m_premier += n;
    m_n -= n;
    for (auto it = m_horsBase.begin(); it != m_horsBase.end();)
        it = it->first < m_premier ? m_horsBase.erase(it) : std::next(it);
    {
        std::lock_guard<std::mutex> v(m_verrou);
        m_lues = Lues();
    }
    reconstruitResume();
}

qint64 Magasin::instantMs(qint64 i) const {
    // A loaded sample has its line; its instant is read, not stamped.
    return m_blocs.empty() ? instant(i) : 0;
}

qint64 Magasin::instant(qint64 i) const {
    const qint64 p = i - m_premier;
    if (p < 0 || p >= taille())
        return 0;
    return instantA(static_cast<size_t>(p));
}

QString Magasin::TabDate(qint64 i) const {
    const qint64 ms = instantMs(i);
    return ms == 0 ? QString() : formatDate(QDateTime::fromMSecsSinceEpoch(ms).date());
}

QString Magasin::TabHeure(qint64 i) const {
    const qint64 ms = instantMs(i);
    return ms == 0 ? QString() : formatHeure(QDateTime::fromMSecsSinceEpoch(ms).time());
}

// Reads block `bloc` of lines back from the source and checks it against what was
// loaded. A line is what a load keeps of it: without its line end, cut at kLongueurMax.
bool Magasin::litBloc(qint64 bloc, Lues& lues) const {
    if (!m_source)
        return false;
    const qint64 nb = std::min<qint64>(kLignesParBloc, taille() - bloc * kLignesParBloc);
    qint64 position = m_blocs[static_cast<size_t>(bloc)].position;
    // A block but the last is read in one go: it ends where the next begins.
    const auto suivant = static_cast<size_t>(bloc) + 1;
    const qint64 premiereLecture =
        suivant < m_blocs.size() ? m_blocs[suivant].position - position : 16384;
    QByteArray tampon;
    qsizetype i = 0;
    lues.bloc = bloc;
    lues.texte.clear();
    lues.debuts.clear();
    uint64_t controle = 0;
    bool finSource = false;
    for (qint64 k = 0; k < nb; ++k) {
        const qsizetype debut = lues.texte.size();
        qint64 longueur = 0; // of the whole line, without "\n"
        bool retour = false; // its last byte is "\r"
        for (;;) {
            if (i >= tampon.size()) {
                if (finSource)
                    break;
                tampon =
                    m_source->lit(position, position == m_blocs[static_cast<size_t>(bloc)].position
                                                ? std::max<qint64>(premiereLecture, 1)
                                                : 16384);
                position += tampon.size();
                i = 0;
                if (tampon.isEmpty()) {
                    finSource = true;
                    break;
                }
            }
            const qsizetype nl = tampon.indexOf('\n', i);
            const qsizetype bout = nl >= 0 ? nl : tampon.size();
            if (bout > i) {
                const qint64 garde =
                    std::min<qint64>(bout - i, std::max<qint64>(0, kLongueurMax + 1 - longueur));
                lues.texte.append(tampon.constData() + i, static_cast<qsizetype>(garde));
                retour = tampon[bout - 1] == '\r';
                longueur += bout - i;
            }
            i = bout + (nl >= 0 ? 1 : 0);
            if (nl >= 0)
                break;
        }
        if (finSource && longueur == 0)
            return false; // the file is shorter than it was
        const qint64 sansRetour = longueur - (retour ? 1 : 0);
        lues.texte.truncate(debut +
                            static_cast<qsizetype>(std::min<qint64>(sansRetour, kLongueurMax)));
        lues.debuts.push_back(debut);
        controle = melange(controle, QByteArrayView(lues.texte).sliced(debut));
    }
    lues.debuts.push_back(lues.texte.size());
    return controle == m_blocs[static_cast<size_t>(bloc)].controle;
}

QString Magasin::LignesFichier(qint64 i) const {
    return QString::fromLatin1(ligneLue(i));
}

QByteArray Magasin::ligneLue(qint64 i) const {
    const qint64 p = i - m_premier;
    if (p < 0 || p >= taille() || m_blocs.empty())
        return {};
    const qint64 bloc = p / kLignesParBloc;
    std::lock_guard<std::mutex> v(m_verrou);
    if (m_lues.bloc != bloc && !litBloc(bloc, m_lues)) {
        m_lues = Lues();
        return {};
    }
    const size_t k = static_cast<size_t>(p % kLignesParBloc);
    if (k + 1 >= m_lues.debuts.size())
        return {};
    return QByteArray(m_lues.texte.constData() + m_lues.debuts[k],
                      m_lues.debuts[k + 1] - m_lues.debuts[k]);
}

qint64 Magasin::octets() const {
    qint64 n = static_cast<qint64>(m_codes.octets() + m_reels.octets() + m_ecarts.octets() +
                                   m_bases.octets() + m_blocs.octets());
    n += static_cast<qint64>(m_dico.capacity() * sizeof(double) +
                             m_table.capacity() * sizeof(uint32_t));
    n += static_cast<qint64>(m_horsBase.size() * 32);
    if (m_memoire)
        n += m_memoire->texte.capacity();
    for (const auto& niveau : m_resume)
        n += static_cast<qint64>(niveau.capacity() * sizeof(Resume));
    return n;
}

// A run of a level is only read once whole (a query takes a run only when it covers
// it all, and samples are only ever added at the end): each sample goes into its run
// of the first level, and a run goes into the level above once it is whole.
void Magasin::ajouteAuResume(size_t position) {
    const double v = valeurA(position);
    const auto p = static_cast<uint32_t>(position);
    const Resume un{v, v, p, p, v, v * v};
    if (m_resume.empty())
        m_resume.emplace_back();
    std::vector<Resume>& premier = m_resume[0];
    const size_t rang = position & (kPremierEventail - 1);
    if (rang == 0)
        premier.push_back(un);
    else
        etend(premier.back(), un);
    if (rang != kPremierEventail - 1)
        return;
    for (size_t niveau = 1;; ++niveau) {
        const std::vector<Resume>& dessous = m_resume[niveau - 1];
        const size_t r = dessous.size() - 1; // the run just made whole
        if (niveau == m_resume.size()) {
            // A level is only worth having once it holds more than one run.
            if (dessous.size() <= kEventail)
                return;
            std::vector<Resume> l;
            l.reserve(dessous.size() / kEventail + 1);
            for (size_t q = 0; q < dessous.size(); ++q) {
                if (q % kEventail == 0)
                    l.push_back(dessous[q]);
                else
                    etend(l.back(), dessous[q]);
            }
            m_resume.push_back(std::move(l));
            return;
        }
        std::vector<Resume>& l = m_resume[niveau];
        const size_t k = r & (kEventail - 1);
        if (k == 0)
            l.push_back(dessous[r]);
        else
            etend(l.back(), dessous[r]);
        if (k != kEventail - 1)
            return;
    }
}

void Magasin::reconstruitResume() {
    m_resume.clear();
    const auto n = static_cast<size_t>(taille());
    for (size_t p = 0; p < n; ++p)
        ajouteAuResume(p);
}

namespace {
// Extremes and sums gathered by a query, by position in the columns. Parts of a
// range are not visited in order: of equal extremes, the earliest wins.
struct Cumul {
    double min = 0, max = 0;
    qint64 iMin = -1, iMax = -1;
    double somme = 0, carres = 0;
    void ajoute(double v, qint64 p) {
        if (iMin < 0 || v < min || (v == min && p < iMin)) {
            min = v;
            iMin = p;
        }
        if (iMax < 0 || v > max || (v == max && p < iMax)) {
            max = v;
            iMax = p;
        }
        somme += v;
        carres += v * v;
    }
    template <typename R> void ajoute(const R& b) {
        const auto bMin = static_cast<qint64>(b.iMin), bMax = static_cast<qint64>(b.iMax);
        if (iMin < 0 || b.min < min || (b.min == min && bMin < iMin)) {
            min = b.min;
            iMin = bMin;
        }
        if (iMax < 0 || b.max > max || (b.max == max && bMax < iMax)) {
            max = b.max;
            iMax = bMax;
        }
        somme += b.somme;
        carres += b.carres;
    }
};
} // namespace

MinMax Magasin::minMax(qint64 a, qint64 b) const {
    return statistiques(a, b).extremes;
}

Statistiques Magasin::statistiques(qint64 a, qint64 b) const {
    Statistiques st;
    // The marker of a damaged file ends the samples and is no reading.
    if (m_marqueurErreur > 0)
        b = std::min(b, m_marqueurErreur - 1);
    const qint64 premier = std::max<qint64>(a - m_premier, 0);
    const qint64 dernier = std::min<qint64>(b - m_premier, taille() - 1);
    if (premier > dernier)
        return st;
    Cumul c;
    // Samples de..a one by one, or runs of a level.
    const auto elements = [&](size_t niveau, qint64 de, qint64 jusqua) {
        if (de > jusqua)
            return;
        if (niveau == 0) {
            if (m_reels.empty()) {
                for (qint64 k = de; k <= jusqua; ++k)
                    c.ajoute(m_dico[m_codes[static_cast<size_t>(k)]], k);
            } else {
                for (qint64 k = de; k <= jusqua; ++k)
                    c.ajoute(m_reels[static_cast<size_t>(k)], k);
            }
            return;
        }
        const std::vector<Resume>& l = m_resume[niveau - 1];
        for (qint64 k = de; k <= jusqua; ++k)
            c.ajoute(l[static_cast<size_t>(k)]);
    };
    // Loose ends one by one, whole runs from the level above.
    qint64 de = premier, jusqua = dernier;
    for (size_t niveau = 0;; ++niveau) {
        if (niveau >= m_resume.size()) {
            elements(niveau, de, jusqua);
            break;
        }
        const unsigned bits = niveau == 0 ? kBitsPremier : kBitsEventail;
        const qint64 masque = (qint64(1) << bits) - 1;
        qint64 x = de, y = jusqua;
        while (x <= y && (x & masque) != 0)
            ++x;
        while (y >= x && ((y + 1) & masque) != 0)
            --y;
        elements(niveau, de, std::min(x, jusqua + 1) - 1);
        elements(niveau, std::max(y + 1, x), jusqua);
        if (x > y)
            break;
        de = x >> bits;
        jusqua = y >> bits;
    }
    st.extremes.min = c.min;
    st.extremes.max = c.max;
    st.extremes.iMin = m_premier + c.iMin;
    st.extremes.iMax = m_premier + c.iMax;
    st.n = dernier - premier + 1;
    st.premier = m_premier + premier;
    st.dernier = m_premier + dernier;
    st.moyenne = c.somme / static_cast<double>(st.n);
    const double variance = c.carres / static_cast<double>(st.n) - st.moyenne * st.moyenne;
    st.ecartType = variance > 0 ? std::sqrt(variance) : 0.0;
    return st;
}

} // namespace core
