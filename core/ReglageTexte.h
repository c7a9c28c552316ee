#pragma once

#include <QString>

#include <optional>

namespace core {

/// How a board that prints its readings as text lines is reached and read.
struct ReglageTexte {
    static constexpr int kVitesseDefaut = 9600;
    static constexpr int kVitesseMin = 300;
    static constexpr int kVitesseMax = 2000000;
    static constexpr int kEtiquetteMax = 32;

    /// The serial port: a name ("ttyACM0"), a device path or a link that survives
    /// re-plugging ("/dev/serial/by-id/…").
    QString port;
    /// Bits per second; 8 data bits, no parity, one stop bit.
    int vitesse = kVitesseDefaut;
    /// The label whose value is read ("t" in "t:21.5 h:40"); empty: the first
    /// number of the line.
    QString etiquette;

    /// Why these settings cannot be used, in French; nullopt when they can.
    std::optional<QString> refus() const;

    bool operator==(const ReglageTexte& o) const {
        return port == o.port && vitesse == o.vitesse && etiquette == o.etiquette;
    }
    bool operator!=(const ReglageTexte& o) const { return !(*this == o); }
};

/// Whether `etiquette` can name a value on a line: 1 to 32 printable ASCII
/// characters, none of them a space or one of : = , ;
bool etiquetteValide(const QString& etiquette);

} // namespace core
