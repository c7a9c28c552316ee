#pragma once

namespace sources {

/// The three board operations the program uses, in the board library's own terms.
class PiloteCarte {
public:
    virtual ~PiloteCarte() = default;
    /// Opens the board at an address; the result is not relied on.
    virtual long OpenDevice(long adresse) = 0;
    /// Writes the two analog inputs' readings (0 to 255).
    virtual void ReadAllAnalog(long* entree1, long* entree2) = 0;
    virtual void CloseDevice() = 0;
};

} // namespace sources
