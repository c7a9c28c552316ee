#pragma once

#include "sources/Source.h"

namespace sources {

/// The keyboard test mode: "+" and "-" move a value held elsewhere (the cycle's
/// test value); a reading is that value as it stands.
class SourceClavier : public Source {
    Q_OBJECT
public:
    explicit SourceClavier(const int16_t* valeurTest, QObject* parent = nullptr)
        : Source(parent), m_valeurTest(valeurTest) {}

    TypeSource type() const override { return TypeSource::Clavier; }
    QString nom() const override;
    void ouvre() override {}
    std::optional<double> lit() override { return *m_valeurTest; }
    void ferme() override {}
    core::ValeurMesure valeur(double brute) const override;
    QString probleme() const override { return {}; }
    bool connueSansLecture() const override { return true; }

private:
    const int16_t* m_valeurTest;
};

} // namespace sources
