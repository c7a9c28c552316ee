#include "sources/BibliothequeCarte.h"

#include <QDir>

namespace sources {

QString BibliothequeCarte::nomBibliotheque() {
#ifdef _WIN32
    return QStringLiteral("k8055d.dll");
#else
    return QStringLiteral("libk8055.so");
#endif
}

QStringList BibliothequeCarte::candidats(const QString& repertoireProgramme) {
    // A bare name makes the dynamic loader search the system's library path.
    return {QDir(repertoireProgramme).filePath(nomBibliotheque()), nomBibliotheque()};
}

std::unique_ptr<BibliothequeCarte> BibliothequeCarte::charge(const QStringList& candidats) {
    for (const QString& c : candidats) {
        auto b = std::make_unique<BibliothequeCarte>();
        b->m_lib.setFileName(c);
        if (!b->m_lib.load())
            continue;
        b->m_open = reinterpret_cast<FnOpen>(b->m_lib.resolve("OpenDevice"));
        b->m_read = reinterpret_cast<FnRead>(b->m_lib.resolve("ReadAllAnalog"));
        b->m_close = reinterpret_cast<FnClose>(b->m_lib.resolve("CloseDevice"));
        if (b->m_open && b->m_read && b->m_close)
            return b;
        b->m_lib.unload();
    }
    return nullptr;
}

bool BibliothequeCarte::ouvre(long adresse) {
    // The library answers the address it opened, or a negative number.
    return m_open(adresse) >= 0;
}

std::optional<int> BibliothequeCarte::litEntree1() {
    // Pre-set to all ones: a library that writes only 32 bits of a 64-bit long
    // leaves the upper half alone, and one that writes nothing leaves -1.
    long entree1 = -1;
    long entree2 = -1;
    m_read(&entree1, &entree2);
    const auto lu = static_cast<int32_t>(static_cast<uint32_t>(entree1 & 0xFFFFFFFF));
    if (lu < 0 || lu > 255)
        return std::nullopt;
    return lu;
}

void BibliothequeCarte::ferme() {
    m_close();
}

} // namespace sources
