#pragma once

#include "core/Etalonnage.h"
#include "core/Evenement.h"
#include "core/Magasin.h"

#include <QString>

#include <functional>
#include <vector>

class QPrinter;
class QWidget;

namespace ui {
class Dialogues;
}

namespace app {

/// What both graph windows do the same way with the curve they show: ask where to
/// save an image and say why it could not be, ask for a printer, export samples
/// with their progress and a way to stop. Each window says what to draw and which
/// samples; the dialogs and the messages are here once.
class ActionsGraphe {
public:
    ActionsGraphe(QWidget* fenetre, ui::Dialogues* dialogues)
        : m_fenetre(fenetre), m_dialogues(dialogues) {}

    /// Asks for an image file named after `fichierAffiche`, then `enregistre(chemin,
    /// filtre)` saves it.
    void menuEnregistrerImage(
        const QString& fichierAffiche,
        const std::function<bool(const QString&, const QString&)>& enregistre) const;
    /// Tells the user an image could not be saved; returns `ok`.
    bool suitImage(bool ok, const QString& chemin, const QString& erreur) const;
    /// Asks for a printer (landscape), then `imprime` prints.
    void menuImprimer(const std::function<void(QPrinter&)>& imprime) const;
    /// Asks for an export file named after `fichierAffiche` + `suffixe` and whether
    /// only the part shown goes, then `exporte(chemin, partieVisible)`.
    void menuExporter(const QString& fichierAffiche, const QString& suffixe,
                      const std::function<bool(const QString&, bool)>& exporte) const;
    /// Exports samples `a` to `b` of `m` with a progress window that can stop it; the
    /// caller keeps `m` as it is meanwhile. False (said to the user) on failure.
    bool exporte(const QString& chemin, const core::Magasin& m, qint64 a, qint64 b,
                 const core::Etalonnage& etalonnage,
                 const std::vector<core::Evenement>& evenements) const;

private:
    QWidget* m_fenetre;
    ui::Dialogues* m_dialogues;
};

} // namespace app
