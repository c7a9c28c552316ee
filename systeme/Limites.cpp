#include "systeme/Limites.h"

#include <sys/resource.h>

namespace systeme {

std::optional<qint64> limiteEspaceAdresses() {
    rlimit l{};
    if (::getrlimit(RLIMIT_AS, &l) != 0 || l.rlim_cur == RLIM_INFINITY)
        return std::nullopt;
    return static_cast<qint64>(l.rlim_cur);
}

std::optional<QString> refusLimiteMemoire(qint64 besoinMo) {
    const std::optional<qint64> limite = limiteEspaceAdresses();
    if (!limite || *limite >= besoinMo * 1024 * 1024)
        return std::nullopt;
    // Below that, threads and file dialogs fail to get their memory and the program
    // would stop at some later, unforeseeable moment, losing what waits.
    return QStringLiteral("l'espace mémoire de ce processus est limité à %1 Mo (ulimit -v, ou "
                          "LimitAS= du service), sous les %2 Mo dont Plovar a besoin : levez "
                          "cette limite (ulimit -v unlimited, ou LimitAS=infinity)")
        .arg(*limite / (1024 * 1024))
        .arg(besoinMo);
}

} // namespace systeme
