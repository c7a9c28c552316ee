#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace systeme {

/// Why a settings file cannot be trusted, in French with what to do; nullopt when
/// it can. A file is trusted when it belongs to the user running the program (or to
/// root) and no one else may change it: not writable by group or others, nor
/// replaceable by them through its folder (a folder everyone may write without the
/// sticky bit). An absent file is judged by its folder, since anyone who may write
/// there could plant it.
std::optional<QString> refusConfiance(const QString& chemin);

/// The first refusal among `chemins`, or nullopt when all can be trusted.
std::optional<QString> refusConfiance(const QStringList& chemins);

} // namespace systeme
