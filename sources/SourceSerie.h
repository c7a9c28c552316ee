#pragma once

#include "sources/Rs232.h"
#include "sources/Source.h"

namespace sources {

/// The serial instrument: the port stays open while it is the source, and a frame
/// of exactly four bytes is a reading.
class SourceSerie : public Source {
    Q_OBJECT
public:
    explicit SourceSerie(QString nomPort, QObject* parent = nullptr);

    TypeSource type() const override { return TypeSource::Serie; }
    QString nom() const override;
    void ouvre() override { m_rs232.ouvre_port(); }
    std::optional<double> lit() override { return m_rs232.lit_port(); }
    void ferme() override { m_rs232.ferme_port(); }
    core::ValeurMesure valeur(double brute) const override;
    QString probleme() const override;
    bool aEntretenir() const override { return true; }
    void entretien() override;

    const Rs232& rs232() const { return m_rs232; }

private:
    Rs232 m_rs232;
};

} // namespace sources
