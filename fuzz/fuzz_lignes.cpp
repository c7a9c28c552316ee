// Fuzzes the text-line reader: any bytes give finite values or none, and the same
// bytes give the same readings whether they come at once or one by one.
#include "sources/LecteurLignes.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    // The first byte chooses a label (none, "t" or "h").
    const char* etiquettes[] = {"", "t", "h"};
    const QByteArray etiquette(etiquettes[data[0] % 3]);
    const QByteArrayView octets(reinterpret_cast<const char*>(data + 1),
                                static_cast<qsizetype>(size - 1));
    sources::LecteurLignes entier(etiquette), unParUn(etiquette);
    entier.ajoute(octets, 1);
    for (qsizetype i = 0; i < octets.size(); ++i)
        unParUn.ajoute(octets.sliced(i, 1), 1);
    if (entier.nbLues() != unParUn.nbLues() || entier.nbRefusees() != unParUn.nbRefusees() ||
        entier.derniere().has_value() != unParUn.derniere().has_value())
        std::abort();
    if (entier.derniere()) {
        const double v = entier.derniere()->valeur;
        if (!std::isfinite(v) || v != unParUn.derniere()->valeur)
            std::abort();
    }
    return 0;
}
