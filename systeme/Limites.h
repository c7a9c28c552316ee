#pragma once

#include <QString>

#include <optional>

namespace systeme {

/// The address space this process may use, in bytes; nullopt when it is not limited
/// (ulimit -v, a service's LimitAS=).
std::optional<qint64> limiteEspaceAdresses();

/// Why a process limited as it is cannot run Plovar safely, in French with what to
/// do, when its address space is limited below `besoinMo` MiB; nullopt otherwise.
std::optional<QString> refusLimiteMemoire(qint64 besoinMo);

} // namespace systeme
