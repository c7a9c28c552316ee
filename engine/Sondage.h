#pragma once

#include "core/Cycle.h"
#include "core/Horloge.h"
#include "core/ValeurMesure.h"
#include "engine/Alertes.h"
#include "sources/Rs232.h"
#include "sources/Source.h"
#include "sources/Usb.h"

#include <QDateTime>
#include <QObject>
#include <QTimer>

#include <array>
#include <memory>
#include <optional>

namespace test {
class AccesMoteur;
}

namespace engine {

/// The sources and the polling of the one in force: twice a second it reads the
/// device (or takes the test value), tells when a device is missing or silent, and
/// keeps the last raw reading for the samples.
class Sondage : public QObject {
    Q_OBJECT
public:
    /// `cycle` holds the test value the test keys move.
    Sondage(QString portSerie, QStringList bibliothequesCarte,
            sources::Usb::FabriquePilote piloteSecours, const core::Horloge& horloge,
            const core::EtatCycle& cycle, bool minuteriesManuelles, QObject* parent = nullptr);
    ~Sondage() override;

    /// Puts source `type` in force and opens it.
    void choisit(sources::TypeSource type);
    const sources::Source& source() const { return *m_source; }
    /// The serial instrument's port (open only while it is the source).
    const sources::Rs232& rs232() const;
    /// Starts polling; `ferme` stops it and closes the source.
    void demarre() { m_TimerValActu.start(); }
    void ferme();

    /// Last raw reading of the active device, 0 to 255 (the test value in test mode).
    int32_t brute() const;
    /// The value a sample takes now.
    core::ValeurMesure valeur() const { return m_source->valeur(brute()); }
    /// The active device has given a reading since it was chosen (always in test mode).
    bool lectureRecue() const { return m_lectureRecue; }
    int32_t ValeurBrute() const { return m_ValeurBrute; }
    /// The value on display; nullopt while the device has given no reading yet.
    std::optional<int> valeurAffichee() const;

    void TimerValActu_Timer();
    void TimerVideBufferRS_Timer() { m_source->entretien(); }
    const QTimer& TimerValActu() const { return m_TimerValActu; }
    const QTimer& TimerVideBufferRS() const { return m_TimerVideBufferRS; }

    /// Longest silence of a device, in ms, before it is reported.
    static constexpr qint64 kSilenceMs = 10000;

signals:
    /// A notice about the source; an empty text withdraws it.
    void alerte(engine::Alerte a, const QString& texte);
    /// The source was polled; `valeur` is nullopt while the device has given nothing.
    void valeurLue(const QDateTime& instant, std::optional<int> valeur);

private:
    friend class test::AccesMoteur;
    /// Shows or withdraws the source's notice.
    void suitSource();

    const core::Horloge& m_horloge;
    const core::EtatCycle& m_cycle;
    /// One source of each kind, by TypeSource; m_source is the one in force.
    std::array<std::unique_ptr<sources::Source>, 3> m_sources;
    sources::Source* m_source = nullptr;
    int32_t m_ValeurBrute = 0;
    bool m_lectureRecue = false;
    /// When the device last sent a reading (or its source was chosen).
    QDateTime m_derniereTrame;
    QTimer m_TimerValActu;
    QTimer m_TimerVideBufferRS;
};

} // namespace engine
