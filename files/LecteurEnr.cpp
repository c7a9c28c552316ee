#include "files/LecteurEnr.h"

#include "core/Erreurs.h"

#include <QFile>
#include <QLocale>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace files {

ResultatAnalyse analyse_ligne(const QString& ligne) {
    ResultatAnalyse r;
    const qsizetype sep = ligne.indexOf(QLatin1Char(';'));
    if (sep < 0) {
        r.type = ResultatAnalyse::Type::ErreurFormat;
        return r;
    }
    // The first character after the separator is always taken; the next three
    // only while no further separator is met.
    QString texte = ligne.mid(sep + 1, 1);
    for (qsizetype k = sep + 2; k < ligne.size() && k <= sep + 4; ++k) {
        if (ligne[k] == QLatin1Char(';'))
            break;
        texte += ligne[k];
    }
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

namespace {

// Reads one line without its end; false at the end of the file or on a read error.
bool litLigne(QIODevice& f, QString& ligne, bool& erreur) {
    if (f.atEnd())
        return false;
    QByteArray b = f.readLine(ChargeurEnr::kLongueurMax + 1);
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
    ligne = QString::fromLatin1(b);
    return true;
}

// What every load starts from: an empty store showing a file. Nothing of an earlier
// recording or file may show through, and the memory its lines held goes back.
void vide(core::Magasin& m) {
    m.NbMesures = 0;
    m.donneesChargees = true;
    m.LigneEntete.clear();
    std::fill(m.TabValeur.begin(), m.TabValeur.end(), core::ValeurMesure());
    qsizetype liberes = 0;
    for (QString& l : m.LignesFichier) {
        if (!l.isNull()) {
            liberes += l.capacity();
            l = QString();
        }
    }
#ifdef __GLIBC__
    // Many small blocks freed stay with the process unless the heap is trimmed.
    if (liberes > 1024 * 1024)
        malloc_trim(0);
#endif
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
        arrete(arret, m.NbMesures, QStringLiteral("erreur de lecture"));
        return FinChargement::Echec;
    }
    return fin;
}

FinChargement ChargeurEnr::charge(QIODevice& f, core::Magasin& m, const Progression& progression,
                                  ArretChargement* arret) {
    vide(m);
    const qint64 taille = f.size();
    bool erreur = false;
    if (!litLigne(f, m.LigneEntete, erreur)) {
        if (erreur)
            arrete(arret, 0, QStringLiteral("erreur de lecture"));
        return erreur ? FinChargement::Echec : FinChargement::Complet;
    }
    while (!f.atEnd()) {
        if (progression)
            progression(f.pos() + 1, taille);
        if (m.NbMesures >= core::Magasin::kCapacite) {
            arrete(arret, m.NbMesures + 1,
                   QStringLiteral("le fichier a plus de %1 mesures").arg(core::Magasin::kCapacite));
            return FinChargement::Echec;
        }
        QString ligne;
        if (!litLigne(f, ligne, erreur)) {
            arrete(arret, m.NbMesures + 1, QStringLiteral("erreur de lecture"));
            return FinChargement::Echec;
        }
        m.NbMesures += 1;
        const auto i = static_cast<size_t>(m.NbMesures);
        m.LignesFichier[i] = ligne;
        const ResultatAnalyse a = analyse_ligne(ligne);
        if (a.type == ResultatAnalyse::Type::ErreurFormat) {
            m.TabValeur[i] = core::ValeurMesure::reel(-1);
            return FinChargement::ErreurFormat;
        }
        if (a.type == ResultatAnalyse::Type::PasUnNombre) {
            arrete(arret, m.NbMesures,
                   QStringLiteral("la valeur de la ligne n'est pas un nombre (« %1 »)")
                       .arg(ligne.left(40)));
            return FinChargement::Echec;
        }
        m.TabValeur[i] = core::ValeurMesure::reel(a.valeur);
    }
    return FinChargement::Complet;
}

} // namespace files
