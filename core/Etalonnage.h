#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace core {

/// A two-point calibration: raw values (as recorded, 0 to 999 for the devices) to
/// physical values in a unit, by the straight line through the two points.
struct Etalonnage {
    bool actif = false;
    double brut1 = 0;
    double physique1 = 0;
    double brut2 = 999;
    double physique2 = 999;
    /// Unit text, at most kLongueurUnite characters ("°C").
    QString unite;
    /// Decimals shown, 0 to 4.
    int decimales = 1;

    static constexpr int kLongueurUnite = 16;
    /// Raw values any source may give: the test keys' 16-bit range covers the devices'.
    static constexpr double kBrutMin = -32768;
    static constexpr double kBrutMax = 32767;

    /// Why it cannot be used, in French; nullopt when it can.
    std::optional<QString> refus() const;
    /// The physical value of a raw one.
    double physique(double brut) const;
    /// The physical value as a French number with its decimals ("56,7").
    QString nombre(double brut) const;
    /// The same as Latin-1 bytes, for files.
    QByteArray nombreOctets(double brut) const;
    /// The same followed by the unit ("56,7 °C").
    QString texte(double brut) const;
    /// A value already in the unit shown (a limit, a level), with a decimal comma and
    /// the unit when calibrated.
    QString texteNiveau(double physique) const;
};

} // namespace core
