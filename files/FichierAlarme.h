#pragma once

#include "core/Alarme.h"

#include <QString>

namespace files {

/// The settings added beside the configuration file, in "plovar.ini" (the
/// configuration file keeps its own format): here the threshold alarm.
class FichierAlarme {
public:
    /// The file beside a configuration file.
    static QString cheminPour(const QString& cheminConfig);
    explicit FichierAlarme(QString chemin) : m_chemin(std::move(chemin)) {}
    /// The alarm stored; none when the file is missing or its values unusable.
    core::ReglageAlarme lit() const;
    /// False when the file cannot be written.
    bool ecrit(const core::ReglageAlarme& r) const;

private:
    QString m_chemin;
};

} // namespace files
