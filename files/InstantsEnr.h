#pragma once

#include <QByteArrayView>
#include <QTimeZone>

#include <optional>
#include <unordered_map>

namespace files {

/// Turns the local date and time of record lines, read in file order, into UTC
/// instants with a time zone (the system's by default). The autumn hour that the
/// clock shows twice is resolved by file order: its first pass is taken while the
/// times still move forward, the second once they would go back. A time skipped
/// by the spring change reads as if the clock had not yet moved. The zone's
/// offsets are looked up once per hour of wall-clock time, so a month of lines
/// costs a few hundred lookups.
class InstantsEnr {
public:
    explicit InstantsEnr(QTimeZone zone = QTimeZone::systemTimeZone());
    /// The instant of a line's date ("mm-dd-yyyy") and time ("hh:mm:ss") fields, in
    /// ms since the epoch; nullopt when they are not a date and a time.
    std::optional<qint64> utcMs(QByteArrayView date, QByteArrayView heure);
    /// The offset from UTC, in seconds, of the last instant read.
    int dernierDecalage() const { return m_dernierDecalage; }
    /// Reading resumes after a line already read at `utcMs` (the order that
    /// resolves the autumn hour carries over).
    void reprendApres(qint64 utcMs) {
        m_dernier = utcMs;
        m_aDernier = true;
    }

private:
    struct Heure {
        qint64 tot = 0;  ///< offset of the earlier reading, ms (the larger one)
        qint64 tard = 0; ///< offset of the later reading, ms
        int lectures = 0;
    };
    const Heure& heure(qint64 naifMs);

    QTimeZone m_zone;
    std::unordered_map<qint64, Heure> m_heures;
    // The last hour looked up and the last date read: most lines share them.
    qint64 m_cleDerniere = 0;
    const Heure* m_heureDerniere = nullptr;
    char m_dateDerniere[10] = {};
    qint64 m_jourDernier = 0;
    bool m_aJour = false;
    qint64 m_dernier = 0;
    bool m_aDernier = false;
    int m_dernierDecalage = 0;
};

} // namespace files
