#pragma once

#include "sources/Source.h"
#include "sources/Usb.h"

namespace sources {

/// The USB experiment board, opened, read and closed at every reading.
class SourceCarte : public Source {
    Q_OBJECT
public:
    SourceCarte(QStringList candidats, Usb::FabriquePilote secours, Usb::HorlogeMs horloge,
                QObject* parent = nullptr);

    TypeSource type() const override { return TypeSource::Carte; }
    QString nom() const override;
    void ouvre() override;
    std::optional<double> lit() override;
    void ferme() override {}
    core::ValeurMesure valeur(double brute) const override;
    QString probleme() const override;

private:
    Usb m_usb;
};

} // namespace sources
