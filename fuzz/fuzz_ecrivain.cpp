// Fuzzes the record writer: random sequences of appends, retries and injected
// faults (a disk that fills after some bytes, a failing flush, a refused cut-back).
// Once the faults stop, the file must hold every line once, whole and in order.
#include "Pannes.h"
#include "files/EcrivainEnr.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cerrno>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QTemporaryDir dir;
    const QString chemin = dir.filePath(QStringLiteral("r.csv"));
    QFile::remove(chemin);
    test::Pannes p;
    p.synchronisationReelle = false; // the file is read back, not kept
    files::EcrivainEnr e(p);
    QByteArray attendu;
    QByteArray annonce;
    e.surEcrite = [&](const QString&, const QByteArray& l) { annonce += l + "\r\n"; };
    int numero = 0;
    for (size_t i = 0; i < size; ++i) {
        const uint8_t o = data[i];
        switch (o % 5) {
        case 0:
        case 1: {
            const QByteArray l =
                files::ligneEnr(++numero, core::ValeurMesure::entier(int16_t(o)),
                                QStringLiteral("12-07-2026"), QStringLiteral("12:00:00"));
            attendu += l;
            e.ajoute(chemin, l);
            break;
        }
        case 2:
            p.place = o / 5;
            break;
        case 3:
            if (o & 8)
                p.synchronisationsRefusees = 1 + (o >> 6);
            else
                p.troncaturesRefusees = 1 + (o >> 6);
            break;
        case 4:
            p.place = -1;
            e.reessaie();
            break;
        }
    }
    p.place = -1;
    p.synchronisationsRefusees = 0;
    p.troncaturesRefusees = 0;
    e.reessaie();
    if (e.nbEnAttente() != 0)
        std::abort();
    QFile f(chemin);
    const QByteArray contenu = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    if (contenu != attendu || annonce != attendu)
        std::abort();
    return 0;
}
