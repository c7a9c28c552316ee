#pragma once

#include "core/Magasin.h"

#include <QByteArray>
#include <QString>

#include <deque>

namespace files {

/// Header line of a record file, 8-bit Western text ("°" is the byte 0xB0).
QByteArray enteteEnr();
/// One record line: number;value;date;time followed by CR LF.
QByteArray ligneEnr(int numero, const core::ValeurMesure& valeur, const QString& date,
                    const QString& heure);

/// Creates (or empties) a record file and writes its header line. False on failure.
bool creeFichierEnr(const QString& chemin);

/// Appends record lines durably. Each line reaches the disk (flush and fsync)
/// before the call returns; a line that cannot be written waits in memory and
/// is retried, in order and exactly once, before any later line.
class EcrivainEnr {
public:
    enum class Etat {
        Ecrit,  ///< everything, this line included, is on disk
        Echec,  ///< writing failed; lines wait in memory
        Retabli ///< writing works again; every waiting line was written
    };

    /// Queues the line for the file and writes everything waiting.
    Etat ajoute(const QString& chemin, const QByteArray& ligne);
    /// Writes what is waiting; Ecrit when nothing waits.
    Etat reessaie();

    int nbEnAttente() const { return static_cast<int>(m_attente.size()); }
    /// The waiting lines, in order, ready to be saved elsewhere.
    QByteArray contenuEnAttente() const;
    /// File the first waiting line is meant for.
    QString cheminEnAttente() const;
    /// Forgets the waiting lines (after the user saved them elsewhere).
    void oublieAttente() { m_attente.clear(); }
    /// Last system error text of a failed write.
    const QString& derniereErreur() const { return m_erreur; }

    /// Appends bytes to a file and forces them to the disk; on failure the file
    /// is cut back to its former length so that a retry cannot duplicate a line.
    static bool ecritDurable(const QString& chemin, const QByteArray& octets, QString* erreur);

private:
    struct LigneEnAttente {
        QString chemin;
        QByteArray octets;
    };
    Etat vide();

    std::deque<LigneEnAttente> m_attente;
    bool m_echec = false;
    QString m_erreur;
};

} // namespace files
