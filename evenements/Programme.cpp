#include "evenements/Programme.h"

#include "evenements/Journal.h"
#include "evenements/Surveillance.h"

#include <QDateTime>

#include <algorithm>

namespace evenements {

namespace {

QString texteInstant(qint64 ms) {
    return QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("dd/MM/yyyy à HH:mm:ss t"));
}

QString texteSeuil(const core::Etalonnage& e, const core::Seuil& s) {
    return QStringLiteral("au franchissement %1 de %2").arg(s.sens(), e.texteNiveau(s.niveau));
}

} // namespace

Programme::Programme(engine::Moteur& moteur, Journal& journal, Surveillance& alarme,
                     QObject* parent)
    : QObject(parent), m_moteur(moteur), m_journal(journal) {
    m_minuterie.setSingleShot(true);
    m_minuterie.setTimerType(Qt::PreciseTimer);
    if (m_moteur.minuteriesManuelles())
        m_minuterie.blockSignals(true);
    connect(&m_minuterie, &QTimer::timeout, this, &Programme::verifie);
    connect(&m_moteur, &engine::Moteur::etatChange, this, &Programme::surEtat);
    connect(&m_moteur, &engine::Moteur::echantillonStocke, this, &Programme::surEchantillon);
    connect(&m_moteur, &engine::Moteur::declenchement, this,
            [this](const core::Declencheur&, double valeur, int) {
                if (m_phase != Phase::EnCours)
                    return;
                m_avantDeclenchement = false;
                m_precedent = valeur;
                lanceDuree();
                actualiseAvis();
                verifie();
            });
    connect(&alarme, &Surveillance::alarmeDeclenchee, this, [this] {
        if (m_phase == Phase::EnCours && m_plan.arretAlarme && !m_avantDeclenchement)
            arreteBientot(QStringLiteral("alarme"));
    });
}

qint64 Programme::maintenantMs() const {
    return m_moteur.horloge().maintenant().toMSecsSinceEpoch();
}

bool Programme::lance(const core::Plan& plan, QString* erreur) {
    const auto refuse = [erreur](const QString& texte) {
        if (erreur)
            *erreur = texte;
        return false;
    };
    if (m_moteur.etat() != engine::Etat::Repos)
        return refuse(QStringLiteral("un enregistrement ou un chargement est en cours"));
    if (const std::optional<QString> r = plan.refus(maintenantMs()))
        return refuse(*r);
    m_plan = plan;
    m_arretDemande = false;
    m_finDureeMs = 0;
    if (plan.debutMs && maintenantMs() < *plan.debutMs) {
        m_phase = Phase::AttenteHeure;
        actualiseAvis();
        emit changement();
        verifie();
        return true;
    }
    commence();
    return m_phase == Phase::EnCours;
}

void Programme::annule() {
    if (m_phase == Phase::Aucune)
        return;
    termine();
}

void Programme::termine() {
    m_phase = Phase::Aucune;
    m_plan = core::Plan();
    m_minuterie.stop();
    m_arretDemande = false;
    actualiseAvis();
    emit changement();
}

void Programme::commence() {
    m_avantDeclenchement = m_plan.declencheur.has_value();
    m_precedent.reset();
    emit demarrage();
    m_commande = true;
    const bool ok =
        m_plan.declencheur ? m_moteur.demarreSurSeuil(*m_plan.declencheur) : m_moteur.demarre();
    m_commande = false;
    if (!ok) {
        // Refused for now (an export holds the store, a file is loading): the start
        // is tried again at the next check.
        m_phase = Phase::AttenteHeure;
        if (!m_plan.debutMs)
            m_plan.debutMs = maintenantMs();
        arme(maintenantMs() + 1000);
        return;
    }
    m_phase = Phase::EnCours;
    if (!m_avantDeclenchement)
        lanceDuree();
    actualiseAvis();
    emit changement();
    verifie();
}

void Programme::lanceDuree() {
    if (m_plan.dureeMs)
        m_finDureeMs = m_moteur.horloge().monotoneMs() + *m_plan.dureeMs;
}

