#pragma once

#include <QtGlobal>

#include <deque>
#include <utility>

namespace publication {

/// What was handed to the client and waits for the broker's acknowledgement, in the
/// order sent. Acknowledgements may come in any order; what they free is taken in
/// order only, so that a cursor moved over it never passes a message still in
/// flight.
template <class Ligne> class EnVol {
public:
    void ajoute(int mid, qint64 envoiMs, Ligne l) {
        m_file.push_back({mid, false, envoiMs, std::move(l)});
    }
    /// Marks message `mid` acknowledged, and gives `libere` each line now
    /// acknowledged in order. False when `mid` is not one of these.
    template <class F> bool acquitte(int mid, F&& libere) {
        bool trouve = false;
        for (Message& m : m_file)
            if (m.mid == mid) {
                m.acquitte = trouve = true;
                break;
            }
        while (!m_file.empty() && m_file.front().acquitte) {
            libere(m_file.front().ligne);
            m_file.pop_front();
        }
        return trouve;
    }
    /// How long the oldest message not acknowledged has waited, ms (0: none).
    qint64 attenteMs(qint64 maintenantMs) const {
        for (const Message& m : m_file)
            if (!m.acquitte)
                return maintenantMs - m.envoiMs;
        return 0;
    }
    size_t size() const { return m_file.size(); }
    bool empty() const { return m_file.empty(); }
    void clear() { m_file.clear(); }

private:
    struct Message {
        int mid = 0;
        bool acquitte = false;
        qint64 envoiMs = 0;
        Ligne ligne;
    };
    std::deque<Message> m_file;
};

} // namespace publication
