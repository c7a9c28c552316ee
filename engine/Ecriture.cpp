#include "engine/Ecriture.h"

#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QStringList>
#include <QTimer>

#include <mutex>

namespace engine {

namespace {
const QString kSansReponse = QStringLiteral("le disque ne répond pas");
}

/// The writer's side: its writers are used on the writer's thread only; the
/// reports wait under the lock for this thread to take them.
struct Ecriture::Cote {
    explicit Cote(files::AppelsSysteme& a) : appels(a), ecrivain(a), evenements(a) {}

    files::AppelsSysteme& appels;
    files::EcrivainEnr ecrivain;
    files::EcrivainEnr evenements;
    /// A job of the batch asked for the waiting lines to be written.
    bool aEcrire = false;
    Resultat enCours;

    std::mutex m;
    std::deque<Resultat> resultats;
    /// Who takes the reports; cleared before it goes.
    Ecriture* contexte = nullptr;
    /// A call to take the reports is on its way.
    bool reveilPrevu = false;

    static std::vector<Attente> attentes(const files::EcrivainEnr& e) {
        std::vector<Attente> a;
        for (const QString& chemin : e.fichiersEnAttente())
            a.push_back({chemin, e.nbEnAttente(chemin), e.derniereErreur(chemin)});
        return a;
    }

