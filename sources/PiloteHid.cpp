#include "PiloteHid.h"

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
    CloseDevice();
    if (m_init)
        hid_exit();
}

long PiloteHid::OpenDevice(long adresse) {
    if (!m_init || adresse < 0 || adresse > 3)
        return -1;
    CloseDevice();
    m_dev = hid_open(kVendeurCarte, static_cast<unsigned short>(kProduitCarte + adresse), nullptr);
    return m_dev ? adresse : -1;
}

void PiloteHid::ReadAllAnalog(long* entree1, long* entree2) {
    if (!m_dev)
        return;
    // The board sends a report every few milliseconds; wait briefly for a fresh one
    // and keep the caller's values when none comes.
    uint8_t rapport[8] = {};
    const int n = hid_read_timeout(m_dev, rapport, sizeof rapport, 50);
    if (n <= 0)
        return;
    if (auto v = decodeRapport(rapport, static_cast<size_t>(n))) {
        *entree1 = v->first;
        *entree2 = v->second;
    }
}

void PiloteHid::CloseDevice() {
    if (m_dev) {
        hid_close(m_dev);
        m_dev = nullptr;
    }
}

} // namespace sources
