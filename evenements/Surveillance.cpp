#include "evenements/Surveillance.h"

#include "core/Horodatage.h"
#include "files/FichierAlarme.h"

namespace evenements {

Surveillance::Surveillance(engine::Moteur& moteur, Journal& journal, QObject* parent)
    : QObject(parent), m_moteur(moteur), m_journal(journal) {
    m_alarme.regle(
        files::FichierAlarme(files::FichierAlarme::cheminPour(m_moteur.cheminConfiguration()))
            .lit());
    connect(&m_moteur, &engine::Moteur::echantillonStocke, this, &Surveillance::suit);
    connect(&m_moteur, &engine::Moteur::etatChange, this, [this](engine::Etat etat) {
        if (etat != engine::Etat::Enregistrement)
            return;
        const core::ReglageAlarme r = m_alarme.reglage();
        m_alarme = core::Alarme();
        m_alarme.regle(r);
        m_moteur.signale(engine::Alerte::Alarme, QString());
    });
    connect(&m_commande, &CommandeAlarme::echec, this, [this] {
        m_moteur.signale(engine::Alerte::Info,
                         QStringLiteral("La commande d'alarme n'a pas pu être lancée."));
    });
}

bool Surveillance::choisitAlarme(const core::ReglageAlarme& r, bool ecrire, QString* erreur) {
    if (const std::optional<QString> refus = r.refus()) {
        if (erreur)
            *erreur = *refus;
        return false;
    }
    m_alarme.regle(r);
    if (!r.active())
        m_moteur.signale(engine::Alerte::Alarme, QString());
    if (ecrire &&
        !files::FichierAlarme(files::FichierAlarme::cheminPour(m_moteur.cheminConfiguration()))
             .ecrit(r) &&
        erreur)
        *erreur = QStringLiteral("l'alarme est en vigueur mais n'a pas pu être enregistrée");
    return true;
}

QString Surveillance::texteValeur(double physique) const {
    return m_moteur.etalonnage().texteNiveau(physique);
}

void Surveillance::suit(const core::Echantillon& e) {
    if (!m_alarme.reglage().active())
        return;
    // Limits are in the unit shown: the physical value when calibrated.
    const core::Etalonnage& etalonnage = m_moteur.etalonnage();
    const double v = m_moteur.valeurPhysique(e);
    const std::optional<core::TransitionAlarme> t = m_alarme.suit(e.instantMs, v);
    if (!t)
        return;
    const core::ReglageAlarme& r = m_alarme.reglage();
    const QString depuis = core::formatHeure(QDateTime::fromMSecsSinceEpoch(t->depuisMs).time());
    if (t->avant != core::NiveauAlarme::Normal) {
        const qint64 s = (t->depuisMs - m_debutMs) / 1000;
        m_journal.note(QString::fromUtf8(core::Evenement::kFinAlarme),
                       QStringLiteral("Fin de l'alarme %1 : %2 depuis %3 (durée %4 s).")
                           .arg(t->avant == core::NiveauAlarme::Haute ? QStringLiteral("haute")
                                                                      : QStringLiteral("basse"),
                                texteValeur(v), depuis)
                           .arg(s));
        m_moteur.signale(engine::Alerte::Alarme, QString());
    }
    if (t->apres == core::NiveauAlarme::Normal)
        return;
    const bool haute = t->apres == core::NiveauAlarme::Haute;
    m_debutMs = t->depuisMs;
    const QString limite = texteValeur(haute ? *r.haute : *r.basse);
    const QString texte =
        QStringLiteral("Alarme %1 : %2 %3 la limite de %4 depuis %5.")
            .arg(haute ? QStringLiteral("haute") : QStringLiteral("basse"), texteValeur(v),
                 haute ? QStringLiteral("au-dessus de") : QStringLiteral("au-dessous de"), limite,
                 depuis);
    m_journal.note(QString::fromUtf8(core::Evenement::kAlarme), texte);
    m_moteur.signale(engine::Alerte::Alarme, texte);
    emit alarmeDeclenchee(texte);
    if (r.commande.trimmed().isEmpty())
        return;
    QProcessEnvironment variables;
    variables.insert(QStringLiteral("PLOVAR_VALEUR"), texteValeur(v));
    variables.insert(QStringLiteral("PLOVAR_UNITE"),
                     etalonnage.actif ? etalonnage.unite : QString());
    variables.insert(QStringLiteral("PLOVAR_LIMITE"), limite);
    variables.insert(QStringLiteral("PLOVAR_ALARME"),
                     haute ? QStringLiteral("haute") : QStringLiteral("basse"));
    variables.insert(QStringLiteral("PLOVAR_INSTANT"),
                     QDateTime::fromMSecsSinceEpoch(t->depuisMs).toString(Qt::ISODate));
    if (!m_commande.lance(r.commande, variables))
        m_moteur.signale(engine::Alerte::Info,
                         QStringLiteral("La commande d'alarme n'a pas pu être lancée."));
}

} // namespace evenements
