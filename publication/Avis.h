#pragma once

#include "publication/ReglagePublication.h"

#include <QString>

namespace publication {

/// What the publisher tells the user, in French: what happened with the broker
/// and, where the user must act, what to do.
class Avis {
public:
    explicit Avis(const ReglagePublication& r) : m_reglage(r) {}

    QString connexion() const;
    QString connecte() const;
    QString impossible(const QString& pourquoi) const;
    /// The authority file cannot be used for TLS.
    QString fichierAutorite() const;
    /// The broker's name does not resolve.
    QString inconnu() const;
    /// The TLS connection failed for a reason the library did not log.
    QString chiffrement() const;
    /// The certificate was refused; `journal` is the library's line about it.
    QString certificat(const QString& journal) const;
    /// The connection could not be made (`rc` the library's code, `err` errno).
    QString injoignable(int rc, int err) const;
    /// The link went down (`rc` the library's code): before the broker accepted the
    /// connection, or after.
    QString perdue(int rc, bool etaitConnecte) const;
    /// The broker answered the connection with refusal code `code`.
    QString refus(int code) const;
    /// No answer to the connection within `secondes`.
    QString sansReponse(int secondes) const;
    QString neRepondPlus() const;

    /// Why, in French, from the library's code and errno.
    static QString raison(int rc, int err);

private:
    enum class Reglage { Courtier, Autorite, CourtierEtAutorite, Compte };
    /// Where the user changes that setting, in the words of the front end.
    QString ou(Reglage quoi) const;

    const ReglagePublication& m_reglage;
};

} // namespace publication
