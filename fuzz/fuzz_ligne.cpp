// Fuzzes the record file reader: the line parser on one line, and the loader on
// the whole input as a file.
#include "files/LecteurEnr.h"

#include <QBuffer>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray octets(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const files::ResultatAnalyse a = files::analyse_ligne(QString::fromLatin1(octets));
    if (a.type == files::ResultatAnalyse::Type::ErreurFormat && octets.contains(';'))
        std::abort();

    // The loader's field reader against the plain one, on the input as one line
    // lying in a buffer with its margin (bytes that must not count).
    {
        QByteArray tampon = octets;
        for (qsizetype k = 0; k < files::kMargeLigne; ++k)
            tampon.append(k % 2 ? ';' : '\r');
        const QByteArrayView ligne(tampon.constData(), octets.size());
        bool seul = false;
        const files::ChampsEnr a = files::champsEnrLu(ligne, seul);
        const files::ChampsEnr b = files::champsEnr(ligne);
        const auto meme = [](QByteArrayView x, QByteArrayView y) {
            return x.data() == y.data() && x.size() == y.size();
        };
        if (seul != files::retourChariotSeul(ligne) || !meme(a.numero, b.numero) ||
            !meme(a.valeur, b.valeur) || !meme(a.date, b.date) || !meme(a.heure, b.heure))
            std::abort();
        // A short value field reads as the line does.
        if (b.valeur.size() >= 1 && b.valeur.size() <= 4) {
            const files::ResultatAnalyse x = files::analyseValeur(b.valeur);
            const files::ResultatAnalyse y = files::analyse_ligne(ligne);
            if (x.type != y.type || (x.type == files::ResultatAnalyse::Type::Valeur &&
                                     std::memcmp(&x.valeur, &y.valeur, sizeof x.valeur) != 0))
                std::abort();
        }
    }

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
