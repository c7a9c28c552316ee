#include "publication/EvenementsSuivis.h"

#include "core/Evenement.h"
#include "files/FichierEvenements.h"

namespace publication {

void EvenementsSuivis::reprend(const Curseur& c) {
    place(c.octet, c.premiere, c.derniere);
    m_session = c.session;
    m_rang = c.n;
    m_alarme = c.alarme;
    m_instants = files::InstantsEnr();
    if (c.tMs != 0)
        m_instants.reprendApres(c.tMs);
    m_octetCompte = -1;
}

void EvenementsSuivis::recommence() {
    reprend(Curseur());
    signaleRemplace();
}

std::vector<EvenementLu> EvenementsSuivis::lit(int max) {
    std::vector<EvenementLu> r;
    if (!positionne())
        return r;
    QByteArray brute;
    while (static_cast<int>(r.size()) < max && ligneSuivante(brute)) {
        QByteArrayView ligne(brute);
        ligne.chop(ligne.endsWith("\r\n") ? 2 : 1);
        std::optional<core::Evenement> e = files::evenementDeLigne(ligne);
        if (!e)
            continue;
        const QByteArray date = e->date.toLatin1(), heure = e->heure.toLatin1();
        const std::optional<qint64> t = m_instants.utcMs(date, heure);
        if (!t)
            continue;
        const QString session = texteSession(date, heure, m_instants.dernierDecalage());
        const bool debut = e->type == QString::fromUtf8(core::Evenement::kDebut);
        // A start names a new run; a restart notice just before it is already in it
        // when both bear the same second.
        if ((debut || m_session.isEmpty()) && session != m_session) {
            m_session = session;
            m_rang = 0;
        }
        if (debut || e->type == QString::fromUtf8(core::Evenement::kFinAlarme))
            m_alarme = 0;
        else if (e->type == QString::fromUtf8(core::Evenement::kAlarme))
            m_alarme = 1;
        r.push_back({++m_rang, m_session, *t, m_instants.dernierDecalage(), e->numero,
                     std::move(e->type), std::move(e->texte), octet(), ancre(), m_alarme});
    }
    return r;
}

qint64 EvenementsSuivis::lignesRestantes() {
    // Events are few: the lines after where reading stands are counted again only
    // when the file grew or reading moved.
    if (!ouvert())
        return 0;
    const qint64 taille = m_fichier.size();
    if (taille != m_tailleComptee || octet() != m_octetCompte) {
        m_tailleComptee = taille;
        m_octetCompte = octet();
        qint64 depuis = octet();
        m_lignesComptees = compteLignes(depuis);
    }
    return m_lignesComptees;
}

} // namespace publication
