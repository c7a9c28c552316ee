#include "files/EcrivainEnr.h"

#include "core/Erreurs.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace files {

ssize_t AppelsSysteme::ecrit(int fd, const char* octets, size_t n) {
    return ::write(fd, octets, n);
}

int AppelsSysteme::synchronise(int fd) {
    return ::fsync(fd);
}

int AppelsSysteme::tronque(int fd, off_t longueur) {
    return ::ftruncate(fd, longueur);
}

AppelsSysteme& AppelsSysteme::systeme() {
    static AppelsSysteme s;
    return s;
}

namespace {

// Opens a file for appending without ever blocking (a named pipe with no reader
// would), and only when it is a regular file. -1 with `erreur` set otherwise.
int ouvreFichier(const QString& chemin, int drapeaux, QString* erreur, struct stat* st) {
    const int fd = ::open(QFile::encodeName(chemin).constData(),
                          drapeaux | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0666);
    if (fd < 0) {
        if (erreur)
            *erreur = errno == ENXIO ? QStringLiteral("ce n'est pas un fichier ordinaire")
                                     : core::texteErreur(errno);
        return -1;
    }
    if (::fstat(fd, st) != 0 || !S_ISREG(st->st_mode)) {
        if (erreur)
            *erreur = QStringLiteral("ce n'est pas un fichier ordinaire");
        ::close(fd);
        return -1;
    }
    return fd;
}

qint64 longueur(int fd) {
    struct stat st {};
    return ::fstat(fd, &st) == 0 ? static_cast<qint64>(st.st_size) : -1;
}

// Cuts the file back to `taille` and checks that it worked.
bool coupe(AppelsSysteme& appels, int fd, qint64 taille) {
    return appels.tronque(fd, static_cast<off_t>(taille)) == 0 && longueur(fd) == taille;
}

} // namespace

bool creeFichierEnr(const QString& chemin, QString* erreur, AppelsSysteme& appels) {
    struct stat st {};
    const int fd = ouvreFichier(chemin, O_WRONLY | O_CREAT | O_TRUNC, erreur, &st);
    if (fd < 0)
        return false;
    const QByteArray e = enteteEnr();
    bool ok = appels.ecrit(fd, e.constData(), static_cast<size_t>(e.size())) == e.size();
    if (!ok && erreur)
        *erreur = core::texteErreur(errno);
    if (ok && appels.synchronise(fd) != 0) {
        ok = false;
        if (erreur)
            *erreur = core::texteErreur(errno);
    }
    ::close(fd);
    return ok;
}

bool EcrivainEnr::ecritDurable(const QString& chemin, const QByteArray& octets, QString* erreur,
                               AppelsSysteme& appels, const QByteArray& entete,
                               qint64* longueurSure, bool* finCoupee) {
    struct stat st {};
    const QByteArray nom = QFile::encodeName(chemin);
    // A file this call creates is removed again when nothing could be put in it.
    const bool existait = ::access(nom.constData(), F_OK) == 0;
    // Read access too, to look at the file's last byte; a file that may only be
    // written is appended to while it is empty.
    int fd = ouvreFichier(chemin, O_RDWR | O_APPEND | O_CREAT, erreur, &st);
    if (fd < 0 && errno == EACCES)
        fd = ouvreFichier(chemin, O_WRONLY | O_APPEND | O_CREAT, erreur, &st);
    if (fd < 0)
        return false;
    qint64 taille = st.st_size;
    const auto echec = [&](const QString& raison) {
        if (erreur)
            *erreur = raison;
        if (!existait && longueur(fd) == 0)
            ::unlink(nom.constData());
        ::close(fd);
        return false;
    };
    // A block that could not be cut off earlier goes first.
    if (longueurSure && *longueurSure >= 0 && taille > *longueurSure) {
        if (!coupe(appels, fd, *longueurSure))
            return echec(QStringLiteral("des octets d'une ligne incomplète n'ont pas pu être "
                                        "retirés (%1)")
                             .arg(core::texteErreur(errno)));
        taille = *longueurSure;
    }
    QByteArray bloc;
    if (taille == 0) {
        bloc = entete;
    } else {
        // A file left in the middle of a line (a crash, another program) gets a line
        // end, so the new lines start on lines of their own.
        char dernier = 0;
        if (::pread(fd, &dernier, 1, static_cast<off_t>(taille - 1)) != 1)
            // Its end cannot be checked: a line glued onto a fragment would be lost.
            return echec(QStringLiteral("la fin du fichier ne peut pas être relue pour vérifier "
                                        "que sa dernière ligne est entière (%1)")
                             .arg(errno == EBADF ? QStringLiteral("il peut seulement être écrit")
                                                 : core::texteErreur(errno)));
        if (dernier != '\n') {
            bloc = "\r\n";
            if (finCoupee)
                *finCoupee = true;
        }
    }
    bloc += octets;
    const ssize_t n = appels.ecrit(fd, bloc.constData(), static_cast<size_t>(bloc.size()));
    const int erreurEcriture = errno;
    bool ok = n == bloc.size();
    QString raison;
    if (!ok)
        raison = n < 0 ? core::texteErreur(erreurEcriture)
                       : QStringLiteral("écriture incomplète (%1 octets sur %2) : %3")
                             .arg(n)
                             .arg(bloc.size())
                             .arg(core::texteErreur(ENOSPC));
    if (ok && appels.synchronise(fd) != 0) {
        ok = false;
        raison = core::texteErreur(errno);
    }
    if (ok) {
        ::close(fd);
        if (longueurSure)
            *longueurSure = -1;
        return true;
    }
    // Nothing of a failed block may stay: the file is cut back to its length before
    // the write, on the same descriptor. If even that fails, the good length is kept
    // so that the next write cuts the file back first.
    if (n != 0 && !coupe(appels, fd, taille)) {
        if (longueurSure)
            *longueurSure = taille;
    } else if (longueurSure) {
        *longueurSure = -1;
    }
    return echec(raison);
}

