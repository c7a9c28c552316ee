#pragma once

#include "files/CodecEnr.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <sys/types.h>

namespace files {

/// The system calls that put bytes on disk. Tests replace them to fail a write
/// after some bytes, fail the flush to disk or fail the cut-back; a long rehearsal
/// may make the flush a no-op.
class AppelsSysteme {
public:
    virtual ~AppelsSysteme() = default;
    virtual ssize_t ecrit(int fd, const char* octets, size_t n);
    virtual int synchronise(int fd);
    virtual int tronque(int fd, off_t longueur);
    /// The real calls.
    static AppelsSysteme& systeme();
};

/// Creates (or empties) a record file and writes its header line. On failure,
/// `erreur` (when given) says why, in French.
bool creeFichierEnr(const QString& chemin, QString* erreur = nullptr,
                    AppelsSysteme& appels = AppelsSysteme::systeme());

/// Appends record lines durably: each block is written with one write on a
/// descriptor opened for appending, checked, and forced to the disk before the
/// call returns. A block that does not get there whole is cut off again, so the
/// file only ever holds complete lines; its lines wait in memory and are retried,
/// in order and exactly once, before any later line for the same file. Each file
/// has its own queue: a failing file never holds back lines for a healthy one.
class EcrivainEnr {
public:
    enum class Etat {
        Ecrit,  ///< everything is on disk
        Echec,  ///< some lines wait in memory
        Retabli ///< writing works again; every waiting line was written
    };

    explicit EcrivainEnr(AppelsSysteme& appels = AppelsSysteme::systeme());

    /// Queues the line for its file and writes everything waiting, for every file.
    Etat ajoute(const QString& chemin, const QByteArray& ligne);
    /// Queues the line for its file without writing; `reessaie` writes it.
    void metEnFile(const QString& chemin, const QByteArray& ligne) {
        m_fichiers[chemin].lignes.push_back(ligne);
    }
    /// Writes what waits, for every file; Ecrit when nothing waits.
    Etat reessaie();

    /// Lines waiting, for all files or for one.
    int nbEnAttente() const;
    int nbEnAttente(const QString& chemin) const;
    /// Files that have lines waiting, in the order their first failure came.
    QStringList fichiersEnAttente() const;
    /// The lines waiting for a file, in order, ready to be saved elsewhere.
    QByteArray contenuEnAttente(const QString& chemin) const;
    /// Forgets the lines waiting for a file (after the user saved them elsewhere).
    void oublieAttente(const QString& chemin);
    /// Why the last write to a file failed, in French.
    QString derniereErreur(const QString& chemin) const;
    /// The line that starts `chemin` when it is new or empty (none by default: a
    /// record file gets its header from the new-record command).
    void setEntete(const QString& chemin, const QByteArray& entete) { m_entetes[chemin] = entete; }
    QByteArray entete(const QString& chemin) const {
        const auto i = m_entetes.find(chemin);
        return i == m_entetes.end() ? QByteArray() : i->second;
    }

    /// Called with each line once it is on disk (without its line end).
    std::function<void(const QString& chemin, const QByteArray& ligne)> surEcrite;

    /// Appends bytes durably to a file: the whole block or nothing. A file that ends
    /// in the middle of a line gets a line end first; `entete`, when given, starts
    /// a file that is empty or new. `longueurSure`, when known, is the length the
    /// file had after its last verified write: anything beyond it is cut off first,
    /// and it is updated on return.
    static bool ecritDurable(const QString& chemin, const QByteArray& octets, QString* erreur,
                             AppelsSysteme& appels = AppelsSysteme::systeme(),
                             const QByteArray& entete = QByteArray(),
                             qint64* longueurSure = nullptr, bool* finCoupee = nullptr);
    /// Called when a file was found ending in the middle of a line (a run that did
    /// not stop cleanly), before the line end that mends it.
    std::function<void(const QString& chemin)> surFinCoupee;

    /// Why lines could not be appended to a file, in French; nullopt when they can
    /// (an absent file in a folder that can be written counts as writable). Nothing
    /// is created or changed.
    static std::optional<QString> refusEcriture(const QString& chemin);

private:
    struct File {
        std::deque<QByteArray> lignes;
        QString erreur;
        /// Length after the last verified write; -1 when not known.
        qint64 longueurSure = -1;
        /// Rank of the first failure, to keep the files in the order they failed.
        quint64 rang = 0;
    };
    bool vide(const QString& chemin, File& f);
    Etat bilan(bool etaitEnEchec);

    AppelsSysteme& m_appels;
    std::map<QString, File> m_fichiers;
    std::map<QString, QByteArray> m_entetes;
    quint64 m_rang = 0;
};

} // namespace files
