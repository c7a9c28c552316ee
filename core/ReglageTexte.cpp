#include "core/ReglageTexte.h"

namespace core {

bool etiquetteValide(const QString& etiquette) {
    if (etiquette.isEmpty() || etiquette.size() > ReglageTexte::kEtiquetteMax)
        return false;
    for (const QChar c : etiquette) {
        const char16_t u = c.unicode();
        if (u <= 0x20 || u >= 0x7f || u == ':' || u == '=' || u == ',' || u == ';')
            return false;
    }
    return true;
}

std::optional<QString> ReglageTexte::refus() const {
    if (port.trimmed().isEmpty())
        return QStringLiteral("aucun port série n'est choisi");
    if (port.contains(QChar(0)) || port.contains(QLatin1Char('\n')))
        return QStringLiteral("le nom du port n'est pas valable");
    if (vitesse < kVitesseMin || vitesse > kVitesseMax)
        return QStringLiteral("la vitesse doit aller de %1 à %2 bauds")
            .arg(kVitesseMin)
            .arg(kVitesseMax);
    if (!etiquette.isEmpty() && !etiquetteValide(etiquette))
        return QStringLiteral("l'étiquette « %1 » ne convient pas : 1 à %2 caractères, sans "
                              "espace ni : = , ;")
            .arg(etiquette)
            .arg(kEtiquetteMax);
    return std::nullopt;
}

} // namespace core
