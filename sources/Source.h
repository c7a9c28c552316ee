#pragma once

#include "core/ValeurMesure.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <optional>

namespace sources {

/// The kinds of source; the configuration file stores the first three as 0, 1 and
/// 2. A board printing text lines is 3, remembered beside it.
enum class TypeSource : uint8_t { Clavier = 0, Carte = 1, Serie = 2, Texte = 3 };

/// The kind numbered `i`; nullopt for anything else.
std::optional<TypeSource> typeSource(int i);

/// Where readings come from: the test keys, the USB board, the serial instrument or
/// a board printing text lines.
/// A reading is the raw value the source gives; `valeur` turns it into the value
/// stored and shown.
class Source : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    virtual TypeSource type() const = 0;
    /// Its name for the user, in French.
    virtual QString nom() const = 0;
    /// Gets ready to give readings (opens the port, looks for the board).
    virtual void ouvre() = 0;
    /// The latest reading, when there is one now.
    virtual std::optional<double> lit() = 0;
    virtual void ferme() = 0;
    /// The value a raw reading stands for.
    virtual core::ValeurMesure valeur(double brute) const = 0;
    /// What is wrong, as a French notice; "" when nothing is.
    virtual QString probleme() const = 0;
    /// True when its value is known before any reading (the test keys).
    virtual bool connueSansLecture() const { return false; }
    /// True when it wants `entretien` every 10 seconds while it is the source.
    virtual bool aEntretenir() const { return false; }
    /// Periodic care: drops stale bytes, tries a lost device again.
    virtual void entretien() {}
    /// When its latest reading arrived (ms on the injected clock), for a source whose
    /// readings count only while they are recent; nullopt for the others.
    virtual std::optional<qint64> instantLecture() const { return std::nullopt; }
    /// A notice about data it received but could not read; "" when there is none.
    virtual QString avisLignes() const { return {}; }

signals:
    /// probleme() may have changed.
    void etatChange();
};

} // namespace sources
