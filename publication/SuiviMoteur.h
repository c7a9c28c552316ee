#pragma once

#include "engine/Moteur.h"
#include "publication/Publieur.h"

#include <QObject>
#include <QTimer>

namespace publication {

/// Ties a publisher to the engine: it publishes the engine's record file, hears of
/// each line written, takes the engine's calibration, and its state becomes an
/// engine notice (in the window's banner, on standard error without a window).
class SuiviMoteur : public QObject {
    Q_OBJECT
public:
    SuiviMoteur(engine::Moteur& moteur, Publieur& publieur, QObject* parent = nullptr);
    /// The notice as it stands ("" when all is well).
    QString notice();
    /// Told each change of the publisher's state (the headless recorder prints it).
    std::function<void(const QString&)> journal;

private:
    void actualise(bool immediat);

    engine::Moteur& m_moteur;
    Publieur& m_publieur;
    QTimer m_rappel;
    qint64 m_dernierAffichage = 0;
};

} // namespace publication
