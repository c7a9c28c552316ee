// A recording left running for a month at one sample a second, in simulated time.
#include "HorlogeFixe.h"
#include "engine/Moteur.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

namespace {

long residentMo() {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& l : f.readAll().split('\n'))
        if (l.startsWith("VmRSS:"))
            return l.mid(6).trimmed().split(' ').value(0).toLong() / 1024;
    return -1;
}

// The record writer's calls with the flush to disk left out: the rehearsal checks
// what reaches the file, not how long the disk takes.
struct SansSynchro : files::AppelsSysteme {
    int synchronise(int) override { return 0; }
};

} // namespace

class TstLongue : public QObject {
    Q_OBJECT
private slots:
    void mois();
};

void TstLongue::mois() {
    // On a memory file system when there is one: the rehearsal is about what reaches
    // the file, and a disk would only make it slower.
    QTemporaryDir dir(QFileInfo(QStringLiteral("/dev/shm")).isWritable()
                          ? QStringLiteral("/dev/shm/plovar-XXXXXX")
                          : QString());
    QVERIFY(dir.isValid());
    test::HorlogeFixe horloge;
    // Universal time, so that a month of clock arithmetic needs no time zone look-up.
    horloge.instant = QDateTime(QDate(2026, 12, 1), QTime(0, 0, 0), Qt::UTC);
    SansSynchro appels;
    engine::Environnement env;
    env.cheminConfig = dir.filePath(QStringLiteral("plovar.cfg"));
    env.portSerie = dir.filePath(QStringLiteral("pas-de-port"));
    env.bibliothequesCarte = {dir.filePath(QStringLiteral("absente.so"))};
    env.horloge = &horloge;
    env.minuteriesManuelles = true;
    env.ecritureAttendue = true;
    env.appels = &appels;
    QDir::setCurrent(dir.path());
    engine::Moteur m(std::move(env));
    m.demarrage();
    const long avant = residentMo();
    QVERIFY(m.demarre());
    const qint64 n = 31LL * 24 * 3600;
    for (qint64 k = 0; k < n; ++k) {
        if (k % 7 == 0)
            m.toucheTest(k % 14 == 0 ? '+' : '-');
        if (k == 1234567)
            m.toucheTest('+'); // one step up in the middle of the month
        m.Timer1_Timer();
        horloge.instant = horloge.instant.addSecs(1);
    }
    QCOMPARE(m.etat(), engine::Etat::Enregistrement);
    QCOMPARE(m.magasin().NbMesures(), n);
    QCOMPARE(m.magasin().premier(), qint64(1)); // the whole month is held
    const long pendant = residentMo();
    qInfo("Mémoire résidente : %ld Mo avant, %ld Mo après un mois", avant, pendant);
#if !defined(__SANITIZE_ADDRESS__)
    // AddressSanitizer keeps freed memory in quarantine: the size means nothing there.
    QVERIFY2(pendant - avant < 200,
             qPrintable(QStringLiteral("%1 -> %2 Mo").arg(avant).arg(pendant)));
#endif
    QVERIFY(m.arrete());
    // Every line whole and in order, numbered 1 to n.
    QFile f(dir.filePath(QStringLiteral("data_tr.csv")));
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray contenu = f.readAll();
    qint64 attendu = 1;
    qsizetype debut = 0;
    while (debut < contenu.size()) {
        const qsizetype fin = contenu.indexOf("\r\n", debut);
        QVERIFY(fin > debut);
        const QByteArray ligne = contenu.mid(debut, fin - debut);
        if (ligne.left(ligne.indexOf(';')).toLongLong() != attendu)
            QFAIL(ligne.constData());
        ++attendu;
        debut = fin + 2;
    }
    QCOMPARE(attendu - 1, n);
    QVERIFY(contenu.endsWith("\r\n2678400;2;12-31-2026;23:59:59\r\n"));
}

QTEST_GUILESS_MAIN(TstLongue)
#include "tst_longue.moc"
