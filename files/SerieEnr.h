#pragma once

#include <QFile>
#include <QIODevice>
#include <QStringList>

#include <memory>
#include <vector>

namespace files {

/// The record files that hold one run split by period, oldest first, around the
/// file `chemin`: its period siblings on disk whose record numbers go on from one
/// file to the next. Just `chemin` for a file not named after a period, or whose
/// neighbours start or end other runs.
QStringList fichiersDeLaSerie(const QString& chemin);

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

protected:
    qint64 readData(char* donnees, qint64 max) override;
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    struct Partie {
        std::unique_ptr<QFile> fichier;
        qint64 debut = 0; ///< where its data starts (after a header passed over)
        bool finManquante = false;
    };
    std::vector<Partie> m_parties;
    size_t m_courante = 0;
    bool m_finAjoutee = false;
    qint64 m_taille = 0;
    bool m_erreur = false;
};

} // namespace files
