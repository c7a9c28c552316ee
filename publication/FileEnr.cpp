#include "publication/FileEnr.h"

#include "files/CodecEnr.h"

namespace publication {

void FileEnr::reprend(const Curseur& c) {
    place(c.octet, c.premiere, c.derniere);
    m_nPrecedent = c.n;
    m_session = c.session;
    m_instants = files::InstantsEnr();
    if (c.tMs != 0)
        m_instants.reprendApres(c.tMs);
    m_octetCompte = c.octet;
    m_lignesComptees = 0;
}

void FileEnr::recommence() {
    reprend(Curseur());
    signaleRemplace();
}

std::vector<LigneLue> FileEnr::lit(int max) {
    std::vector<LigneLue> r;
    if (!positionne())
        return r;
    qint64 consommees = 0;
    QByteArray brute;
    while (static_cast<int>(r.size()) < max && ligneSuivante(brute)) {
        // Counted as the count of lines left counts them.
        if (brute[0] >= '0' && brute[0] <= '9')
            ++consommees;
        QByteArrayView ligne(brute);
        ligne.chop(ligne.endsWith("\r\n") ? 2 : 1);
        const std::optional<qint64> n = files::numeroEnr(ligne);
        const files::ResultatAnalyse a = files::analyse_ligne(ligne);
        const files::ChampsEnr c = files::champsEnr(ligne);
        const std::optional<qint64> t = n && a.type == files::ResultatAnalyse::Type::Valeur
                                            ? m_instants.utcMs(c.date, c.heure)
                                            : std::nullopt;
        if (!t) {
            // The header line is no sample; any other line that is none is counted.
            const bool entete = octet() == brute.size() && !(brute[0] >= '0' && brute[0] <= '9');
            if (!entete && !ligne.trimmed().isEmpty() && octet() > m_illisiblesJusque) {
                m_illisiblesJusque = octet();
                ++m_illisibles;
                if (m_exemples.size() < 3)
                    m_exemples << QString::fromLatin1(
                        ligne.first(std::min<qsizetype>(ligne.size(), 40)));
            }
            continue;
        }
        // A new run: the numbering starts again. Its offset from UTC keeps two runs
        // started in the autumn hour that occurs twice apart.
        if (*n <= m_nPrecedent || m_session.isEmpty())
            m_session = texteSession(c.date, c.heure, m_instants.dernierDecalage());
        m_nPrecedent = *n;
        r.push_back({*n, m_session, *t, m_instants.dernierDecalage(), a.valeur, octet(), ancre()});
    }
    if (m_octetCompte < octet()) {
        m_octetCompte = octet();
        m_lignesComptees = 0;
    } else {
        m_lignesComptees = std::max<qint64>(0, m_lignesComptees - consommees);
    }
    return r;
}

qint64 FileEnr::lignesRestantes() {
    // Only what was added since the last count is read.
    if (!ouvert() || m_fichier.size() <= m_octetCompte)
        return m_lignesComptees;
    m_lignesComptees += compteLignes(m_octetCompte);
    return m_lignesComptees;
}

} // namespace publication
