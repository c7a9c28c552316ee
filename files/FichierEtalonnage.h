#pragma once

#include "core/Etalonnage.h"

#include <QString>

namespace files {

/// How reading the calibration file went.
enum class LectureEtalonnage { Absente, Lue, Endommagee };

/// The calibration file "plovar-etalonnage.ini", beside the configuration file
/// (never inside it). A missing or damaged file means no calibration.
class FichierEtalonnage {
public:
    /// The file beside a configuration file.
    static QString cheminPour(const QString& cheminConfig);
    explicit FichierEtalonnage(QString chemin) : m_chemin(std::move(chemin)) {}
    const QString& chemin() const { return m_chemin; }
    /// The calibration stored; off when the file is missing or damaged, which
    /// `etat` then tells apart.
    core::Etalonnage lit(LectureEtalonnage* etat = nullptr) const;
    /// Keeps a copy of the file as "<name>.bak" (replacing an older one).
    bool sauvegarde() const;
    QString cheminSauvegarde() const { return m_chemin + QStringLiteral(".bak"); }
    /// False when the file cannot be written.
    bool ecrit(const core::Etalonnage& e) const;

private:
    QString m_chemin;
};

} // namespace files
