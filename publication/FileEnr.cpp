#include "publication/FileEnr.h"

#include "files/CodecEnr.h"

#include <cstdlib>
#include <sys/stat.h>

namespace publication {

FileEnr::FileEnr(QString chemin) : m_chemin(std::move(chemin)), m_fichier(m_chemin) {}

void FileEnr::reprend(const Curseur& c) {
    m_verification.invalidate();
    m_octet = c.octet;
    m_nPrecedent = c.n;
    m_session = c.session;
    m_instants = files::InstantsEnr();
    if (c.tMs != 0)
        m_instants.reprendApres(c.tMs);
    m_octetCompte = m_octet;
    m_lignesComptees = 0;
    m_premiere = c.premiere;
    m_ancre = c.derniere;
}

void FileEnr::recommence() {
    reprend(Curseur());
    m_remplace = true;
}

std::vector<LigneLue> FileEnr::lit(int max) {
    std::vector<LigneLue> r;
    if (!ouvert() || !m_fichier.seek(m_octet))
        return r;
    constexpr qint64 kLigneMax = 1 << 20;
    qint64 consommees = 0;
    while (static_cast<int>(r.size()) < max) {
        const QByteArray brute = m_fichier.readLine(kLigneMax);
        if (brute.isEmpty())
            break;
        if (!brute.endsWith('\n')) {
            if (brute.size() < kLigneMax - 1)
                break; // a line not yet finished: it waits
            // Damage: a "line" of a megabyte is passed over.
            m_octet += brute.size();
            m_ancre = 0;
            continue;
        }
        m_octet += brute.size();
        m_ancre = empreinte(brute);
        // Counted as the count of lines left counts them.
        if (brute[0] >= '0' && brute[0] <= '9')
            ++consommees;
        QByteArrayView ligne(brute);
        ligne.chop(ligne.endsWith("\r\n") ? 2 : 1);
        const std::optional<qint64> n = files::numeroEnr(ligne);
        const files::ResultatAnalyse a = files::analyse_ligne(ligne);
        if (!n || a.type != files::ResultatAnalyse::Type::Valeur)
            continue;
        const files::ChampsEnr c = files::champsEnr(ligne);
        const std::optional<qint64> t = m_instants.utcMs(c.date, c.heure);
        if (!t)
            continue;
        // A new run: the numbering starts again. Its offset from UTC keeps two runs
        // started in the autumn hour that occurs twice apart.
        if (*n <= m_nPrecedent || m_session.isEmpty()) {
            const int d = std::abs(m_instants.dernierDecalage());
            m_session =
                QString::fromLatin1(c.date.sliced(6, 4)) + QLatin1Char('-') +
                QString::fromLatin1(c.date.sliced(0, 2)) + QLatin1Char('-') +
                QString::fromLatin1(c.date.sliced(3, 2)) + QLatin1Char('T') +
                QString::fromLatin1(c.heure) +
                QString::asprintf("%c%02d:%02d", m_instants.dernierDecalage() < 0 ? '-' : '+',
                                  d / 3600, d / 60 % 60);
        }
        m_nPrecedent = *n;
        r.push_back({*n, m_session, *t, m_instants.dernierDecalage(), a.valeur, m_octet, m_ancre});
    }
    if (m_octetCompte < m_octet) {
        m_octetCompte = m_octet;
        m_lignesComptees = 0;
    } else {
        m_lignesComptees = std::max<qint64>(0, m_lignesComptees - consommees);
    }
    return r;
}

bool FileEnr::ouvert() {
    // Kept open between reads, unless the path now names another file (created,
    // replaced or moved since), which is looked at once a second at most.
    if (m_fichier.isOpen() && m_verification.isValid() && m_verification.elapsed() < 1000)
        return true;
    m_verification.start();
    struct stat chemin {
    }, ouvert{};
    const bool present = ::stat(QFile::encodeName(m_chemin).constData(), &chemin) == 0;
    if (m_fichier.isOpen() && (!present || ::fstat(m_fichier.handle(), &ouvert) != 0 ||
                               ouvert.st_ino != chemin.st_ino || ouvert.st_dev != chemin.st_dev))
        m_fichier.close();
    if (!m_fichier.isOpen() && present) {
        m_fichier.setFileName(m_chemin);
        m_fichier.open(QIODevice::ReadOnly);
    }
    if (m_fichier.isOpen() && !memeFichier())
        recommence();
    return m_fichier.isOpen();
}

bool FileEnr::memeFichier() {
    const std::optional<quint64> premiere = empreintePremiere(m_fichier);
    if (m_premiere == 0) {
        if (premiere)
            m_premiere = *premiere;
    } else if (premiere != m_premiere) {
        return false;
    }
    if (m_octet == 0)
        return true;
    if (m_fichier.size() < m_octet)
        return false;
    return m_ancre == 0 || empreinteAvant(m_fichier, m_octet) == m_ancre;
}

qint64 FileEnr::lignesRestantes() {
    // Only what was added since the last count is read.
    if (!ouvert() || m_fichier.size() <= m_octetCompte)
        return m_lignesComptees;
    QFile& f = m_fichier;
    if (!f.seek(m_octetCompte))
        return m_lignesComptees;
    // Only the bytes not yet counted are read, up to the last whole line.
    char tampon[65536];
    for (;;) {
        if (!f.seek(m_octetCompte))
            break;
        const qint64 lu = f.read(tampon, sizeof tampon);
        if (lu <= 0)
            break;
        // Each block starts at a line start; a line counts when it can be a sample
        // (it starts with a digit): not the header, not a blank line.
        qint64 fin = -1;
        bool debut = true, chiffre = false;
        for (qint64 k = 0; k < lu; ++k) {
            if (debut) {
                chiffre = tampon[k] >= '0' && tampon[k] <= '9';
                debut = false;
            }
            if (tampon[k] == '\n') {
                if (chiffre)
                    ++m_lignesComptees;
                fin = k;
                debut = true;
            }
        }
        // No whole line in the block: a line still being written (or a huge one).
        if (fin < 0)
            break;
        m_octetCompte += fin + 1;
        if (lu < static_cast<qint64>(sizeof tampon))
            break;
    }
    return m_lignesComptees;
}

} // namespace publication
