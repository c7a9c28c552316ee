#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <cstdint>
#include <deque>
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

/// The sample store: one recording or one loaded file. Samples are numbered from
/// 1 to NbMesures(); index 0 is the starting point 0. A recorded sample keeps its
/// value and time stamp (the date and time texts are made when shown); a loaded
/// one keeps its value and its line as read. Past kCapacite samples the oldest
/// leave the store (never the record file), and premier() tells the first one kept.
/// A min/max summary kept as samples arrive answers "lowest and highest between
/// i and j" without a pass over the range, so a trace of millions of samples is
/// drawn in time proportional to its width.
class Magasin {
public:
    /// Samples kept: 31 days at one a second, and a little more.
    static constexpr qint64 kCapacite = 2'700'000;

    Magasin();

    /// Empties the store and gives its memory back.
    void vide();
    /// Stores a recorded sample after the last one.
    void ajoute(double valeur, const QDateTime& instant);
    /// Stores a loaded sample after the last one, with its line as read (without
    /// its line end) and the instant its date and time stand for (ms since the
    /// epoch, 0 when they are none). Throws std::bad_alloc when memory cannot be had.
    void ajouteLigne(double valeur, QByteArrayView ligne, qint64 instantMs = 0);
    /// The next loaded sample begins a new run (its record number starts again).
    void debuteSerie() { m_debutsSeries.push_back(NbMesures() + 1); }
    /// The samples that begin a run after the first, in order (indices may be
    /// below premier() once the oldest have left).
    const std::vector<qint64>& debutsSeries() const { return m_debutsSeries; }

    /// Index of the last stored sample; 0 means none.
    qint64 NbMesures() const { return m_premier + static_cast<qint64>(m_valeurs.size()) - 1; }
    /// Index of the first sample still held (1 until the oldest leave).
    qint64 premier() const { return m_premier; }
    /// Number of samples that left the store since it was last emptied.
    qint64 retires() const { return m_premier - 1; }

    /// Value of sample i (the starting point 0 at index 0 and for samples that left).
    double valeur(qint64 i) const;
    /// Date of sample i, "mm-dd-yyyy", and its time, "hh:mm:ss"; empty for a loaded one.
    QString TabDate(qint64 i) const;
    QString TabHeure(qint64 i) const;
    /// Time stamp of sample i, in ms since the epoch; 0 for a loaded one.
    qint64 instantMs(qint64 i) const;
    /// When sample i was taken, in ms since the epoch: its time stamp, or the date
    /// and time of its loaded line; 0 when unknown.
    qint64 instant(qint64 i) const;
    /// Line of loaded sample i as read.
    QString LignesFichier(qint64 i) const;

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
    struct Echantillon {
        double valeur;
        qint64 instantMs;
    };
    struct RefLigne {
        uint32_t bloc;
        uint32_t debut;
        uint32_t longueur;
    };
    struct Resume {
        double min, max;
        qint64 iMin, iMax; // positions in m_valeurs
        double somme, carres;
    };
    /// Sums gathered by a query beside the extremes.
    struct Sommes {
        double somme = 0;
        double carres = 0;
    };
    static constexpr int kEventail = 16;

    void ajouteAuResume(size_t position);
    void reconstruitResume();
    void retireAnciens();
    void fusionne(MinMax& r, Sommes& s, double v, qint64 position) const;
    void fusionne(MinMax& r, Sommes& s, const Resume& b) const;
    void interroge(MinMax& r, Sommes& s, size_t niveau, qint64 de, qint64 a) const;

    qint64 m_premier = 1;
    std::deque<Echantillon> m_valeurs;
    std::deque<RefLigne> m_lignes;
    std::vector<QByteArray> m_blocs;
    /// m_resume[k] summarises runs of 16^(k+1) samples.
    std::vector<std::vector<Resume>> m_resume;
    std::vector<qint64> m_debutsSeries;
};

} // namespace core
