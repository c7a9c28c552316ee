#include "publication/Avis.h"

#include "core/Erreurs.h"

#include <mosquitto.h>

namespace publication {

QString Avis::connexion() const {
    return QStringLiteral("connexion au courtier %1…").arg(m_reglage.adresse());
}

QString Avis::connecte() const {
    return QStringLiteral("connecté au courtier %1").arg(m_reglage.adresse());
}

QString Avis::impossible(const QString& pourquoi) const {
    return QStringLiteral("publication impossible : %1").arg(pourquoi);
}

QString Avis::ou(Reglage quoi) const {
    if (!m_reglage.ligneDeCommande)
        return QStringLiteral("dans Publication… (menu Option)");
    switch (quoi) {
    case Reglage::Courtier:
        return QStringLiteral("avec --mqtt, ou hote et port dans plovar.ini");
    case Reglage::Autorite:
        return QStringLiteral("avec ca dans plovar.ini");
    case Reglage::CourtierEtAutorite:
        return QStringLiteral("avec --mqtt, ou hote et ca dans plovar.ini");
    case Reglage::Compte:
        return QStringLiteral("avec utilisateur et mot_de_passe dans plovar.ini, ou "
                              "PLOVAR_MQTT_MOT_DE_PASSE");
    }
    return {};
}

QString Avis::fichierAutorite() const {
    return QStringLiteral("le fichier d'autorité %1 ne peut pas servir au chiffrement ; "
                          "indiquez un certificat PEM %2")
        .arg(m_reglage.ca, ou(Reglage::Autorite));
}

QString Avis::inconnu() const {
    return QStringLiteral("le courtier « %1 » est inconnu (nom introuvable) : vérifiez son nom %2")
        .arg(m_reglage.hote, ou(Reglage::Courtier));
}

QString Avis::chiffrement() const {
    return QStringLiteral("la connexion chiffrée au courtier %1 a échoué : vérifiez le fichier "
                          "d'autorité %2 et le nom du courtier %3")
        .arg(m_reglage.adresse(), m_reglage.ca, ou(Reglage::CourtierEtAutorite));
}

QString Avis::certificat(const QString& journal) const {
    // The library's line is OpenSSL's English: only what it means is said.
    if (journal.contains(QStringLiteral("expired")))
        return QStringLiteral("le certificat du courtier %1 a expiré : il doit être renouvelé "
                              "sur le courtier")
            .arg(m_reglage.adresse());
    if (journal.contains(QStringLiteral("not yet valid")))
        return QStringLiteral("le certificat du courtier %1 n'est pas encore valable : vérifiez "
                              "l'horloge de ce PC et celle du courtier")
            .arg(m_reglage.adresse());
    return QStringLiteral("le certificat du courtier %1 n'est pas reconnu par %2 : vérifiez le "
                          "nom du courtier et le fichier d'autorité %3")
        .arg(m_reglage.adresse(), m_reglage.ca, ou(Reglage::CourtierEtAutorite));
}

QString Avis::injoignable(int rc, int err) const {
    return QStringLiteral("courtier %1 injoignable (%2) ; nouvel essai")
        .arg(m_reglage.adresse(), raison(rc, err));
}

QString Avis::perdue(int rc, bool etaitConnecte) const {
    if (!etaitConnecte)
        return QStringLiteral("la connexion au courtier %1 n'a pas abouti (%2) ; nouvel essai")
            .arg(m_reglage.adresse(), raison(rc, 0));
    return QStringLiteral("liaison perdue avec le courtier %1 (%2) ; nouvel essai")
        .arg(m_reglage.adresse(), raison(rc, 0));
}

QString Avis::refus(int code) const {
    switch (code) {
    case 4:
    case 5:
        return QStringLiteral("le courtier %1 refuse l'utilisateur « %2 » ou son mot de passe : "
                              "corrigez-les %3")
            .arg(m_reglage.adresse(), m_reglage.utilisateur, ou(Reglage::Compte));
    case 2:
        return QStringLiteral("le courtier %1 refuse l'identifiant du client")
            .arg(m_reglage.adresse());
    case 1:
        return QStringLiteral("le courtier %1 refuse la version du protocole (MQTT 3.1.1)")
            .arg(m_reglage.adresse());
    case 3:
        return QStringLiteral("le courtier %1 est indisponible pour le moment")
            .arg(m_reglage.adresse());
    default:
        return QStringLiteral("le courtier %1 refuse la connexion (code %2)")
            .arg(m_reglage.adresse())
            .arg(code);
    }
}

QString Avis::sansReponse(int secondes) const {
    return QStringLiteral("le courtier %1 ne répond pas (aucune réponse en %2 s) ; nouvel essai")
        .arg(m_reglage.adresse())
        .arg(secondes);
}

QString Avis::neRepondPlus() const {
    return QStringLiteral("le courtier %1 ne répond plus ; nouvel essai").arg(m_reglage.adresse());
}

QString Avis::raison(int rc, int err) {
    if (rc == MOSQ_ERR_ERRNO)
        return core::texteErreur(err);
    switch (rc) {
    case MOSQ_ERR_CONN_LOST:
        return QStringLiteral("liaison coupée");
    case MOSQ_ERR_KEEPALIVE:
        return QStringLiteral("le courtier ne répond plus");
    case MOSQ_ERR_PROTOCOL:
    case MOSQ_ERR_MALFORMED_PACKET:
        return QStringLiteral("erreur de protocole : est-ce bien un courtier MQTT sur ce port ?");
    case MOSQ_ERR_NO_CONN:
        return QStringLiteral("pas de liaison");
    case MOSQ_ERR_NOMEM:
        return QStringLiteral("mémoire insuffisante");
    case MOSQ_ERR_TLS:
        return QStringLiteral("échec du chiffrement");
    case MOSQ_ERR_SUCCESS:
        return QStringLiteral("fermée par le courtier");
    default:
        return QStringLiteral("erreur %1 de la bibliothèque MQTT").arg(rc);
    }
}

} // namespace publication
