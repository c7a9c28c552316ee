#pragma once

#include "core/ReglageTexte.h"

#include <QString>

namespace files {

/// The text-line board's settings, in the [source_texte] part of "plovar.ini"
/// beside the configuration: "active" (it is the source; the configuration then
/// says test mode, which is what a Plovar without this source reads), "port",
/// "vitesse" and "etiquette".
struct LectureSourceTexte {
    core::ReglageTexte reglage;
    bool active = false;
};

LectureSourceTexte lisSourceTexte(const QString& cheminIni);
/// False when the file cannot be written.
bool ecritSourceTexte(const QString& cheminIni, const core::ReglageTexte& r, bool active);

} // namespace files
