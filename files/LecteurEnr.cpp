#include "files/LecteurEnr.h"

#include "files/InstantsEnr.h"
#include "files/SerieEnr.h"

#include "core/Erreurs.h"

#include <QFile>
#include <QFileInfo>

#include <memory>
#include <new>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace files {

namespace {

// Reads a device in large blocks and hands out its lines without their ends
// (LF or CR LF). A line longer than kLongueurMax keeps its beginning. One buffer,
// allocated once: what is left of a block moves to its front before the next read.
class Lignes {
public:
    // The margin after the data lets the fields be read eight bytes at a time.
    explicit Lignes(QIODevice& f)
        : m_f(f), m_tampon(static_cast<size_t>(kGarde + kBloc + kMargeLigne)) {}
    enum Resultat { Ligne, Fin, Erreur };
    /// The next line, valid until the next call, with kMargeLigne readable bytes
    /// after it.
    Resultat suivante(QByteArrayView& ligne) {
        for (;;) {
            const char* d = m_tampon.data();
            const auto* nl = static_cast<const char*>(
                std::memchr(d + m_pos, '\n', static_cast<size_t>(m_fin - m_pos)));
            if (nl || (m_finFichier && m_pos < m_fin)) {
                const qsizetype bout = nl ? nl - d : m_fin;
                ligne = coupe(QByteArrayView(d + m_pos, bout - m_pos));
                m_lus += bout - m_pos + (nl ? 1 : 0) + m_passes;
                m_passes = 0;
                m_pos = bout + (nl ? 1 : 0);
                return Ligne;
            }
            if (m_finFichier)
                return Fin;
            // What is left goes to the front.
            qsizetype reste = m_fin - m_pos;
            std::memmove(m_tampon.data(), d + m_pos, static_cast<size_t>(reste));
            m_pos = 0;
            // A line far longer than anything kept: only its beginning stays in memory.
            if (reste > kGarde - ChargeurEnr::kLongueurMax) {
                m_passes += reste - ChargeurEnr::kLongueurMax;
                reste = ChargeurEnr::kLongueurMax;
            }
            const qint64 n = m_f.read(m_tampon.data() + reste, kBloc);
            m_fin = reste + std::max<qint64>(n, 0);
            if (n < 0)
                return Erreur;
            if (n == 0)
                m_finFichier = true;
        }
    }
    /// Bytes handed out so far.
    qint64 lus() const { return m_lus; }

private:
    static constexpr qint64 kBloc = 1 << 20;
    static constexpr qsizetype kGarde = 1 << 16;
    static QByteArrayView coupe(QByteArrayView l) {
        if (l.endsWith('\r'))
            l.chop(1);
        return l.first(std::min<qsizetype>(l.size(), ChargeurEnr::kLongueurMax));
    }
    QIODevice& m_f;
    std::vector<char> m_tampon;
    qsizetype m_pos = 0;
    qsizetype m_fin = 0;
    qint64 m_lus = 0;
    qint64 m_passes = 0; // bytes of the line in hand dropped from the buffer
    bool m_finFichier = false;
};

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

namespace {

// Opens a record file without ever blocking, and only a regular file: a named pipe
// would wait for a writer, a device would never end. Nullptr with the reason.
std::unique_ptr<QFile> ouvreOrdinaire(const QString& chemin, QString& raison) {
    const int fd =
        ::open(QFile::encodeName(chemin).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        raison = core::texteErreur(errno);
        return nullptr;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        raison = QStringLiteral("ce n'est pas un fichier ordinaire");
        return nullptr;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    auto f = std::make_unique<QFile>();
    if (!f->open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        raison = QStringLiteral("le fichier ne peut pas être lu");
        return nullptr;
    }
    return f;
}

} // namespace

FinChargement ChargeurEnr::charge(const QString& chemin, core::Magasin& m,
                                  const Progression& progression, ArretChargement* arret) {
    // A run split by period opens as one, from its first file to its last, across
    // a file that is missing; what it lacks is said.
    const SerieTrouvee serie = serieDe(chemin);
    const QStringList& chemins = serie.fichiers;
    if (arret && !serie.manques.isEmpty())
        arret->lacunes = QStringLiteral("%1 fichier(s) sur %2 ; %3")
                             .arg(serie.trouves)
                             .arg(serie.periodes)
                             .arg(serie.manques.join(QStringLiteral(" ; ")));
    std::vector<std::unique_ptr<QFile>> parties;
    for (const QString& c : chemins) {
        QString raison;
        parties.push_back(ouvreOrdinaire(c, raison));
        if (!parties.back()) {
            vide(m);
            arrete(arret, 0,
                   chemins.size() > 1
                       ? QStringLiteral("%1 : %2").arg(QFileInfo(c).fileName(), raison)
                       : raison);
            return FinChargement::Echec;
        }
    }
    std::unique_ptr<SuiteEnr> suite;
    if (parties.size() > 1)
        suite = std::make_unique<SuiteEnr>(std::move(parties));
    QIODevice& f = suite ? static_cast<QIODevice&>(*suite) : *parties.front();
    // The lines stay in the files: the store reads them back by their place.
    const FinChargement fin = chargeFlux(f, m, progression, arret, true);
    if (suite && arret && fin != FinChargement::Complet && arret->ligne > 0) {
        // Where it stopped, in the file that holds that line.
        const auto [k, ligne] = suite->situe(arret->ligne);
        arret->fichier = QFileInfo(chemins[qsizetype(k)]).fileName();
        arret->ligne = ligne;
    }
    m.setSource(std::make_shared<SourceFichiers>(
        suite ? suite->morceaux()
              : std::vector<SourceFichiers::Morceau>{
                    SourceFichiers::morceau(*parties.front(), 0, parties.front()->pos())}));
    const bool erreur = suite ? suite->erreur() : parties.front()->error() != QFile::NoError;
    if (fin == FinChargement::Complet && erreur) {
        arrete(arret, m.NbMesures(), QStringLiteral("erreur de lecture"));
        return FinChargement::Echec;
    }
    return fin;
}

FinChargement ChargeurEnr::charge(QIODevice& f, core::Magasin& m, const Progression& progression,
                                  ArretChargement* arret) {
    return chargeFlux(f, m, progression, arret, false);
}

FinChargement ChargeurEnr::chargeFlux(QIODevice& f, core::Magasin& m,
                                      const Progression& progression, ArretChargement* arret,
                                      bool parPosition) {
    vide(m);
    const qint64 taille = f.size();
    Lignes lignes(f);
    QByteArrayView ligne;
    qint64 position = 0; // where the line in hand begins in the stream
    switch (lignes.suivante(ligne)) {
    case Lignes::Erreur:
        arrete(arret, 0, QStringLiteral("erreur de lecture"));
        return FinChargement::Echec;
    case Lignes::Fin:
        return FinChargement::Complet;
    case Lignes::Ligne:
        break;
    }
    // An editor may have saved the file with a UTF-8 byte order mark: it is no part
    // of the first line.
    if (ligne.startsWith("\xEF\xBB\xBF")) {
        ligne = ligne.sliced(3);
        position = 3;
    }
    const QString retourSeul =
        QStringLiteral("les lignes finissent par un retour chariot seul, sans saut de ligne ; "
                       "ce fichier ne vient pas de Plovar ou a été converti");
    if (retourChariotSeul(ligne)) {
        arrete(arret, 0, retourSeul);
        return FinChargement::Echec;
    }
    // A file written without its header line starts with a record line: that line
    // is the first sample, not a title.
    // The lines to come, judged from the first one's length.
    if (taille > 0)
        m.prevoit(std::min<qint64>(taille / std::max<qsizetype>(ligne.size() + 2, 16), 1LL << 31));
    bool enAttente = estLigneEnr(ligne);
    if (!enAttente)
        m.LigneEntete = QString::fromLatin1(ligne);
    qint64 n = 0;
    InstantsEnr instants;
    std::optional<qint64> numeroPrecedent;
    // Each line's instant and the start of each run (the record number starts again).
    const auto ajoute = [&](double valeur, QByteArrayView l, const ChampsEnr& c) {
        const std::optional<qint64> numero = numeroChamp(c.numero);
        if (numero && numeroPrecedent && *numero <= *numeroPrecedent)
            m.debuteSerie();
        if (numero)
            numeroPrecedent = numero;
        const qint64 instant = instants.utcMs(c.date, c.heure).value_or(0);
        if (parPosition)
            m.ajouteLu(valeur, instant, position, l);
        else
            m.ajouteLigne(valeur, l, instant);
    };
    try {
        for (;;) {
            // The caller hears of the progress every so many lines, not at each.
            if (progression && n % kLignesParProgression == 0)
                progression(lignes.lus() + 1, taille);
            if (!enAttente) {
                position = lignes.lus();
                const Lignes::Resultat r = lignes.suivante(ligne);
                if (r == Lignes::Fin)
                    break;
                if (r == Lignes::Erreur) {
                    arrete(arret, n + 1, QStringLiteral("erreur de lecture"));
                    return FinChargement::Echec;
                }
            }
            enAttente = false;
            ++n;
            // Lines ended by a carriage return alone would all read as one.
            bool seul = false;
            const ChampsEnr champs = champsEnrLu(ligne, seul);
            if (seul) {
                arrete(arret, n, retourSeul);
                return FinChargement::Echec;
            }
            // A value of one to four characters is the whole field; any other goes
            // through the line's own reading.
            const ResultatAnalyse a = champs.valeur.size() >= 1 && champs.valeur.size() <= 4
                                          ? analyseValeur(champs.valeur)
                                          : analyse_ligne(ligne, champs.numero.size() < ligne.size()
                                                                     ? champs.numero.size()
                                                                     : -1);
            if (a.type == ResultatAnalyse::Type::ErreurFormat) {
                if (arret)
                    arret->ligne = n;
                ajoute(-1, ligne, champs);
                m.setMarqueurErreur(m.NbMesures());
                return FinChargement::ErreurFormat;
            }
            if (a.type == ResultatAnalyse::Type::PasUnNombre) {
                // The line is kept and listed, its value counts as 0.
                ajoute(0, ligne, champs);
                arrete(arret, n,
                       QStringLiteral("la valeur de la ligne n'est pas un nombre (« %1 »)")
                           .arg(QString::fromLatin1(
                               ligne.first(std::min<qsizetype>(40, ligne.size())))));
                return FinChargement::Echec;
            }
            ajoute(a.valeur, ligne, champs);
        }
    } catch (const std::bad_alloc&) {
        arrete(arret, n, QStringLiteral("mémoire insuffisante ; les lignes lues sont gardées"));
        return FinChargement::Echec;
    }
    // Shortened while it was read (another program cut or replaced it): what was
    // read is kept, and the user is told it is not the whole file.
    if (taille > 0 && lignes.lus() < taille) {
        arrete(arret, n,
               QStringLiteral("le fichier a raccourci pendant la lecture (%1 octets lus sur %2)")
                   .arg(lignes.lus())
                   .arg(taille));
        return FinChargement::Echec;
    }
    return FinChargement::Complet;
}

} // namespace files
