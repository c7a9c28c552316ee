#pragma once

#include "core/ValeurMesure.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <optional>

namespace sources {

/// The kinds of source; the configuration file stores them as 0, 1 and 2.
enum class TypeSource : uint8_t { Clavier = 0, Carte = 1, Serie = 2 };

/// The kind stored as `i` in the configuration; nullopt for anything else.
std::optional<TypeSource> typeSource(int i);

/// Where readings come from: the test keys, the USB board or the serial instrument.
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
    virtual std::optional<int> lit() = 0;
    virtual void ferme() = 0;
    /// The value a raw reading stands for.
    virtual core::ValeurMesure valeur(int32_t brute) const = 0;
    /// What is wrong, as a French notice; "" when nothing is.
    virtual QString probleme() const = 0;
    /// True when its value is known before any reading (the test keys).
    virtual bool connueSansLecture() const { return false; }
    /// True when it wants `entretien` every 10 seconds while it is the source.
    virtual bool aEntretenir() const { return false; }
    /// Periodic care: drops stale bytes, tries a lost device again.
    virtual void entretien() {}

signals:
    /// probleme() may have changed.
    void etatChange();
};

} // namespace sources
