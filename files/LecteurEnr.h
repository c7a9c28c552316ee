#pragma once

#include "core/Magasin.h"
#include "files/CodecEnr.h"

#include <QIODevice>
#include <QString>

#include <functional>

namespace files {

/// How a load ended.
enum class FinChargement {
    Complet,      ///< every line was read
    ErreurFormat, ///< stopped at a line without ";" (its slot holds -1)
    Echec         ///< stopped at another failure: open, read, value, memory
};

/// Where and why a load stopped before the end of the file.
struct ArretChargement {
    /// Data line it stopped at, counting from 1 after the header; 0 before any.
    qint64 ligne = 0;
    /// Why, in French.
    QString raison;
    /// In a run split by period, the file it stopped in ("" otherwise); `ligne` is
    /// then that file's data line.
    QString fichier;
    /// What a run split by period lacks, in French ("" when nothing): said even when
    /// the load is complete.
    QString lacunes;
};

/// Reads a record file into the store: the first line is the header, data line k
/// goes to index k. Lines read as they were, without their line end (CR LF or LF);
/// a line longer than kLongueurMax is cut there. A file opened by its name is read
/// back by the store when a line is shown; a device is kept in memory.
class ChargeurEnr {
public:
    static constexpr qint64 kLongueurMax = core::Magasin::kLongueurMax;
    /// Lines read between two calls of the progress function.
    static constexpr qint64 kLignesParProgression = 256;

    /// Called before each data line with the byte position where it begins
    /// (counting from 1) and the file's length.
    using Progression = std::function<void(qint64 position, qint64 taille)>;

    /// Opens the file and reads it whole into `m`; a file of a run split by period
    /// brings the run's other files (see fichiersDeLaSerie), read as one. Only a
    /// regular file is opened, without ever blocking (a named pipe is refused).
    /// When the load stops early
    /// for another reason than a format error, `arret` says where and why.
    static FinChargement charge(const QString& chemin, core::Magasin& m,
                                const Progression& progression = {},
                                ArretChargement* arret = nullptr);
    /// Reads an open device whole into `m`.
    static FinChargement charge(QIODevice& f, core::Magasin& m, const Progression& progression = {},
                                ArretChargement* arret = nullptr);

private:
    /// Reads `f` whole into `m`. With `parPosition` the store keeps where each line
    /// begins in `f` rather than its text (its source is set by the caller).
    static FinChargement chargeFlux(QIODevice& f, core::Magasin& m, const Progression& progression,
                                    ArretChargement* arret, bool parPosition);
};

} // namespace files
