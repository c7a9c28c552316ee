#pragma once

#include "core/Etalonnage.h"

#include <QString>

namespace files {

/// The calibration file "plovar-etalonnage.ini", beside the configuration file
/// (never inside it). A missing or damaged file means no calibration.
class FichierEtalonnage {
public:
    /// The file beside a configuration file.
    static QString cheminPour(const QString& cheminConfig);
    explicit FichierEtalonnage(QString chemin) : m_chemin(std::move(chemin)) {}
    const QString& chemin() const { return m_chemin; }
    core::Etalonnage lit() const;
    /// False when the file cannot be written.
    bool ecrit(const core::Etalonnage& e) const;

private:
    QString m_chemin;
};

} // namespace files
