#include "publication/FichierSuivi.h"

#include "publication/Curseur.h"

#include <cstdlib>
#include <sys/stat.h>

namespace publication {

QString texteSession(QByteArrayView date, QByteArrayView heure, int decalage) {
    const int d = std::abs(decalage);
    return QString::fromLatin1(date.sliced(6, 4)) + QLatin1Char('-') +
           QString::fromLatin1(date.sliced(0, 2)) + QLatin1Char('-') +
           QString::fromLatin1(date.sliced(3, 2)) + QLatin1Char('T') + QString::fromLatin1(heure) +
           QString::asprintf("%c%02d:%02d", decalage < 0 ? '-' : '+', d / 3600, d / 60 % 60);
}

FichierSuivi::FichierSuivi(QString chemin) : m_fichier(chemin), m_chemin(std::move(chemin)) {}

void FichierSuivi::place(qint64 octet, quint64 premiere, quint64 ancre) {
    m_verification.invalidate();
    m_octet = octet;
    m_premiere = premiere;
    m_ancre = ancre;
}

bool FichierSuivi::ouvert() {
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
    if (m_fichier.isOpen() && !memeFichier()) {
        recommence();
        m_verification.start();
    }
    return m_fichier.isOpen();
}

bool FichierSuivi::memeFichier() {
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

bool FichierSuivi::ligneSuivante(QByteArray& brute) {
    constexpr qint64 kLigneMax = 1 << 20;
    for (;;) {
        brute = m_fichier.readLine(kLigneMax);
        if (brute.isEmpty())
            return false;
        if (brute.endsWith('\n'))
            break;
        if (brute.size() < kLigneMax - 1)
            return false; // a line not yet finished: it waits
        m_octet += brute.size();
        m_ancre = 0;
    }
    m_octet += brute.size();
    m_ancre = empreinte(brute);
    return true;
}

qint64 FichierSuivi::compteLignes(qint64& depuis) {
    qint64 n = 0;
    char tampon[65536];
    for (;;) {
        if (!m_fichier.seek(depuis))
            break;
        const qint64 lu = m_fichier.read(tampon, sizeof tampon);
        if (lu <= 0)
            break;
        // Each block starts at a line start; a line counts when it starts with a
        // digit: not a header, not a blank line.
        qint64 fin = -1;
        bool debut = true, chiffre = false;
        for (qint64 k = 0; k < lu; ++k) {
            if (debut) {
                chiffre = tampon[k] >= '0' && tampon[k] <= '9';
                debut = false;
            }
            if (tampon[k] == '\n') {
                n += chiffre;
                fin = k;
                debut = true;
            }
        }
        // No whole line in the block: a line still being written (or a huge one).
        if (fin < 0)
            break;
        depuis += fin + 1;
        if (lu < static_cast<qint64>(sizeof tampon))
            break;
    }
    return n;
}

} // namespace publication
