#pragma once

#include <QString>

#include <optional>

namespace core {

/// The limits of a threshold alarm, in the unit shown (physical when calibrated).
struct ReglageAlarme {
    std::optional<double> haute;
    std::optional<double> basse;
    /// How far back past a limit the value must come to end the alarm (>= 0).
    double hysteresis = 0;
    /// How long a crossing (or a return) must last before it counts, in ms (>= 0).
    qint64 maintienMs = 0;
    /// Ring the bell when the alarm begins.
    bool bip = false;
    /// A command run (by /bin/sh, without waiting, stopped after a minute) when the
    /// alarm begins; "" for none. It finds PLOVAR_VALEUR, PLOVAR_UNITE, PLOVAR_LIMITE,
    /// PLOVAR_ALARME and PLOVAR_INSTANT in its environment.
    QString commande;

    bool active() const { return haute.has_value() || basse.has_value(); }
    /// Why it cannot be used, in French; nullopt when it can.
    std::optional<QString> refus() const;
    bool operator==(const ReglageAlarme& o) const {
        return haute == o.haute && basse == o.basse && hysteresis == o.hysteresis &&
               maintienMs == o.maintienMs && bip == o.bip && commande == o.commande;
    }
};

enum class NiveauAlarme { Normal, Haute, Basse };

/// A change of the alarm's level.
struct TransitionAlarme {
    NiveauAlarme avant = NiveauAlarme::Normal;
    NiveauAlarme apres = NiveauAlarme::Normal;
    /// When the condition that made the change began (ms since the epoch): the
    /// first sample past the limit, or back inside it.
    qint64 depuisMs = 0;
};

/// A threshold alarm with hysteresis and a minimum duration: a value hovering at a
/// limit does not ring again and again, and a spike shorter than the duration does
/// not ring at all. Fed with the samples in order; a gap between samples changes
/// nothing by itself.
class Alarme {
public:
    /// New limits; an alarm in force is judged against them from the next sample.
    void regle(const ReglageAlarme& r);
    const ReglageAlarme& reglage() const { return m_reglage; }
    /// The sample at `instantMs` of value `valeur`; the change it completes, if any.
    std::optional<TransitionAlarme> suit(qint64 instantMs, double valeur);
    NiveauAlarme niveau() const { return m_niveau; }
    /// Since when the alarm in force holds (ms since the epoch).
    qint64 depuisMs() const { return m_depuisMs; }

private:
    NiveauAlarme cible(double valeur) const;

    ReglageAlarme m_reglage;
    NiveauAlarme m_niveau = NiveauAlarme::Normal;
    qint64 m_depuisMs = 0;
    std::optional<NiveauAlarme> m_candidat;
    qint64 m_debutCandidat = 0;
};

} // namespace core
