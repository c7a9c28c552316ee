#pragma once

#include "core/Colonne.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace core {

/// The lowest and highest value over a range of samples, with where they are.
struct MinMax {
    double min = 0;
    double max = 0;
    qint64 iMin = -1; ///< index of the lowest value; -1 for an empty range
    qint64 iMax = -1; ///< index of the highest value
    bool vide() const { return iMin < 0; }
};

/// Figures of a range of samples.
struct Statistiques {
    qint64 n = 0;         ///< samples in the range
    MinMax extremes;      ///< lowest and highest, with where they are
    double moyenne = 0;   ///< mean
    double ecartType = 0; ///< standard deviation (of the population)
    qint64 premier = -1;  ///< first and last index of the range
    qint64 dernier = -1;
};

/// Where the lines of a loaded file are read back from: the bytes of the stream the
/// file was loaded from, by their position in it. Read from any thread.
class SourceLignes {
public:
    virtual ~SourceLignes() = default;
    /// Up to `longueur` bytes from `position`; fewer at the end, none when unreadable.
    virtual QByteArray lit(qint64 position, qint64 longueur) const = 0;
};

/// The sample store: one recording or one loaded file. Samples are numbered from
/// 1 to NbMesures(); index 0 is the starting point 0. Each sample keeps its value
/// and its instant in compact columns: values as a 2-byte code into the distinct
/// values met (while there are at most 65,535 of them, as a device's readings
/// give), exact doubles past that; instants as a 4-byte step from a base shared by
/// 256 samples. A loaded sample's line is not kept: the store keeps where each run
/// of 64 lines starts in the file, with a check of their text, and reads the line
/// back when it is asked for. Past capacite() samples the oldest of a recording
/// leave the store (never the record file), and premier() tells the first one kept;
/// a loaded file is kept whole.
/// A min/max summary in levels answers "lowest and highest between i and j" without
/// a pass over the range, so a trace of millions of samples is drawn in time
/// proportional to its width.
class Magasin {
public:
    /// Samples a recording keeps: more than a year at one a second.
    static constexpr qint64 kCapacite = 40'000'000;
    /// Lines read back together (and checked together).
    static constexpr qint64 kLignesParBloc = 64;
    /// Longest line kept, as a load cuts it.
    static constexpr qsizetype kLongueurMax = 4096;

    explicit Magasin(qint64 capacite = kCapacite);
    ~Magasin();
    Magasin(const Magasin&) = delete;
    Magasin& operator=(const Magasin&) = delete;

    /// Empties the store and gives its memory back.
    void vide();
    /// Takes the samples, lines and header of `autre`, which takes these; each
    /// keeps its capacity. Neither may be in use on another thread meanwhile.
    void echange(Magasin& autre);
    /// Stores a recorded sample after the last one.
    void ajoute(double valeur, const QDateTime& instant);
    /// Stores a loaded sample after the last one, its line (without its line end)
    /// kept by the store itself, and the instant its date and time stand for (ms
    /// since the epoch, 0 when they are none). Throws std::bad_alloc when memory
    /// cannot be had.
    void ajouteLigne(double valeur, QByteArrayView ligne, qint64 instantMs = 0);
    /// Stores a loaded sample after the last one whose line (`ligne`, without its end
    /// and cut at kLongueurMax) begins at byte `position` of the stream set by
    /// setSource(); positions only grow. Throws std::bad_alloc.
    void ajouteLu(double valeur, qint64 instantMs, qint64 position, QByteArrayView ligne);
    /// About `n` samples are coming (a hint, from a file's size): memory is set aside.
    void prevoit(qint64 n);
    /// Where ajouteLu's lines are read back from.
    void setSource(std::shared_ptr<const SourceLignes> source);
    /// The next loaded sample begins a new run (its record number starts again).
    void debuteSerie() { m_debutsSeries.push_back(NbMesures() + 1); }
    /// The samples that begin a run after the first, in order (indices may be
    /// below premier() once the oldest have left).
    const std::vector<qint64>& debutsSeries() const { return m_debutsSeries; }
    /// The sample that marks where a damaged file stopped loading (listed with -1,
    /// never a reading); 0 when there is none.
    qint64 marqueurErreur() const { return m_marqueurErreur; }
    void setMarqueurErreur(qint64 i) { m_marqueurErreur = i; }

