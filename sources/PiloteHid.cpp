#include "sources/PiloteHid.h"

#include <hidapi.h>

namespace sources {

std::optional<std::pair<int, int>> decodeRapport(const uint8_t* octets, size_t n) {
    if (octets == nullptr || n < 8)
        return std::nullopt;
    return std::make_pair(static_cast<int>(octets[2]), static_cast<int>(octets[3]));
}

PiloteHid::PiloteHid() {
    m_init = hid_init() == 0;
}

PiloteHid::~PiloteHid() {
    ferme();
    if (m_init)
        hid_exit();
}

bool PiloteHid::ouvre(long adresse) {
    if (!m_init || adresse < 0 || adresse > 3)
        return false;
    ferme();
    m_dev = hid_open(kVendeurCarte, static_cast<unsigned short>(kProduitCarte + adresse), nullptr);
    return m_dev != nullptr;
}

std::optional<int> PiloteHid::litEntree1() {
    if (!m_dev)
        return std::nullopt;
    // The board sends a report every few milliseconds; wait briefly for a fresh one.
    uint8_t rapport[8] = {};
    const int n = hid_read_timeout(m_dev, rapport, sizeof rapport, 50);
    if (n <= 0)
        return std::nullopt;
    if (auto v = decodeRapport(rapport, static_cast<size_t>(n)))
        return v->first;
    return std::nullopt;
}

void PiloteHid::ferme() {
    if (m_dev) {
        hid_close(m_dev);
        m_dev = nullptr;
    }
}

} // namespace sources
