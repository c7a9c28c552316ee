#pragma once

#include "core/Echantillon.h"
#include "engine/Alertes.h"
#include "files/EcrivainEnr.h"

#include <QObject>
#include <QStringList>

#include <deque>
#include <map>

namespace engine {

/// The way of a sample to the record file: its line is appended durably; lines that
/// cannot be written wait and are retried, and in the end go to a rescue file the
/// decider names. Each sample is announced once its line is on disk. Event lines go
/// the same way to their own files, and in the end beside the samples' rescue file.
class Ecriture : public QObject {
    Q_OBJECT
public:
    explicit Ecriture(files::AppelsSysteme& appels, QObject* parent = nullptr);

    /// Appends the line of `e` to the record file `chemin`.
    void ajoute(const QString& chemin, const core::Echantillon& e);
    /// Appends an event line to `chemin`, which starts with `entete` when it is new
    /// or empty.
    void ajouteEvenement(const QString& chemin, const QByteArray& ligne, const QByteArray& entete);
    /// Tries once more to write waiting lines, then asks `decideur` where to save
    /// them. Returns true when no sample waits any more.
    bool sauveAttente(Decideur* decideur, bool fermeture);
    /// The samples' writer.
    const files::EcrivainEnr& ecrivain() const { return m_ecrivain; }

signals:
    /// The line of a sample reached the record file on disk.
    void echantillonEcrit(const core::Echantillon& e);
    /// A record file ended in the middle of a line (mended before the next line).
    void finCoupee(const QString& chemin);
    /// A notice about writing; an empty text withdraws it.
    void alerte(engine::Alerte a, const QString& texte);

private:
    /// Tells how writing stands after a write or a retry.
    void suit();
    /// The lines meant for `chemin` went elsewhere (or nowhere): they are no longer
    /// on their way to it.
    void oublie(const QString& chemin);
    /// Event lines still waiting at the end go beside the samples' rescue file, or
    /// where the decider says; when nowhere, the user is told how many were lost.
    void sauveEvenements(Decideur* decideur);

    files::AppelsSysteme& m_appels;
    files::EcrivainEnr m_ecrivain;
    files::EcrivainEnr m_evenements;
    /// Samples whose lines wait to reach each record file, in order.
    std::map<QString, std::deque<core::Echantillon>> m_enVol;
    bool m_enEchec = false;
    /// Record files found ending mid-line during the current write.
    QStringList m_coupees;
    /// The last rescue file that took samples.
    QString m_dernierSecours;
};

} // namespace engine
