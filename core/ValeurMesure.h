#pragma once

#include <QString>

#include <cstdint>
#include <variant>

namespace core {

/// Tagged number of the sample store: empty, a signed 16-bit integer (test mode)
/// or a double (scaled reading, loaded value). An empty element reads as 0.
class ValeurMesure {
public:
    ValeurMesure() = default;
    static ValeurMesure entier(int16_t v) { return ValeurMesure(Contenu(v)); }
    static ValeurMesure reel(double v) { return ValeurMesure(Contenu(v)); }

    bool estVide() const { return std::holds_alternative<std::monostate>(m_contenu); }
    bool estEntier() const { return std::holds_alternative<int16_t>(m_contenu); }
    bool estReel() const { return std::holds_alternative<double>(m_contenu); }

    /// The value as a number; an empty element is 0.
    double nombre() const {
        if (auto e = std::get_if<int16_t>(&m_contenu))
            return *e;
        if (auto d = std::get_if<double>(&m_contenu))
            return *d;
        return 0.0;
    }

    /// Decimal text as written in a record file: a whole number without decimal
    /// separator, a "-" only when negative.
    QString texte() const;

    bool operator==(const ValeurMesure& o) const { return m_contenu == o.m_contenu; }

private:
    using Contenu = std::variant<std::monostate, int16_t, double>;
    explicit ValeurMesure(Contenu c) : m_contenu(c) {}
    Contenu m_contenu;
};

} // namespace core
