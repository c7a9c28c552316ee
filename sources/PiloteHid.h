#pragma once

#include "sources/PiloteCarte.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>

struct hid_device_;

namespace sources {

/// USB vendor id of the experiment board.
constexpr unsigned short kVendeurCarte = 0x10CF;
/// Product id of the board at address 0; address a answers as 0x5500 + a.
constexpr unsigned short kProduitCarte = 0x5500;

/// The two analog inputs carried by one 8-byte input report (bytes 2 and 3).
std::optional<std::pair<int, int>> decodeRapport(const uint8_t* octets, size_t n);

/// Built-in board driver on hidapi, used when the vendor library is absent.
class PiloteHid : public PiloteCarte {
public:
    PiloteHid();
    ~PiloteHid() override;

    bool ouvre(long adresse) override;
    std::optional<int> litEntree1() override;
    void ferme() override;

private:
    hid_device_* m_dev = nullptr;
    bool m_init = false;
};

} // namespace sources
