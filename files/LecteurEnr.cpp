#include "files/LecteurEnr.h"

#include "core/Erreurs.h"

#include <QFile>
#include <QLocale>

#include <new>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace files {

ResultatAnalyse analyse_ligne(const QByteArray& ligne) {
    ResultatAnalyse r;
    const qsizetype sep = ligne.indexOf(';');
    if (sep < 0) {
        r.type = ResultatAnalyse::Type::ErreurFormat;
        return r;
    }
    // The first character after the separator is always taken; the next three
    // only while no further separator is met.
    qsizetype fin = std::min(sep + 2, ligne.size());
    while (fin < ligne.size() && fin <= sep + 4 && ligne[fin] != ';')
        ++fin;
    const QString texte = QString::fromLatin1(ligne.constData() + sep + 1, fin - sep - 1);
    bool ok = false;
    const double v = QLocale::c().toDouble(texte.trimmed(), &ok);
    if (!ok || !std::isfinite(v)) {
        r.type = ResultatAnalyse::Type::PasUnNombre;
        return r;
    }
    r.type = ResultatAnalyse::Type::Valeur;
    r.valeur = v;
    return r;
}

ResultatAnalyse analyse_ligne(const QString& ligne) {
    return analyse_ligne(ligne.toLatin1());
}

namespace {

// Reads one line without its end; false at the end of the file or on a read error.
bool litLigne(QIODevice& f, QByteArray& b, bool& erreur) {
    if (f.atEnd())
        return false;
    b = f.readLine(ChargeurEnr::kLongueurMax + 1);
    if (b.isEmpty()) {
        // Not at the end, yet nothing could be read.
        erreur = true;
        return false;
    }
    if (!b.endsWith('\n') && !f.atEnd()) {
        // Over-long line: keep its beginning, pass over the rest.
        char c = 0;
        while (f.getChar(&c) && c != '\n') {
        }
    }
    if (b.endsWith('\n'))
        b.chop(1);
    if (b.endsWith('\r'))
        b.chop(1);
    return true;
}

// What every load starts from: an empty store showing a file. Nothing of an earlier
// recording or file may show through, and the memory it held goes back.
void vide(core::Magasin& m) {
    m.vide();
    m.donneesChargees = true;
}

void arrete(ArretChargement* arret, qint64 ligne, const QString& raison) {
    if (arret) {
        arret->ligne = ligne;
        arret->raison = raison;
    }
}

} // namespace

FinChargement ChargeurEnr::charge(const QString& chemin, core::Magasin& m,
                                  const Progression& progression, ArretChargement* arret) {
    // Opened without blocking, and only a regular file: a named pipe would wait for
    // a writer, a device would never end.
    const int fd =
        ::open(QFile::encodeName(chemin).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        const int numero = errno;
        vide(m);
        arrete(arret, 0, core::texteErreur(numero));
        return FinChargement::Echec;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        vide(m);
        arrete(arret, 0, QStringLiteral("ce n'est pas un fichier ordinaire"));
        return FinChargement::Echec;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    QFile f;
    if (!f.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        vide(m);
        arrete(arret, 0, QStringLiteral("le fichier ne peut pas être lu"));
        return FinChargement::Echec;
    }
    const FinChargement fin = charge(static_cast<QIODevice&>(f), m, progression, arret);
    if (fin == FinChargement::Complet && f.error() != QFile::NoError) {
        arrete(arret, m.NbMesures(), QStringLiteral("erreur de lecture"));
        return FinChargement::Echec;
    }
    return fin;
}

FinChargement ChargeurEnr::charge(QIODevice& f, core::Magasin& m, const Progression& progression,
                                  ArretChargement* arret) {
    vide(m);
    const qint64 taille = f.size();
    bool erreur = false;
    QByteArray ligne;
    if (!litLigne(f, ligne, erreur)) {
        if (erreur)
            arrete(arret, 0, QStringLiteral("erreur de lecture"));
        return erreur ? FinChargement::Echec : FinChargement::Complet;
    }
    m.LigneEntete = QString::fromLatin1(ligne);
    qint64 n = 0;
    try {
        while (!f.atEnd()) {
            // The caller hears of the progress every so many lines, not at each.
            if (progression && n % kLignesParProgression == 0)
                progression(f.pos() + 1, taille);
            if (!litLigne(f, ligne, erreur)) {
                arrete(arret, n + 1, QStringLiteral("erreur de lecture"));
                return FinChargement::Echec;
            }
            ++n;
            const ResultatAnalyse a = analyse_ligne(ligne);
            if (a.type == ResultatAnalyse::Type::ErreurFormat) {
                m.ajouteLigne(-1, ligne);
                return FinChargement::ErreurFormat;
            }
            if (a.type == ResultatAnalyse::Type::PasUnNombre) {
                // The line is kept and listed, its value counts as 0.
                m.ajouteLigne(0, ligne);
                arrete(arret, n,
                       QStringLiteral("la valeur de la ligne n'est pas un nombre (« %1 »)")
                           .arg(QString::fromLatin1(ligne.left(40))));
                return FinChargement::Echec;
            }
            m.ajouteLigne(a.valeur, ligne);
        }
    } catch (const std::bad_alloc&) {
        arrete(arret, n, QStringLiteral("mémoire insuffisante ; les lignes lues sont gardées"));
        return FinChargement::Echec;
    }
    return FinChargement::Complet;
}

} // namespace files
