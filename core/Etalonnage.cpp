#include "core/Etalonnage.h"

#include <algorithm>
#include <cmath>

namespace core {

std::optional<QString> Etalonnage::refus() const {
    if (!std::isfinite(brut1) || !std::isfinite(brut2) || !std::isfinite(physique1) ||
        !std::isfinite(physique2))
        return QStringLiteral("les valeurs doivent être des nombres");
    if (brut1 == brut2)
        return QStringLiteral("les deux valeurs brutes doivent être différentes");
    // Linear: its extremes over the raw range are at the range's ends. Each must stay
    // a number once rounded to the decimals shown.
    for (const double brut : {kBrutMin, kBrutMax})
        if (!std::isfinite(physique(brut) * 10000))
            return QStringLiteral("la pente est trop forte : des valeurs brutes de %1 à %2 ne "
                                  "donneraient pas toutes un nombre")
                .arg(kBrutMin)
                .arg(kBrutMax);
    if (unite.size() > kLongueurUnite)
        return QStringLiteral("l'unité a au plus %1 caractères").arg(kLongueurUnite);
    if (decimales < 0 || decimales > 4)
        return QStringLiteral("le nombre de décimales va de 0 à 4");
    return std::nullopt;
}

double Etalonnage::physique(double brut) const {
    return physique1 + (brut - brut1) * (physique2 - physique1) / (brut2 - brut1);
}

QByteArray Etalonnage::nombreOctets(double brut) const {
    static const double puissances[] = {1, 10, 100, 1000, 10000};
    const double p = puissances[std::clamp(decimales, 0, 4)];
    // Rounded to the decimals shown; never "-0". French writing: a decimal comma and
    // no thousands separator.
    double arrondi = std::round(physique(brut) * p) / p;
    if (arrondi == 0)
        arrondi = 0;
    QByteArray t = QByteArray::number(arrondi, 'f', std::clamp(decimales, 0, 4));
    t.replace('.', ',');
    return t;
}

QString Etalonnage::nombre(double brut) const {
    return QString::fromLatin1(nombreOctets(brut));
}

QString Etalonnage::texte(double brut) const {
    return unite.isEmpty() ? nombre(brut) : nombre(brut) + QLatin1Char(' ') + unite;
}

QString Etalonnage::texteNiveau(double physique) const {
    QString n = QString::number(physique, 'g', 6);
    n.replace(QLatin1Char('.'), QLatin1Char(','));
    return actif && !unite.isEmpty() ? n + QLatin1Char(' ') + unite : n;
}

} // namespace core
