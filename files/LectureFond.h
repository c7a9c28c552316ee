#pragma once

#include "core/Magasin.h"
#include "files/LecteurEnr.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <memory>
#include <thread>

namespace files {

/// Reads a record file into a store of its own on a thread, beside whatever the
/// program is doing; the store is handed over, by a queued signal, once read. A
/// reading replaced by another, or abandoned, is stopped and its end never told.
class LectureFond : public QObject {
    Q_OBJECT
public:
    explicit LectureFond(QObject* parent = nullptr) : QObject(parent) {}
    ~LectureFond() override { arrete(); }

    /// Starts reading `chemin` (a reading under way is stopped first).
    void lit(const QString& chemin);
    /// Stops the reading under way, if any; its end is not told.
    void arrete();
    bool enCours() const { return m_lecteur.joinable(); }
    /// How far the reading has gone, per thousand of the file's size.
    int progression() const;

signals:
    /// Bytes read so far, of `taille`; sent from the reading's thread (queued).
    void avance(qint64 lus, qint64 taille);
    /// The file was read, or stopped early with what was read and why (`arret`).
    void fini(std::shared_ptr<core::Magasin> magasin, files::FinChargement fin,
              files::ArretChargement arret, QString chemin);

private:
    void termine(std::shared_ptr<core::Magasin> m, FinChargement fin, const ArretChargement& arret,
                 const QString& chemin, int generation);

    std::thread m_lecteur;
    std::atomic<bool> m_annule{false};
    std::atomic<qint64> m_lus{0};
    std::atomic<qint64> m_taille{1};
    /// Counts the readings started: the end of one that was replaced is ignored.
    int m_generation = 0;
};

} // namespace files
