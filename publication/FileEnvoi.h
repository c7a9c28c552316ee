#pragma once

#include "publication/Curseur.h"
#include "publication/EnVol.h"
#include "publication/FileEnr.h"
#include "publication/Lacunes.h"
#include "publication/Suivants.h"

#include <deque>
#include <memory>
#include <optional>
#include <utility>

namespace publication {

/// The samples on their way to the broker: read from the record file in order, sent,
/// and acknowledged; the cursor beside the file moves over the samples acknowledged
/// in order only, so that after any outage the file is sent again from there
/// (duplicates, never gaps).
class FileEnvoi {
public:
    /// The record file to send. `curseur` false: from sample `depuis` on, without
    /// reading or writing the cursor (a replay by hand). Returns why the cursor was
    /// not used ("" when it was, or when there is none).
    QString suit(const QString& chemin, bool curseur, qint64 depuis);
    const QString& fichier() const { return m_fichier; }
    /// The record goes on in `chemin` (the next day's file): it is followed, with its
    /// own cursor, once every sample of the files before it is acknowledged, so a
    /// backlog over several files goes in order.
    void suitEnsuite(const QString& chemin);
    /// Files waiting for their turn.
    bool aSuivant() const { return !m_suivants.vide(); }
    bool active() const { return m_file != nullptr; }

    /// Back to just after the last sample acknowledged: what was in flight goes again.
    void reprend();
    /// The next sample to send (nullopt when none is on disk yet). `finFichier` is set
    /// once a read found the end of what is written.
    const LigneLue* prochaine(bool& finFichier);
    /// The sample `prochaine` gave was sent as message `mid` at `instantMs`.
    void envoyee(int mid, qint64 instantMs);
    /// The broker acknowledged message `mid`; true when nothing is left in flight nor
    /// read ahead.
    bool acquitte(int mid);
    /// Writes the cursor when it moved.
    void sauveCurseur();

    /// Samples sent and not acknowledged.
    size_t enVol() const { return m_enVol.size(); }
    /// Samples on disk not acknowledged yet, in this file and the files waiting.
    qint64 enAttente();
    /// How long the oldest sample sent has waited for its acknowledgement, ms.
    qint64 attenteMs(qint64 maintenantMs) const { return m_enVol.attenteMs(maintenantMs); }
    qint64 acquittes() const { return m_acquittes; }
    /// The last sample sent that came from a reading.
    const std::optional<LigneLue>& derniere() const { return m_derniere; }
    /// Lines of the files followed that hold no sample (headers aside), and the start
    /// of the first few.
    qint64 illisibles() const { return m_illisiblesAvant + (m_file ? m_file->illisibles() : 0); }
    QStringList exemplesIllisibles() const {
        return (m_exemplesAvant + (m_file ? m_file->exemplesIllisibles() : QStringList()))
            .mid(0, 3);
    }
    /// A notice about the file followed (replaced under the reader), once.
    QString avis() { return std::exchange(m_avis, QString()); }

private:
    /// Moves on to the next file once nothing of the current one is left.
    bool passeAuSuivant();

    QString m_fichier;
    Suivants<FileEnr> m_suivants;
    /// Where the file before left off, for a file that continues its run.
    std::optional<Curseur> m_suite;
    bool m_avecCurseur = true;
    qint64 m_depuis = 0;
    std::unique_ptr<FileEnr> m_file;
    qint64 m_illisiblesAvant = 0;
    QStringList m_exemplesAvant;
    std::unique_ptr<Lacunes> m_lacunes;
    Curseur m_curseur;
    bool m_curseurModifie = false;
    EnVol<LigneLue> m_enVol;
    std::deque<LigneLue> m_lues;
    std::optional<LigneLue> m_derniere;
    qint64 m_acquittes = 0;
    QString m_avis;
    /// The last attempt to write the cursor failed.
    bool m_curseurEnEchec = false;
};

} // namespace publication