void Programme::verifie() {
    if (m_phase == Phase::Aucune)
        return;
    const qint64 maintenant = maintenantMs();
    if (m_plan.finMs && maintenant >= *m_plan.finMs) {
        if (m_phase == Phase::AttenteHeure) {
            termine();
            emit finAvantDebut();
        } else {
            arrete(QStringLiteral("heure de fin atteinte"));
        }
        return;
    }
    if (m_phase == Phase::AttenteHeure) {
        if (maintenant >= *m_plan.debutMs) {
            commence();
            return;
        }
        arme(*m_plan.debutMs);
        return;
    }
    if (m_finDureeMs > 0 && m_moteur.horloge().monotoneMs() >= m_finDureeMs) {
        arrete(QStringLiteral("durée écoulée"));
        return;
    }
    if (m_plan.finMs || m_finDureeMs > 0)
        arme(m_plan.finMs.value_or(maintenant + 1000));
}

void Programme::arme(qint64 prochainMs) {
    // Looked at again within a second (the wall clock may be set meanwhile), and
    // right on time when the moment is close.
    const qint64 ecart = std::clamp<qint64>(prochainMs - maintenantMs(), 1, 1000);
    const qint64 resteDuree =
        m_finDureeMs > 0 ? std::max<qint64>(1, m_finDureeMs - m_moteur.horloge().monotoneMs())
                         : ecart;
    m_minuterie.start(static_cast<int>(std::min(ecart, resteDuree)));
}

void Programme::surEchantillon(const core::Echantillon& e) {
    if (m_phase != Phase::EnCours || m_avantDeclenchement || !m_plan.arretSeuil)
        return;
    const double v = m_moteur.valeurPhysique(e);
    const bool franchi = e.lu && m_precedent && m_plan.arretSeuil->franchi(*m_precedent, v);
    m_precedent = e.lu ? std::optional<double>(v) : std::nullopt;
    if (franchi)
        arreteBientot(QStringLiteral("niveau d'arrêt franchi"));
}

void Programme::arreteBientot(const QString& motif) {
    // Handed out while the sample is on its way to the file: the stop comes after it.
    if (m_arretDemande)
        return;
    m_arretDemande = true;
    QMetaObject::invokeMethod(
        this, [this, motif] { arrete(motif); }, Qt::QueuedConnection);
}

void Programme::arrete(const QString& motif) {
    if (m_phase != Phase::EnCours)
        return;
    m_journal.setMotifArret(motif);
    m_commande = true;
    m_moteur.arrete();
    m_commande = false;
    m_journal.setMotifArret(QString());
    termine();
    emit fin(motif);
}

void Programme::surEtat(engine::Etat etat) {
    if (m_commande)
        return;
    if (etat == engine::Etat::Enregistrement && m_phase == Phase::AttenteHeure) {
        // Started by hand before its time: the plan's stops apply to this run, and
        // the start is not made a second time.
        m_phase = Phase::EnCours;
        m_avantDeclenchement = false;
        lanceDuree();
        actualiseAvis();
        emit changement();
        verifie();
    } else if (etat == engine::Etat::Repos && m_phase == Phase::EnCours) {
        // Stopped by hand, or by the end of the program: the plan is over.
        termine();
    }
}

QString Programme::texte() const {
    if (m_phase == Phase::Aucune)
        return QString();
    const core::Etalonnage& e = m_moteur.etalonnage();
    QStringList parties;
    if (m_phase == Phase::AttenteHeure)
        parties << QStringLiteral("début le %1").arg(texteInstant(*m_plan.debutMs));
    if (m_plan.declencheur && (m_phase == Phase::AttenteHeure || m_avantDeclenchement))
        parties << QStringLiteral("%1 %2 (%3 mesure(s) d'avant gardées)")
                       .arg(m_phase == Phase::AttenteHeure ? QStringLiteral("puis")
                                                           : QStringLiteral("en attente"),
                            texteSeuil(e, m_plan.declencheur->seuil))
                       .arg(m_plan.declencheur->avant);
    if (m_plan.finMs)
        parties << QStringLiteral("arrêt le %1").arg(texteInstant(*m_plan.finMs));
    if (m_plan.dureeMs)
        parties << QStringLiteral("arrêt après %1").arg(core::texteDuree(*m_plan.dureeMs));
    if (m_plan.arretAlarme)
        parties << QStringLiteral("arrêt à la première alarme");
    if (m_plan.arretSeuil)
        parties << QStringLiteral("arrêt %1").arg(texteSeuil(e, *m_plan.arretSeuil));
    if (parties.isEmpty())
        return QString();
    return QStringLiteral("Enregistrement programmé : %1.").arg(parties.join(QStringLiteral(", ")));
}

void Programme::actualiseAvis() {
    m_moteur.signale(engine::Alerte::Programme, texte());
}

} // namespace evenements
