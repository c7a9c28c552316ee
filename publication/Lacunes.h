#pragma once

#include <QString>

#include <vector>

namespace publication {

/// Where the samples of a record file stand for no reading, from the marks of its
/// events file: after a "source perdue" mark's record number, up to the next
/// "source revenue" mark's (or the end of the run). A run is found by its start
/// mark, at the instant of its session.
class Lacunes {
public:
    explicit Lacunes(const QString& cheminEnr);
    /// Reads the events file again when it changed since the last look.
    void actualise();
    /// Whether sample `n` of the run `session` came from a reading.
    bool lu(const QString& session, qint64 n);

private:
    struct Serie {
        qint64 debutMs = 0;
        /// Stretches (after, up to] of record numbers without a reading.
        std::vector<std::pair<qint64, qint64>> trous;
    };
    const Serie* serie(const QString& session);

    QString m_chemin;
    qint64 m_taille = -1;
    qint64 m_modifie = -1;
    std::vector<Serie> m_series;
    QString m_sessionConnue;
    const Serie* m_serieConnue = nullptr;
};

} // namespace publication
