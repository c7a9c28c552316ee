#pragma once

#include <optional>

namespace sources {

/// A way to reach the experiment board: its vendor library or the built-in driver.
class PiloteCarte {
public:
    virtual ~PiloteCarte() = default;
    /// Opens the board at an address (0 to 3); false when no board answers there.
    virtual bool ouvre(long adresse) = 0;
    /// Reading of the first analog input, 0 to 255; nullopt when none came.
    virtual std::optional<int> litEntree1() = 0;
    /// Releases the board.
    virtual void ferme() = 0;
};

} // namespace sources
