#include "graph/Marque.h"

namespace graph {

Marque marquePour(const core::Evenement& e) {
    struct Style {
        const char* type;
        const char* lettre;
        QColor couleur;
    };
    static const Style kStyles[] = {
        {core::Evenement::kAlarme, "A", QColor(255, 60, 60)},
        {core::Evenement::kFinAlarme, "a", QColor(255, 170, 60)},
        {core::Evenement::kCommentaire, "C", QColor(90, 200, 255)},
        {core::Evenement::kDebut, "D", QColor(200, 200, 200)},
        {core::Evenement::kArret, "F", QColor(200, 200, 200)},
        {core::Evenement::kSourcePerdue, "S", QColor(255, 120, 255)},
        {core::Evenement::kSourceRevenue, "s", QColor(255, 120, 255)},
        {core::Evenement::kEcritureEchec, "E", QColor(255, 120, 255)},
        {core::Evenement::kEcritureRetablie, "e", QColor(255, 120, 255)},
        {core::Evenement::kHorloge, "H", QColor(255, 255, 120)},
        {core::Evenement::kReprise, "R", QColor(255, 255, 120)},
    };
    Marque m{e.numero, QStringLiteral("?"), QColor(200, 200, 200),
             e.type + QStringLiteral(" : ") + e.texte};
    for (const Style& s : kStyles)
        if (e.type == QString::fromUtf8(s.type)) {
            m.lettre = QString::fromLatin1(s.lettre);
            m.couleur = s.couleur;
            break;
        }
    return m;
}

std::vector<double> limitesBrutes(const core::ReglageAlarme& r, const core::Etalonnage& e) {
    // The alarm's limits are physical values: graphs are drawn in raw ones.
    std::vector<double> limites;
    for (const std::optional<double>& l : {r.haute, r.basse})
        if (l)
            limites.push_back(e.actif ? e.brut1 + (*l - e.physique1) * (e.brut2 - e.brut1) /
                                                      (e.physique2 - e.physique1)
                                      : *l);
    return limites;
}

} // namespace graph
