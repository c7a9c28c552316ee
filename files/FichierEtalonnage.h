#pragma once

#include "core/Etalonnage.h"

#include <QString>

namespace files {

/// How reading the calibration file went.
enum class LectureEtalonnage { Absente, Lue, Endommagee };

/// The calibration, in the [etalonnage] part of "plovar.ini" beside the
/// configuration file (never inside it). A missing part means no calibration, a
/// damaged one too (and says so). Older versions kept it alone in
/// "plovar-etalonnage.ini": that file is read once and moved into "plovar.ini".
class FichierEtalonnage {
public:
    /// The file beside a configuration file.
    static QString cheminPour(const QString& cheminConfig);
    /// Where older versions kept it.
    static QString cheminAncien(const QString& cheminConfig);
    /// The calibration of a configuration: from "plovar.ini", else from the older
    /// file, which is then moved into "plovar.ini" and renamed "….ancien". `lu`
    /// gives the file it came from (for messages).
    static core::Etalonnage pour(const QString& cheminConfig, LectureEtalonnage* etat, QString* lu);
    /// The same, at start-up: a damaged file is kept as "….bak" and `avis` says so
    /// in French ("" when all is well).
    static core::Etalonnage charge(const QString& cheminConfig, QString* avis);
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
