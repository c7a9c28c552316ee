#pragma once

#include "core/ReglageTexte.h"
#include "sources/LecteurLignes.h"
#include "sources/Source.h"

#include <QSerialPort>

#include <functional>

namespace sources {

/// A board that prints its readings as text lines on a serial port (a USB
/// microcontroller board, an instrument in text mode). The port stays open while it
/// is the source and every line is read as it arrives; the reading is the latest
/// readable line, dated on the injected clock.
class SourceTexte : public Source {
    Q_OBJECT
public:
    using HorlogeMs = std::function<qint64()>;
    /// Time between two attempts to open a missing port, in ms.
    static constexpr qint64 kReessaiMs = 2000;
    /// A refused line keeps its notice up for this long, in ms.
    static constexpr qint64 kAvisLignesMs = 30000;

    explicit SourceTexte(HorlogeMs horloge, QObject* parent = nullptr);

    /// New settings; an open port is closed and opened again with them.
    void regle(const core::ReglageTexte& r);
    const core::ReglageTexte& reglage() const { return m_reglage; }

    TypeSource type() const override { return TypeSource::Texte; }
    QString nom() const override;
    void ouvre() override;
    std::optional<double> lit() override;
    void ferme() override;
    core::ValeurMesure valeur(double brute) const override {
        return core::ValeurMesure::reel(brute);
    }
    QString probleme() const override;
    bool aEntretenir() const override { return true; }
    void entretien() override;
    std::optional<qint64> instantLecture() const override;
    QString avisLignes() const override;

    bool estOuvert() const { return m_port.isOpen(); }
    const LecteurLignes& lecteur() const { return m_lecteur; }

private:
    bool essaieOuvrir();
    void recoit();
    void surErreur(QSerialPort::SerialPortError e);

    HorlogeMs m_horloge;
    core::ReglageTexte m_reglage;
    QSerialPort m_port;
    LecteurLignes m_lecteur;
    /// The source is in force: a closed port is to be opened again.
    bool m_voulu = false;
    QString m_probleme;
    qint64 m_dernierEssaiMs = 0;
    /// Instant of the line `lit` last gave, so that a line is given once.
    std::optional<qint64> m_instantRendu;
    /// When a line was last refused.
    qint64 m_derniereRefusMs = 0;
};

} // namespace sources
