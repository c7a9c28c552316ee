#include "files/SerieEnr.h"

#include "core/Decoupage.h"
#include "files/CodecEnr.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <fcntl.h>
#include <optional>
#include <unistd.h>

namespace files {

namespace {

// The first and last record numbers of a file, from its first and last lines.
struct Bornes {
    qint64 premier = 0;
    qint64 dernier = 0;
};

std::optional<qint64> numeroDe(QByteArrayView l) {
    if (l.endsWith('\r'))
        l.chop(1);
    return estLigneEnr(l) ? numeroEnr(l) : std::nullopt;
}

std::optional<Bornes> bornes(const QString& chemin) {
    QFile f(chemin);
    if (!QFileInfo(chemin).isFile() || !f.open(QIODevice::ReadOnly))
        return std::nullopt;
    constexpr qint64 kBloc = 8192;
    const QByteArray debut = f.read(kBloc);
    std::optional<qint64> premier;
    for (const QByteArray& l : debut.split('\n').mid(0, 2))
        if ((premier = numeroDe(l)))
            break;
    if (!premier || !f.seek(std::max<qint64>(0, f.size() - kBloc)))
        return std::nullopt;
    QList<QByteArray> fin = f.read(kBloc).split('\n');
    while (!fin.isEmpty() && fin.back().trimmed().isEmpty())
        fin.removeLast();
    const std::optional<qint64> dernier = fin.isEmpty() ? std::nullopt : numeroDe(fin.back());
    if (!dernier)
        return std::nullopt;
    return Bornes{*premier, *dernier};
}

} // namespace

SerieTrouvee serieDe(const QString& chemin) {
    SerieTrouvee r;
    r.fichiers = {chemin};
    const QFileInfo info(chemin);
    static const QRegularExpression periode(QStringLiteral(
        "^(.*)_(?:(\\d{4}-\\d{2}-\\d{2})|(\\d{4}-S\\d{2})|(\\d{4}-\\d{2}))(\\.[^.]*)?$"));
    const QRegularExpressionMatch m = periode.match(info.fileName());
    if (!m.hasMatch())
        return r;
    const core::Decoupage d = m.capturedLength(2)   ? core::Decoupage::Jour
                              : m.capturedLength(3) ? core::Decoupage::Semaine
                                                    : core::Decoupage::Mois;
    const QString base = info.dir().filePath(m.captured(1) + m.captured(5));
    const QStringList tous = core::cheminsPeriodes(base, d);
    const qsizetype ici = tous.indexOf(info.dir().filePath(info.fileName()));
    if (ici < 0)
        return r;
    std::vector<std::optional<Bornes>> b(static_cast<size_t>(tous.size()));
    const auto de = [&](qsizetype k) -> const std::optional<Bornes>& {
        std::optional<Bornes>& r = b[static_cast<size_t>(k)];
        if (!r)
            r = bornes(tous[k]);
        return r;
    };
    // The run goes on from a file to the next when the numbers go on: a later file
    // that starts at 1 starts another run.
    const auto suit = [&](qsizetype avant, qsizetype apres) {
        return de(avant) && de(apres) && de(apres)->premier > 1 &&
               de(apres)->premier > de(avant)->dernier;
    };
    qsizetype premier = ici, dernier = ici;
    while (premier > 0 && suit(premier - 1, premier))
        --premier;
    while (dernier + 1 < tous.size() && suit(dernier, dernier + 1))
        ++dernier;
    r.fichiers = tous.mid(premier, dernier - premier + 1);
    r.fichiers[ici - premier] = chemin;
    r.trouves = int(r.fichiers.size());
    // The periods between two files found: a file for each is expected.
    const auto debutPeriode = [&](const QString& c) -> QDate {
        const QRegularExpressionMatch p = periode.match(QFileInfo(c).fileName());
        if (p.capturedLength(2))
            return QDate::fromString(p.captured(2), QStringLiteral("yyyy-MM-dd"));
        if (p.capturedLength(4))
            return QDate::fromString(p.captured(4) + QStringLiteral("-01"),
                                     QStringLiteral("yyyy-MM-dd"));
        // "2026-S50": the Monday of that ISO week.
        const int annee = p.captured(3).left(4).toInt(), semaine = p.captured(3).mid(6).toInt();
        const QDate quatreJanvier(annee, 1, 4);
        return quatreJanvier.addDays(1 - quatreJanvier.dayOfWeek() + 7 * (semaine - 1));
    };
    const auto suivante = [d](const QDate& q) {
        return d == core::Decoupage::Jour      ? q.addDays(1)
               : d == core::Decoupage::Semaine ? q.addDays(7)
                                               : q.addMonths(1);
    };
    for (qsizetype k = premier; k < dernier; ++k) {
        QStringList absents;
        const QDate fin = debutPeriode(tous[k + 1]);
        for (QDate q = suivante(debutPeriode(tous[k])); q.isValid() && q < fin; q = suivante(q)) {
            absents << QFileInfo(core::cheminPeriode(base, d, q)).fileName();
            ++r.periodes;
        }
        ++r.periodes;
        const qint64 de1 = de(k)->dernier + 1, a = de(k + 1)->premier - 1;
        if (absents.isEmpty() && de1 > a)
            continue;
        const QString numeros = de1 > a    ? QString()
                                : de1 == a ? QStringLiteral("mesure %1").arg(de1)
                                           : QStringLiteral("mesures %1 à %2").arg(de1).arg(a);
        if (absents.isEmpty())
            r.manques << QStringLiteral("%1 entre %2 et %3")
                             .arg(de1 == a
                                      ? QStringLiteral("la ") + numeros + QStringLiteral(" manque")
                                      : QStringLiteral("les ") + numeros +
                                            QStringLiteral(" manquent"),
                                  QFileInfo(tous[k]).fileName(), QFileInfo(tous[k + 1]).fileName());
        else
            r.manques << QStringLiteral("%1 manque%2%3")
                             .arg(absents.join(QStringLiteral(", ")),
                                  absents.size() > 1 ? QStringLiteral("nt") : QString(),
                                  numeros.isEmpty() ? QString()
                                                    : QStringLiteral(" (%1)").arg(numeros));
    }
    return r;
}

SuiteEnr::SuiteEnr(std::vector<std::unique_ptr<QFile>> parties) {
    for (size_t k = 0; k < parties.size(); ++k) {
        Partie p;
        p.fichier = std::move(parties[k]);
        QFile& f = *p.fichier;
        const qint64 taille = f.size();
        if (k == 0) {
            const QByteArray premiere = f.peek(4096);
            QByteArrayView l(premiere);
            l = l.first(std::max<qsizetype>(0, premiere.indexOf('\n')));
            if (l.endsWith('\r'))
                l.chop(1);
            m_enteteInitiale = premiere.contains('\n') && !estLigneEnr(l);
        } else {
            // The header line of a later file is passed over.
            const QByteArray premiere = f.readLine(4096);
            QByteArrayView l(premiere);
            if (l.endsWith('\n'))
                l.chop(1);
            if (l.endsWith('\r'))
                l.chop(1);
            if (premiere.endsWith('\n') && !estLigneEnr(l))
                p.debut = premiere.size();
        }
        char dernier = '\n';
        if (taille > 0 && f.seek(taille - 1))
            f.getChar(&dernier);
        p.finManquante = taille > p.debut && dernier != '\n';
        f.seek(p.debut);
        m_taille += taille - p.debut + (p.finManquante ? 1 : 0);
        m_parties.push_back(std::move(p));
    }
    open(QIODevice::ReadOnly);
}

qint64 SuiteEnr::readData(char* donnees, qint64 max) {
    while (m_courante < m_parties.size()) {
        Partie& p = m_parties[m_courante];
        const qint64 n = p.fichier->read(donnees, max);
        if (n < 0) {
            m_erreur = true;
            return -1;
        }
        if (n > 0) {
            p.lus += n;
            return n;
        }
        if (p.finManquante && !m_finAjoutee) {
            m_finAjoutee = true;
            p.finDonnee = true;
            *donnees = '\n';
            return 1;
        }
        if (p.fichier->error() != QFile::NoError)
            m_erreur = true;
        ++m_courante;
        m_finAjoutee = false;
    }
    return 0;
}

std::pair<size_t, qint64> SuiteEnr::situe(qint64 ligne) const {
    // Each file's data lines, counted again from the files (only when a load
    // stopped, to say where).
    qint64 avant = 0;
    for (size_t k = 0; k < m_parties.size(); ++k) {
        const Partie& p = m_parties[k];
        QFile f;
        qint64 lignes = 0;
        // The load is over: the files' own reading positions serve no more.
        if (f.open(p.fichier->handle(), QIODevice::ReadOnly, QFileDevice::DontCloseHandle) &&
            f.seek(p.debut)) {
            char tampon[65536];
            qint64 n = 0;
            while ((n = f.read(tampon, sizeof tampon)) > 0)
                lignes += std::count(tampon, tampon + n, '\n');
        }
        lignes += p.finManquante ? 1 : 0;
        // The first file's header is not a data line.
        const qint64 entete = k == 0 && m_enteteInitiale ? 1 : 0;
        if (ligne <= avant + lignes - entete || k + 1 == m_parties.size())
            return {k, ligne - avant};
        avant += lignes - entete;
    }
    return {0, ligne};
}

std::vector<SourceFichiers::Morceau> SuiteEnr::morceaux() const {
    std::vector<SourceFichiers::Morceau> r;
    for (const Partie& p : m_parties)
        r.push_back(SourceFichiers::morceau(*p.fichier, p.debut, p.lus, p.finDonnee));
    return r;
}

SourceFichiers::SourceFichiers(std::vector<Morceau> morceaux) : m_morceaux(std::move(morceaux)) {
    qint64 debut = 0;
    for (const Morceau& m : m_morceaux) {
        m_debuts.push_back(debut);
        debut += m.longueur + (m.finAjoutee ? 1 : 0);
    }
}

SourceFichiers::~SourceFichiers() {
    for (const Morceau& m : m_morceaux)
        if (m.fd >= 0)
            ::close(m.fd);
}

SourceFichiers::Morceau SourceFichiers::morceau(const QFile& f, qint64 debut, qint64 longueur,
                                                bool finAjoutee) {
    Morceau m;
    m.fd = f.handle() >= 0 ? ::fcntl(f.handle(), F_DUPFD_CLOEXEC, 0) : -1;
    m.debut = debut;
    m.longueur = longueur;
    m.finAjoutee = finAjoutee;
    return m;
}

QByteArray SourceFichiers::lit(qint64 position, qint64 longueur) const {
    QByteArray r;
    if (position < 0 || longueur <= 0 || m_morceaux.empty())
        return r;
    auto k = static_cast<size_t>(std::upper_bound(m_debuts.begin(), m_debuts.end(), position) -
                                 m_debuts.begin());
    if (k == 0)
        return r;
    for (--k; k < m_morceaux.size() && r.size() < longueur; ++k) {
        const Morceau& m = m_morceaux[k];
        qint64 dans = std::max<qint64>(position + r.size() - m_debuts[k], 0);
        while (dans < m.longueur && r.size() < longueur) {
            const qint64 voulu = std::min(longueur - r.size(), m.longueur - dans);
            const qsizetype avant = r.size();
            r.resize(avant + static_cast<qsizetype>(voulu));
            const ssize_t n = m.fd < 0 ? -1
                                       : ::pread(m.fd, r.data() + avant, static_cast<size_t>(voulu),
                                                 static_cast<off_t>(m.debut + dans));
            if (n <= 0) {
                // Shorter than it was, or unreadable: what came before is all there is.
                r.truncate(avant);
                return r;
            }
            r.truncate(avant + static_cast<qsizetype>(n));
            dans += n;
        }
        if (m.finAjoutee && dans == m.longueur && r.size() < longueur)
            r.append('\n');
    }
    return r;
}

} // namespace files