std::optional<QString> EcrivainEnr::refusEcriture(const QString& chemin) {
    const QByteArray nom = QFile::encodeName(chemin);
    struct stat st {};
    if (::stat(nom.constData(), &st) == 0) {
        // Opened as the writer opens it, without creating anything.
        QString erreur;
        const int fd = ouvreFichier(chemin, O_WRONLY | O_APPEND, &erreur, &st);
        if (fd < 0)
            return erreur;
        ::close(fd);
        return std::nullopt;
    }
    if (errno != ENOENT)
        return core::texteErreur(errno);
    const QByteArray dossier = QFile::encodeName(QFileInfo(chemin).absolutePath());
    if (::stat(dossier.constData(), &st) != 0)
        return QStringLiteral("le dossier %1 n'existe pas").arg(QFileInfo(chemin).absolutePath());
    if (::access(dossier.constData(), W_OK | X_OK) != 0)
        return core::texteErreur(errno);
    return std::nullopt;
}

EcrivainEnr::EcrivainEnr(AppelsSysteme& appels) : m_appels(appels) {}

bool EcrivainEnr::vide(const QString& chemin, File& f) {
    if (f.lignes.empty())
        return true;
    // Lines for the same file are written in one piece, in order.
    QByteArray bloc;
    for (const QByteArray& l : f.lignes)
        bloc += l;
    bool finCoupee = false;
    const bool ecrit = ecritDurable(chemin, bloc, &f.erreur, m_appels, entete(chemin),
                                    &f.longueurSure, &finCoupee);
    if (ecrit && finCoupee && surFinCoupee)
        surFinCoupee(chemin);
    if (!ecrit) {
        if (f.rang == 0)
            f.rang = ++m_rang;
        return false;
    }
    std::deque<QByteArray> ecrites;
    ecrites.swap(f.lignes);
    f.erreur.clear();
    f.rang = 0;
    if (surEcrite)
        for (const QByteArray& l : ecrites)
            surEcrite(chemin, l.endsWith("\r\n") ? l.chopped(2) : l);
    return true;
}

EcrivainEnr::Etat EcrivainEnr::bilan(bool etaitEnEchec) {
    // A file is forgotten once nothing of it is left to do.
    for (auto i = m_fichiers.begin(); i != m_fichiers.end();) {
        if (i->second.lignes.empty() && i->second.longueurSure < 0)
            i = m_fichiers.erase(i);
        else
            ++i;
    }
    if (nbEnAttente() > 0)
        return Etat::Echec;
    return etaitEnEchec ? Etat::Retabli : Etat::Ecrit;
}

EcrivainEnr::Etat EcrivainEnr::ajoute(const QString& chemin, const QByteArray& ligne) {
    const bool etaitEnEchec = nbEnAttente() > 0;
    m_fichiers[chemin].lignes.push_back(ligne);
    for (auto& [c, f] : m_fichiers)
        vide(c, f);
    return bilan(etaitEnEchec);
}

EcrivainEnr::Etat EcrivainEnr::reessaie() {
    const bool etaitEnEchec = nbEnAttente() > 0;
    for (auto& [c, f] : m_fichiers)
        vide(c, f);
    return bilan(etaitEnEchec);
}

int EcrivainEnr::nbEnAttente() const {
    int n = 0;
    for (const auto& [c, f] : m_fichiers)
        n += static_cast<int>(f.lignes.size());
    return n;
}

int EcrivainEnr::nbEnAttente(const QString& chemin) const {
    const auto i = m_fichiers.find(chemin);
    return i == m_fichiers.end() ? 0 : static_cast<int>(i->second.lignes.size());
}

QStringList EcrivainEnr::fichiersEnAttente() const {
    std::vector<std::pair<quint64, QString>> l;
    for (const auto& [c, f] : m_fichiers)
        if (!f.lignes.empty())
            l.emplace_back(f.rang, c);
    std::sort(l.begin(), l.end());
    QStringList r;
    for (const auto& [rang, c] : l)
        r << c;
    return r;
}

QByteArray EcrivainEnr::contenuEnAttente(const QString& chemin) const {
    QByteArray b;
    const auto i = m_fichiers.find(chemin);
    if (i != m_fichiers.end())
        for (const QByteArray& l : i->second.lignes)
            b += l;
    return b;
}

void EcrivainEnr::oublieAttente(const QString& chemin) {
    const auto i = m_fichiers.find(chemin);
    if (i != m_fichiers.end())
        i->second.lignes.clear();
    bilan(false);
}

QString EcrivainEnr::derniereErreur(const QString& chemin) const {
    const auto i = m_fichiers.find(chemin);
    return i == m_fichiers.end() ? QString() : i->second.erreur;
}

} // namespace files