    /// Closes a batch: writes what waits, then reports. The events go first: a mark
    /// about a sample (the source lost or back, an alarm) is noted before the sample's
    /// line is handed over, and whoever reads the record file (the publisher) finds
    /// the mark already there when it reads the sample.
    void finLot() {
        if (aEcrire) {
            aEcrire = false;
            evenements.reessaie();
            ecrivain.reessaie();
        }
        Resultat r = std::move(enCours);
        enCours = Resultat();
        r.mesures = attentes(ecrivain);
        r.evenements = attentes(evenements);
        std::lock_guard<std::mutex> l(m);
        resultats.push_back(std::move(r));
        // One wake-up at a time: a thread that takes the reports itself (waiting
        // on the disk) leaves none piling up in its event queue.
        if (contexte && !reveilPrevu) {
            reveilPrevu = true;
            QMetaObject::invokeMethod(contexte, &Ecriture::reveil, Qt::QueuedConnection);
        }
    }
};

Ecriture::Ecriture(files::AppelsSysteme& appels, QObject* parent)
    : QObject(parent), m_cote(std::make_shared<Cote>(appels)),
      m_fil([c = m_cote] { c->finLot(); }) {
    m_cote->contexte = this;
    Cote* c = m_cote.get();
    // The writer hands back each line once it is on disk, file by file and in order.
    c->ecrivain.surEcrite = [c](const QString& chemin, const QByteArray&) {
        std::vector<std::pair<QString, int>>& e = c->enCours.ecrites;
        if (!e.empty() && e.back().first == chemin)
            ++e.back().second;
        else
            e.emplace_back(chemin, 1);
    };
    c->ecrivain.surFinCoupee = [c](const QString& chemin) { c->enCours.coupees << chemin; };
}

Ecriture::~Ecriture() {
    std::lock_guard<std::mutex> l(m_cote->m);
    m_cote->contexte = nullptr;
}

void Ecriture::ajoute(const QString& chemin, const core::Echantillon& e) {
    m_enVol[chemin].push_back(e);
    m_dernierMs = e.instantMs;
    m_fil.poste([c = m_cote, chemin, ligne = files::ligneEnr(e)] {
        c->ecrivain.metEnFile(chemin, ligne);
        c->aEcrire = true;
    });
    if (m_synchrone)
        attendsDisque();
    else
        suit();
}

void Ecriture::ajouteEvenement(const QString& chemin, const QByteArray& ligne,
                               const QByteArray& entete) {
    m_fil.poste([c = m_cote, chemin, ligne, entete] {
        c->evenements.setEntete(chemin, entete);
        c->evenements.metEnFile(chemin, ligne);
        c->aEcrire = true;
    });
    if (m_synchrone)
        attendsDisque();
}

void Ecriture::reveil() {
    {
        std::lock_guard<std::mutex> l(m_cote->m);
        m_cote->reveilPrevu = false;
    }
    recolte();
}

void Ecriture::recolte() {
    // One report at a time, taken under the lock: a report's listeners may come back
    // here, and the reports are still taken in order.
    for (;;) {
        Resultat r;
        {
            std::lock_guard<std::mutex> l(m_cote->m);
            if (m_cote->resultats.empty())
                return;
            r = std::move(m_cote->resultats.front());
            m_cote->resultats.pop_front();
        }
        m_mesures = std::move(r.mesures);
        m_evenements = std::move(r.evenements);
        for (const auto& [chemin, nb] : r.ecrites) {
            for (int i = 0; i < nb; ++i) {
                const auto v = m_enVol.find(chemin);
                if (v == m_enVol.end() || v->second.empty())
                    break;
                const core::Echantillon e = std::move(v->second.front());
                v->second.pop_front();
                if (v->second.empty())
                    m_enVol.erase(v);
                emit echantillonEcrit(e);
            }
        }
        // Lines that went to a rescue file are not writing that came back.
        if (!m_enSecours)
            suit();
        for (const QString& c : r.coupees)
            emit finCoupee(c);
        for (const std::function<void()>& s : r.suites)
            s();
    }
}

bool Ecriture::attendsDisque() {
    // A slow disk is waited for as long as it gets on; only a batch that has not
    // ended for the whole delay counts as a disk that does not answer.
    quint64 lot = m_fil.lotsCommences() + m_fil.lotsFinis();
    auto depuis = std::chrono::steady_clock::now();
    bool fini = false;
    while (!(fini = m_fil.attends(std::chrono::milliseconds(200)))) {
        const quint64 maintenant = m_fil.lotsCommences() + m_fil.lotsFinis();
        if (maintenant != lot) {
            lot = maintenant;
            depuis = std::chrono::steady_clock::now();
        } else if (std::chrono::steady_clock::now() - depuis > FilEcriture::kDelaiFin) {
            break;
        }
    }
    recolte();
    return fini;
}

int Ecriture::nbEnAttente() const {
    int n = 0;
    for (const Attente& a : m_mesures)
        n += a.nb;
    return n;
}

int Ecriture::nbEnAttente(const QString& chemin) const {
    for (const Attente& a : m_mesures)
        if (a.chemin == chemin)
            return a.nb;
    return 0;
}

QByteArray Ecriture::contenuEnAttente(const QString& chemin) const {
    QByteArray b;
    const auto v = m_enVol.find(chemin);
    if (v != m_enVol.end())
        for (const core::Echantillon& e : v->second)
            b += files::ligneEnr(e);
    return b;
}

qint64 Ecriture::nbNonEcrits() const {
    qint64 n = 0;
    for (const auto& [chemin, v] : m_enVol)
        n += qint64(v.size());
    return n;
}

quint64 Ecriture::lotEnCours() const {
    const quint64 finis = m_fil.lotsFinis();
    const quint64 commences = m_fil.lotsCommences();
    return commences > finis ? commences : 0;
}

void Ecriture::oublie(const QString& chemin) {
    m_fil.poste([c = m_cote, chemin] { c->ecrivain.oublieAttente(chemin); });
    m_enVol.erase(chemin);
    attendsDisque();
}

void Ecriture::suit() {
    if (nbEnAttente() + int(m_evenements.size()) > 0) {
        QStringList lignes;
        for (const Attente& a : m_mesures)
            lignes << QStringLiteral("Écriture impossible dans %1 (%2) : %3 mesure(s) en attente.")
                          .arg(QDir::toNativeSeparators(a.chemin), a.erreur)
                          .arg(a.nb);
        for (const Attente& a : m_evenements)
            lignes << QStringLiteral("Écriture impossible dans %1 (%2) : %3 événement(s) en "
                                     "attente.")
                          .arg(QDir::toNativeSeparators(a.chemin), a.erreur)
                          .arg(a.nb);
        lignes << QStringLiteral("Elles sont gardées en mémoire : nouvel essai à chaque mesure.");
        m_enEchec = true;
        emit alerte(Alerte::Ecriture, lignes.join(QLatin1Char('\n')));
    } else if (m_enEchec) {
        m_enEchec = false;
        emit alerte(Alerte::Ecriture, QString());
        emit alerte(Alerte::Info, QStringLiteral("Écriture rétablie : toutes les mesures en "
                                                 "attente ont été écrites."));
        QTimer::singleShot(10000, this, [this] { emit alerte(Alerte::Info, QString()); });
    }
    // A disk that writes, but slowly: the lines wait in memory, in order, and the
    // user sees how many until the disk has caught up.
    const qint64 nonEcrits = nbNonEcrits();
    qint64 plusAncien = m_dernierMs;
    for (const auto& [chemin, v] : m_enVol)
        if (!v.empty())
            plusAncien = std::min(plusAncien, v.front().instantMs);
    if (!m_enEchec && nonEcrits > 0 &&
        (m_enRetard || m_dernierMs - plusAncien >= kRetardSignaleMs)) {
        m_enRetard = true;
        emit alerte(Alerte::Retard,
                    QStringLiteral("Le disque est lent : %1 mesure(s) attendent d'être écrites "
                                   "(elles sont gardées en mémoire et écrites dans l'ordre).")
                        .arg(nonEcrits));
    } else if (m_enRetard && (nonEcrits == 0 || m_enEchec)) {
        m_enRetard = false;
        emit alerte(Alerte::Retard, QString());
        if (nonEcrits == 0)
            emit alerte(Alerte::Info, QStringLiteral("Le disque a rattrapé son retard : 0 mesure "
                                                     "en attente."));
    }
}

bool Ecriture::sauveAttente(bool fermeture) {
    m_fil.poste([c = m_cote] { c->aEcrire = true; });
    if (!fermeture && !m_synchrone) {
        // The decider is asked once the writer's thread has tried: this thread goes
        // on meanwhile.
        QPointer<Ecriture> moi(this);
        m_fil.poste([c = m_cote, moi] {
            c->enCours.suites.push_back([moi] {
                if (moi)
                    moi->secours(false);
            });
        });
        return nbEnAttente() == 0;
    }
    if (!attendsDisque()) {
        // A write that does not return: the lines on their way are not known to be
        // on disk, and the end does not wait for that thread again. They may yet
        // reach the file, so nothing says they are lost; the decider shows them.
        m_fil.abandonne();
        for (const auto& [chemin, v] : m_enVol) {
            emit alerte(Alerte::Info,
                        QStringLiteral("Le disque ne répond plus : l'écriture de %1 mesure(s) "
                                       "dans %2 n'est pas confirmée après %3 s.")
                            .arg(v.size())
                            .arg(QDir::toNativeSeparators(chemin))
                            .arg(FilEcriture::kDelaiFin.count() / 1000));
            if (m_decideur)
                m_decideur->nonConfirmees(chemin, int(v.size()), contenuEnAttente(chemin));
        }
        return false;
    }
    return secours(fermeture);
}

bool Ecriture::ecritSecours(const QString& chemin, const QString& secours, bool evenements,
                            QString* erreur) {
    auto issue = std::make_shared<std::pair<bool, QString>>(false, QString());
    m_fil.poste([c = m_cote, chemin, secours, evenements, issue] {
        files::EcrivainEnr& e = evenements ? c->evenements : c->ecrivain;
        issue->first = files::EcrivainEnr::ecritDurable(
            secours, e.contenuEnAttente(chemin), &issue->second, c->appels,
            evenements ? e.entete(chemin) : files::enteteEnr());
        if (issue->first)
            e.oublieAttente(chemin);
    });
    if (!attendsDisque()) {
        *erreur = kSansReponse;
        return false;
    }
    *erreur = issue->second;
    return issue->first;
}

bool Ecriture::secours(bool fermeture) {
    m_enSecours = true;
    const bool tout = secoursMesures(fermeture);
    m_enSecours = false;
    m_enEchec = m_enEchec && nbEnAttente() + int(m_evenements.size()) > 0;
    if (nbEnAttente() + int(m_evenements.size()) == 0)
        emit alerte(Alerte::Ecriture, QString());
    else
        suit();
    return tout;
}

bool Ecriture::secoursMesures(bool fermeture) {
    // One rescue file per record file, so lines never mix without saying where they
    // were meant to go.
    const std::vector<Attente> mesures = m_mesures;
    for (const Attente& a : mesures) {
        const QString& chemin = a.chemin;
        while (nbEnAttente(chemin) > 0) {
            const int nb = nbEnAttente(chemin);
            const QString secours =
                m_decideur ? m_decideur->fichierSecours(chemin, nb, fermeture, false) : QString();
            if (secours.isEmpty()) {
                if (!fermeture)
                    break; // they stay waiting and are retried at the next sample
                if (!m_decideur || m_decideur->abandonneAttente(chemin, nb))
                    oublie(chemin);
                continue;
            }
            QString erreur;
            if (ecritSecours(chemin, secours, false, &erreur)) {
                m_enVol.erase(chemin);
                m_dernierSecours = secours;
            } else {
                emit alerte(Alerte::Info, QStringLiteral("Écriture impossible dans %1 (%2).")
                                              .arg(QDir::toNativeSeparators(secours), erreur));
                if (erreur == kSansReponse)
                    return false;
            }
        }
    }
    if (fermeture)
        sauveEvenements();
    return nbEnAttente() == 0;
}

void Ecriture::sauveEvenements() {
    const std::vector<Attente> evenements = m_evenements;
    for (const Attente& a : evenements) {
        const QString& chemin = a.chemin;
        QString secours;
        if (!m_dernierSecours.isEmpty()) {
            const QFileInfo s(m_dernierSecours);
            secours = s.dir().filePath(s.completeBaseName() + QStringLiteral("_evenements.csv"));
        } else if (m_decideur) {
            secours = m_decideur->fichierSecours(chemin, a.nb, true, true);
        }
        QString erreur;
        if (!secours.isEmpty() && ecritSecours(chemin, secours, true, &erreur)) {
            emit alerte(Alerte::Info, QStringLiteral("%1 événement(s) non écrits dans %2 sont "
                                                     "ajoutés à %3.")
                                          .arg(a.nb)
                                          .arg(QDir::toNativeSeparators(chemin),
                                               QDir::toNativeSeparators(secours)));
        } else {
            m_fil.poste([c = m_cote, chemin] { c->evenements.oublieAttente(chemin); });
            attendsDisque();
            emit alerte(Alerte::Info,
                        QStringLiteral("%1 événement(s) n'ont pu être écrits ni dans %2 ni "
                                       "ailleurs : ils sont perdus (les mesures ne le sont pas).")
                            .arg(a.nb)
                            .arg(QDir::toNativeSeparators(chemin)));
        }
    }
}

} // namespace engine
