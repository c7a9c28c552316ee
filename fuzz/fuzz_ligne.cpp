// Fuzzes the record file reader: the line parser on one line, and the loader on
// the whole input as a file.
#include "files/LecteurEnr.h"

#include <QBuffer>

#include <cstdint>
#include <cstdlib>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray octets(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const files::ResultatAnalyse a = files::analyse_ligne(QString::fromLatin1(octets));
    if (a.type == files::ResultatAnalyse::Type::ErreurFormat && octets.contains(';'))
        std::abort();

    static auto magasin = std::make_unique<core::Magasin>();
    QBuffer tampon;
    tampon.setData(octets);
    tampon.open(QIODevice::ReadOnly);
    const files::FinChargement fin = files::ChargeurEnr::charge(tampon, *magasin);
    // Every data line is held, none from an earlier input.
    if (magasin->NbMesures() < 0 || magasin->NbMesures() > octets.count('\n') + 1)
        std::abort();
    if (fin == files::FinChargement::ErreurFormat && magasin->valeur(magasin->NbMesures()) != -1)
        std::abort();
    return 0;
}
