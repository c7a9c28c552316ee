#pragma once

#include "core/Decoupage.h"

#include <QString>

namespace files {

/// How the record is split into files, in the [enregistrement] part of
/// "plovar.ini" beside the configuration ("fichier_par" = jour, semaine or mois).
/// One file when the key is missing or unusable.
core::Decoupage lisDecoupage(const QString& cheminIni);
/// False when the file cannot be written.
bool ecritDecoupage(const QString& cheminIni, core::Decoupage d);

} // namespace files
