#pragma once

#include "core/Magasin.h"

#include <QFile>
#include <QIODevice>
#include <QStringList>

#include <memory>
#include <vector>

namespace files {

/// The record files that hold one run split by period, oldest first, around the
/// file `chemin`, and what is missing between them.
struct SerieTrouvee {
    QStringList fichiers;
    /// Each hole of the run, in French: a period file absent, numbers that do not
    /// follow on ("mesures_2026-12-02.csv manque (mesures 4 à 6)").
    QStringList manques;
    /// Files of the run found, and the periods it spans from its first to its last.
    int trouves = 1;
    int periodes = 1;
};

/// Its period siblings on disk that go on with its run: each later file's record
/// numbers start after the earlier file's last (not at 1, which starts another
/// run), with or without a hole between them. Just `chemin` for a file not named
/// after a period, or whose neighbours start or end other runs.
SerieTrouvee serieDe(const QString& chemin);
inline QStringList fichiersDeLaSerie(const QString& chemin) {
    return serieDe(chemin).fichiers;
}

/// The bytes a load read, from the files it read them from, for a store to read
/// its lines back: pieces of files one after the other, each maybe followed by a
/// line end the reading added. The files stay open, so a file replaced by another
/// of the same name still reads as it was loaded.
class SourceFichiers : public core::SourceLignes {
public:
    struct Morceau {
        int fd = -1;         ///< owned, closed with the source
        qint64 debut = 0;    ///< first byte read from the file
        qint64 longueur = 0; ///< bytes read from it
        bool finAjoutee = false;
    };
    explicit SourceFichiers(std::vector<Morceau> morceaux);
    ~SourceFichiers() override;
    SourceFichiers(const SourceFichiers&) = delete;
    SourceFichiers& operator=(const SourceFichiers&) = delete;
    QByteArray lit(qint64 position, qint64 longueur) const override;
    /// The piece of an open file, `longueur` bytes from `debut` (its descriptor is duplicated).
    static Morceau morceau(const QFile& f, qint64 debut, qint64 longueur, bool finAjoutee = false);

private:
    std::vector<Morceau> m_morceaux;
    std::vector<qint64> m_debuts; // where each piece starts in the stream
};

/// Several record files read as one: the header line of each file after the first
/// is passed over, and a file whose last line has no end gets one, so that its
/// line never joins the next file's first.
class SuiteEnr : public QIODevice {
public:
    /// `parties`: open, readable files, in order.
    explicit SuiteEnr(std::vector<std::unique_ptr<QFile>> parties);
    bool isSequential() const override { return true; }
    /// What reading it whole gives, in bytes.
    qint64 size() const override { return m_taille; }
    /// True when a read of one of the files failed.
    bool erreur() const { return m_erreur; }
    /// What was read so far, piece by piece, for reading lines back.
    std::vector<SourceFichiers::Morceau> morceaux() const;
    /// Which file data line `ligne` of the whole (from 1, after the first header)
    /// comes from, and its data line in that file (from 1, after its header).
    std::pair<size_t, qint64> situe(qint64 ligne) const;

protected:
    qint64 readData(char* donnees, qint64 max) override;
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    struct Partie {
        std::unique_ptr<QFile> fichier;
        qint64 debut = 0; ///< where its data starts (after a header passed over)
        bool finManquante = false;
        qint64 lus = 0;         ///< bytes read from it
        bool finDonnee = false; ///< its missing line end was handed out
    };
    std::vector<Partie> m_parties;
    size_t m_courante = 0;
    bool m_finAjoutee = false;
    qint64 m_taille = 0;
    bool m_erreur = false;
    /// The first file starts with a header line.
    bool m_enteteInitiale = false;
};

} // namespace files
