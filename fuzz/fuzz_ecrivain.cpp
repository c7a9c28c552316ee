// Fuzzes the record writer: random sequences of appends, retries and injected
// faults (a disk that fills after some bytes, a failing flush, a refused cut-back).
// Once the faults stop, the file must hold every line once, whole and in order.
#include "files/EcrivainEnr.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cerrno>
#include <cstdint>
#include <cstdlib>

namespace {

class Pannes : public files::AppelsSysteme {
public:
    long place = -1;
    int synchro = 0;
    int troncature = 0;
    ssize_t ecrit(int fd, const char* o, size_t n) override {
        if (place < 0)
            return AppelsSysteme::ecrit(fd, o, n);
        const size_t k = std::min(n, size_t(place));
        if (k == 0) {
            errno = ENOSPC;
            return -1;
        }
        const ssize_t r = AppelsSysteme::ecrit(fd, o, k);
        place -= r > 0 ? r : 0;
        return r;
    }
    // The flush is never needed here: the file lives in memory (tmpfs) and is read back.
    int synchronise(int) override {
        if (synchro > 0) {
            --synchro;
            errno = EIO;
            return -1;
        }
        return 0;
    }
    int tronque(int fd, off_t l) override {
        if (troncature > 0) {
            --troncature;
            errno = EIO;
            return -1;
        }
        return AppelsSysteme::tronque(fd, l);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QTemporaryDir dir;
    const QString chemin = dir.filePath(QStringLiteral("r.csv"));
    QFile::remove(chemin);
    Pannes p;
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
                p.synchro = 1 + (o >> 6);
            else
                p.troncature = 1 + (o >> 6);
            break;
        case 4:
            p.place = -1;
            e.reessaie();
            break;
        }
    }
    p = Pannes();
    e.reessaie();
    if (e.nbEnAttente() != 0)
        std::abort();
    QFile f(chemin);
    const QByteArray contenu = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    if (contenu != attendu || annonce != attendu)
        std::abort();
    return 0;
}
