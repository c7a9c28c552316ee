#include "files/FichierConfig.h"

#include "core/Erreurs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <limits>
#include <vector>

namespace files {

namespace {

// Splits content into fields. A line end separates fields just as a comma does,
// and blank lines are passed over, so lines are joined with commas first. Blanks
// before a field are skipped; a quoted field runs to the next quote (what stands
// between that quote and the separator is dropped); any other field runs to the
// next comma.
std::vector<QByteArray> champs(const QByteArray& contenu) {
    QByteArray s;
    for (const QByteArray& l : contenu.split('\n')) {
        const QByteArray ligne = l.endsWith('\r') ? l.chopped(1) : l;
        if (ligne.trimmed().isEmpty())
            continue;
        if (!s.isEmpty())
            s += ',';
        s += ligne;
    }
    std::vector<QByteArray> out;
    if (s.isEmpty())
        return out;
    qsizetype i = 0;
    const qsizetype n = s.size();
    while (true) {
        while (i < n && (s[i] == ' ' || s[i] == '\t' || s[i] == '\r'))
            ++i;
        if (i < n && s[i] == '"') {
            const qsizetype fin = s.indexOf('"', i + 1);
            const qsizetype stop = fin < 0 ? n : fin;
            out.push_back(s.mid(i + 1, stop - i - 1));
            i = stop;
            while (i < n && s[i] != ',')
                ++i;
        } else {
            const qsizetype debut = i;
            while (i < n && s[i] != ',')
                ++i;
            out.push_back(s.mid(debut, i - debut).trimmed());
        }
        if (i >= n)
            break;
        ++i; // the comma
    }
    return out;
}

std::optional<long> entier(const QByteArray& texte) {
    if (texte.isEmpty() || texte.size() > 12)
        return std::nullopt;
    bool ok = false;
    const long v = texte.toLong(&ok, 10);
    if (!ok)
        return std::nullopt;
    return v;
}

} // namespace

QString FichierConfig::choisitChemin(const QString& repertoireProgramme,
                                     const QString& repertoireUtilisateur,
                                     std::optional<bool> inscriptible) {
    const QString local = QDir(repertoireProgramme).filePath(nom());
    // A program installed by a package (in /usr/bin) never keeps its settings beside
    // itself, even when run by root, who could write there.
    const QString absolu = QDir(repertoireProgramme).absolutePath();
    const bool systeme = absolu.startsWith(QStringLiteral("/usr/")) ||
                         absolu == QStringLiteral("/bin") || absolu == QStringLiteral("/sbin");
    const bool ecrit =
        inscriptible ? *inscriptible : QFileInfo(repertoireProgramme).isWritable() && !systeme;
    if (QFileInfo::exists(local) || ecrit || repertoireUtilisateur.isEmpty())
        return local;
    return QDir(repertoireUtilisateur).filePath(nom());
}

bool FichierConfig::existe() const {
    return QFileInfo::exists(m_chemin);
}

QByteArray FichierConfig::ligne(const core::Reglages& r) {
    // A double quote cannot be represented inside a quoted field; the new-record
    // command refuses such names, so this only guards against a hand-made one.
    QByteArray nom = QFile::encodeName(r.NomFichierEnr);
    nom.replace('"', QByteArray());
    QByteArray l = "\"NE PAS MODIFIER CE FICHIER\",\"";
    l += nom;
    l += "\",";
    l += QByteArray::number(r.IndexCadence);
    l += ',';
    l += QByteArray::number(r.TypeSource);
    l += ',';
    l += QByteArray::number(r.LargeurFenetre);
    l += "\r\n";
    return l;
}

bool FichierConfig::ecrit_config(const core::Reglages& r, QString* erreur) const {
    QDir().mkpath(QFileInfo(m_chemin).absolutePath());
    // Written to a temporary file and renamed, so a full disk never leaves half a
    // line. A directory that refuses the new file (read-only, while the file itself
    // may be written) gets the line written in place instead.
    QSaveFile f(m_chemin);
    f.setDirectWriteFallback(true);
    const QByteArray l = ligne(r);
    errno = 0;
    if (f.open(QIODevice::WriteOnly) && f.write(l) == l.size() && f.commit())
        return true;
    const int numero = errno;
    if (erreur)
        *erreur = numero != 0 ? core::texteErreur(numero) : QStringLiteral("accès refusé");
    f.cancelWriting();
    return false;
}

bool FichierConfig::sauvegarde() const {
    const QString copie = cheminSauvegarde();
    QFile::remove(copie);
    return QFile::copy(m_chemin, copie);
}

std::optional<ValeursConfig> FichierConfig::analyse(const QByteArray& contenu) {
    const std::vector<QByteArray> c = champs(contenu);
    if (c.size() < 5 || c.size() % 5 != 0)
        return std::nullopt;
    std::optional<ValeursConfig> resultat;
    for (size_t k = 0; k + 5 <= c.size(); k += 5) {
        ValeursConfig v;
        // A record file needs a name, and a quote cannot stand inside a quoted field.
        if (c[k + 1].trimmed().isEmpty() || c[k + 1].contains('"'))
            return std::nullopt;
        v.NomFichierEnr = QFile::decodeName(c[k + 1]);
        const auto cadence = entier(c[k + 2]);
        const auto source = entier(c[k + 3]);
        const auto largeur = entier(c[k + 4]);
        if (!cadence || !source || !largeur)
            return std::nullopt;
        if (*cadence < 1 || *cadence > 10 || *source < 0 || *source > 2)
            return std::nullopt;
        if (*largeur < 1 || *largeur > std::numeric_limits<int16_t>::max())
            return std::nullopt;
        v.IndexCadence = static_cast<uint8_t>(*cadence);
        v.TypeSource = static_cast<uint8_t>(*source);
        v.LargeurFenetre = static_cast<int16_t>(*largeur);
        resultat = v;
    }
    return resultat;
}

LectureConfig FichierConfig::lit_config(core::Reglages& r) const {
    QFile f(m_chemin);
    if (!f.exists())
        return LectureConfig::Absente;
    if (!f.open(QIODevice::ReadOnly))
        return LectureConfig::Endommagee;
    const QByteArray contenu = f.read(kTailleMax + 1);
    if (contenu.size() > kTailleMax)
        return LectureConfig::Endommagee;
    const auto v = analyse(contenu);
    if (!v)
        return LectureConfig::Endommagee;
    r.NomFichierEnr = v->NomFichierEnr;
    r.IndexCadence = v->IndexCadence;
    r.TypeSource = v->TypeSource;
    r.LargeurFenetre = v->LargeurFenetre;
    return LectureConfig::Lue;
}

QString FichierConfig::sauvegardeEndommage() const {
    const QString chemin = QDir::toNativeSeparators(m_chemin);
    return sauvegarde()
               ? QStringLiteral("Le fichier de réglages %1 était endommagé : les réglages par "
                                "défaut sont en vigueur. L'ancien fichier est conservé dans %2.")
                     .arg(chemin, QDir::toNativeSeparators(cheminSauvegarde()))
               : QStringLiteral("Le fichier de réglages %1 était endommagé : les réglages par "
                                "défaut sont en vigueur (l'ancien fichier n'a pas pu être "
                                "conservé).")
                     .arg(chemin);
}

} // namespace files
