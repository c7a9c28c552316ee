#pragma once

#include "core/Echantillon.h"
#include "engine/Alertes.h"
#include "files/EcrivainEnr.h"

#include <QObject>

#include <deque>
#include <map>

namespace engine {

/// The way of a sample to the record file: its line is appended durably; lines that
/// cannot be written wait and are retried, and in the end go to a rescue file the
/// decider names. Each sample is announced once its line is on disk.
class Ecriture : public QObject {
    Q_OBJECT
public:
    explicit Ecriture(files::AppelsSysteme& appels, QObject* parent = nullptr);

    /// Appends the line of `e` to the record file `chemin`.
    void ajoute(const QString& chemin, const core::Echantillon& e);
    /// Tries once more to write waiting lines, then asks `decideur` where to save
    /// them. Returns true when nothing waits any more.
    bool sauveAttente(Decideur* decideur, bool fermeture);
    const files::EcrivainEnr& ecrivain() const { return m_ecrivain; }

signals:
    /// The line of a sample reached the record file on disk.
    void echantillonEcrit(const core::Echantillon& e);
    /// A notice about writing; an empty text withdraws it.
    void alerte(engine::Alerte a, const QString& texte);

private:
    void suit(files::EcrivainEnr::Etat etat);
    /// The lines meant for `chemin` went elsewhere (or nowhere): they are no longer
    /// on their way to it.
    void oublie(const QString& chemin);

    files::AppelsSysteme& m_appels;
    files::EcrivainEnr m_ecrivain;
    /// Samples whose lines wait to reach each record file, in order.
    std::map<QString, std::deque<core::Echantillon>> m_enVol;
};

} // namespace engine
