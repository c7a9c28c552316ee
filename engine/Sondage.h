#pragma once

#include "core/Cycle.h"
#include "core/Horloge.h"
#include "core/ReglageTexte.h"
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
/// keeps the last raw reading for the samples. A board printing text lines is also
/// read at each sample, and its reading counts only while it is recent.
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
    /// Where and how the text-line board is read; applied at once when it is the source.
    void regleTexte(const core::ReglageTexte& r);
    const core::ReglageTexte& reglageTexte() const;
    /// Starts polling; `ferme` stops it and closes the source.
    void demarre() { m_TimerValActu.start(); }
    void ferme();

    /// Last raw reading of the active device: 0 to 255 from the board and the
    /// instrument, the number read from a text line, the test value in test mode.
    double brute() const;
    /// The value a sample takes now.
    core::ValeurMesure valeur() const { return m_source->valeur(brute()); }
    /// The active device has given a reading since it was chosen (always in test mode).
    bool lectureRecue() const { return m_lectureRecue; }
    double ValeurBrute() const { return m_ValeurBrute; }
    /// The value on display; nullopt while the device has given no reading yet (or,
    /// for text lines, none in the last 2 s).
    std::optional<double> valeurAffichee() const;

    /// Just before a sample: a text-line board gives its latest line now.
    void avantEchantillon();
    /// Whether the sample stamped `instant` stands for a reading: the device has
    /// answered (designed sources), or a text line came in the 2 s before it or since
    /// the sample before. Remembers `instant` as the latest sample's.
    bool echantillonLu(const QDateTime& instant);

    void TimerValActu_Timer();
    void TimerVideBufferRS_Timer() { m_source->entretien(); }
    const QTimer& TimerValActu() const { return m_TimerValActu; }
    const QTimer& TimerVideBufferRS() const { return m_TimerVideBufferRS; }

    /// Longest silence of a device, in ms, before it is reported.
    static constexpr qint64 kSilenceMs = 10000;
    /// How long a text line stays the current reading, in ms.
    static constexpr qint64 kFraicheurMs = 2000;

signals:
    /// A notice about the source; an empty text withdraws it.
    void alerte(engine::Alerte a, const QString& texte);
    /// The source was polled; `valeur` is nullopt while the device has given nothing.
    void valeurLue(const QDateTime& instant, std::optional<double> valeur);

private:
    friend class test::AccesMoteur;
    /// Shows or withdraws the source's notices.
    void suitSource();
    /// Takes a reading from the source when it has a new one.
    bool prendLecture(const QDateTime& maintenant);
    /// The source dates its readings and they count only while recent.
    bool dateSesLectures() const { return m_source->type() == sources::TypeSource::Texte; }

    const core::Horloge& m_horloge;
    const core::EtatCycle& m_cycle;
    /// One source of each kind, by TypeSource; m_source is the one in force.
    std::array<std::unique_ptr<sources::Source>, 4> m_sources;
    sources::Source* m_source = nullptr;
    double m_ValeurBrute = 0;
    bool m_lectureRecue = false;
    /// When the device last sent a reading (or its source was chosen).
    QDateTime m_derniereTrame;
    /// The latest sample's instant, ms since the epoch (0: none since the choice).
    qint64 m_echantillonPrecedentMs = 0;
    QTimer m_TimerValActu;
    QTimer m_TimerVideBufferRS;
};

} // namespace engine