    /// Index of the last stored sample; 0 means none.
    qint64 NbMesures() const { return m_premier + taille() - 1; }
    /// Index of the first sample still held (1 until the oldest leave).
    qint64 premier() const { return m_premier; }
    /// Number of samples that left the store since it was last emptied.
    qint64 retires() const { return m_premier - 1; }
    /// Samples a recording holds before its oldest leave.
    qint64 capacite() const { return m_capacite; }

    /// Value of sample i (the starting point 0 at index 0 and for samples that left).
    double valeur(qint64 i) const {
        const qint64 p = i - m_premier;
        if (p < 0 || p >= taille())
            return 0.0;
        return valeurA(static_cast<size_t>(p));
    }
    /// Date of sample i, "mm-dd-yyyy", and its time, "hh:mm:ss"; empty for a loaded one.
    QString TabDate(qint64 i) const;
    QString TabHeure(qint64 i) const;
    /// Time stamp of sample i, in ms since the epoch; 0 for a loaded one.
    qint64 instantMs(qint64 i) const;
    /// When sample i was taken, in ms since the epoch: its time stamp, or the date
    /// and time of its loaded line; 0 when unknown.
    qint64 instant(qint64 i) const;
    /// Line of loaded sample i as read; empty when it cannot be read back as it was
    /// (the file changed since it was loaded).
    QString LignesFichier(qint64 i) const;
    /// The same line as bytes (Latin-1 as read).
    QByteArray ligneLue(qint64 i) const;

    /// Lowest and highest value of samples a to b (both included, clamped to the
    /// samples held).
    MinMax minMax(qint64 a, qint64 b) const;
    /// Count, extremes, mean and standard deviation of samples a to b (clamped to
    /// the samples held), from the summary: no pass over the range.
    Statistiques statistiques(qint64 a, qint64 b) const;

    /// First line of the last loaded record file.
    QString LigneEntete;
    /// True while the store shows a loaded file rather than recorded samples;
    /// selects the list's line format.
    bool donneesChargees = false;

    /// Memory the samples take, in bytes (an estimate).
    qint64 octets() const;

private:
    struct Resume {
        double min, max;
        uint32_t iMin, iMax; // positions in the columns
        double somme, carres;
    };
    /// Where a run of kLignesParBloc lines starts, and a check of their text.
    struct BlocLignes {
        qint64 position;
        uint64_t controle;
    };
    /// Lines of one block as read back.
    struct Lues {
        qint64 bloc = -1;
        QByteArray texte;
        std::vector<qsizetype> debuts; // with the end of the last line after them
    };
    class Memoire;

    qint64 taille() const { return m_n; }
    double valeurA(size_t p) const { return m_reels.empty() ? m_dico[m_codes[p]] : m_reels[p]; }
    qint64 instantA(size_t p) const;
    void ajouteValeur(double valeur);
    void ajouteInstant(qint64 ms);
    void ajouteLigneLue(qint64 position, QByteArrayView ligne);
    void apresAjout();
    void annuleAjout(size_t n);
    bool litBloc(qint64 bloc, Lues& lues) const;

    void ajouteAuResume(size_t position);
    void reconstruitResume();
    void retireAnciens();

    qint64 m_capacite;
    qint64 m_premier = 1;
    qint64 m_n = 0; // samples held
    // Values: codes into m_dico while it holds every distinct value, else m_reels.
    Colonne<uint16_t> m_codes;
    Colonne<double> m_reels;
    std::vector<double> m_dico;
    std::vector<uint32_t> m_table; // open addressing: bits of a value -> code + 1
    // Instants: steps from the base of their run of 256 (see instantA).
    Colonne<uint32_t> m_ecarts;
    Colonne<qint64, 10> m_bases;
    std::unordered_map<qint64, qint64> m_horsBase; // by index: instants too far from the base
    // Lines read back from m_source.
    std::shared_ptr<const SourceLignes> m_source;
    std::shared_ptr<Memoire> m_memoire; // the source when the store keeps the lines itself
    Colonne<BlocLignes, 10> m_blocs;
    uint64_t m_controleAvant = 0; // of the last block before the line being added
    mutable std::mutex m_verrou;
    mutable Lues m_lues;
    /// m_resume[k] summarises runs of 64 * 16^k samples.
    std::vector<std::vector<Resume>> m_resume;
    std::vector<qint64> m_debutsSeries;
    qint64 m_marqueurErreur = 0;
};

} // namespace core
