#include "core/Erreurs.h"

#include <cerrno>

namespace core {

QString texteErreur(int numero) {
    switch (numero) {
    case ENOSPC:
        return QStringLiteral("le disque est plein");
#ifdef EDQUOT
    case EDQUOT:
        return QStringLiteral("le quota de disque est dépassé");
#endif
    case EACCES:
    case EPERM:
        return QStringLiteral("accès refusé");
    case ENOENT:
        return QStringLiteral("le dossier ou le fichier n'existe pas");
    case ENOTDIR:
        return QStringLiteral("un élément du chemin n'est pas un dossier");
    case EISDIR:
        return QStringLiteral("c'est un dossier, pas un fichier");
    case ENAMETOOLONG:
        return QStringLiteral("le nom est trop long");
    case EROFS:
        return QStringLiteral("le support est en lecture seule");
    case EIO:
        return QStringLiteral("erreur d'entrée-sortie sur le support");
    case EAGAIN:
        return QStringLiteral("ressource momentanément indisponible");
    case EBUSY:
        return QStringLiteral("ressource occupée par un autre programme");
    case ENXIO:
    case ENODEV:
        return QStringLiteral("l'appareil est absent");
    case EFBIG:
        return QStringLiteral("le fichier est trop grand pour ce support");
    case EMFILE:
    case ENFILE:
        return QStringLiteral("trop de fichiers ouverts");
    case ELOOP:
        return QStringLiteral("trop de liens symboliques dans le chemin");
    case ECONNREFUSED:
        return QStringLiteral("connexion refusée : rien n'écoute sur ce port");
    case ETIMEDOUT:
        return QStringLiteral("délai dépassé");
    case EHOSTUNREACH:
    case ENETUNREACH:
        return QStringLiteral("réseau ou machine inaccessible");
    case ECONNRESET:
        return QStringLiteral("connexion interrompue par l'autre côté");
    case ENETDOWN:
        return QStringLiteral("réseau coupé");
    case EPIPE:
    case ECONNABORTED:
        return QStringLiteral("connexion fermée par l'autre côté");
    case EADDRNOTAVAIL:
        return QStringLiteral("adresse indisponible sur ce PC");
    case ENOMEM:
    case ENOBUFS:
        return QStringLiteral("mémoire insuffisante");
    case EINTR:
        return QStringLiteral("opération interrompue");
    case EPROTO:
        return QStringLiteral("erreur de protocole");
    default:
        // The system's own text is English: the number is enough to look it up.
        return QStringLiteral("erreur système n° %1").arg(numero);
    }
}

} // namespace core
