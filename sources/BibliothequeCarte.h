#pragma once

#include "sources/PiloteCarte.h"

#include <QLibrary>
#include <QStringList>

#include <memory>

namespace sources {

/// The board vendor's library ("libk8055.so" on Linux, "k8055d.dll" on Windows),
/// loaded by name at run time.
class BibliothequeCarte : public PiloteCarte {
public:
    /// Loads the first candidate that exports the three functions; nullptr if none does.
    static std::unique_ptr<BibliothequeCarte> charge(const QStringList& candidats);
    /// The library's file name on this platform.
    static QString nomBibliotheque();
    /// Where to look: the program's own directory, then the system's library path.
    static QStringList candidats(const QString& repertoireProgramme);

    bool ouvre(long adresse) override;
    std::optional<int> litEntree1() override;
    void ferme() override;

private:
#ifdef _WIN32
#define PLOVAR_APPEL __stdcall
#else
#define PLOVAR_APPEL
#endif
    using FnOpen = long(PLOVAR_APPEL*)(long);
    using FnRead = void(PLOVAR_APPEL*)(long*, long*);
    using FnClose = void(PLOVAR_APPEL*)();

    QLibrary m_lib;
    FnOpen m_open = nullptr;
    FnRead m_read = nullptr;
    FnClose m_close = nullptr;
};

} // namespace sources
