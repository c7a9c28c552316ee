// Fuzzes the configuration reader: any bytes must parse or be rejected without
// fault, and whatever parses must survive a write and a second read unchanged.
#include "files/FichierConfig.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray contenu(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const auto v = files::FichierConfig::analyse(contenu);
    if (!v)
        return 0;
    core::Reglages r;
    r.NomFichierEnr = v->NomFichierEnr;
    r.IndexCadence = v->IndexCadence;
    r.TypeSource = v->TypeSource;
    r.LargeurFenetre = v->LargeurFenetre;
    const auto relu = files::FichierConfig::analyse(files::FichierConfig::ligne(r));
    if (!relu || relu->IndexCadence != v->IndexCadence || relu->TypeSource != v->TypeSource ||
        relu->LargeurFenetre != v->LargeurFenetre)
        std::abort();
    // Names survive unless they hold what the one-line format cannot: line ends,
    // commas at the ends, surrounding blanks.
    if (!v->NomFichierEnr.contains(QLatin1Char('\n')) &&
        !v->NomFichierEnr.contains(QLatin1Char('\r')) &&
        v->NomFichierEnr == v->NomFichierEnr.trimmed() && relu->NomFichierEnr != v->NomFichierEnr)
        std::abort();
    return 0;
}
