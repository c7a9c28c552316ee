#pragma once

#include <QString>

namespace core {

/// What a system error number means, said in French for the user ("le disque est
/// plein"). Unknown numbers keep the system's own text after a French lead.
QString texteErreur(int numero);

} // namespace core
