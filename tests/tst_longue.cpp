// A recording left running: a day at one sample a second, in simulated time.
#include "Factices.h"

#include <QFile>
#include <QTest>

using test::Banc;

namespace {
long pagesResidentes() {
    QFile f(QStringLiteral("/proc/self/statm"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> champs = f.readAll().split(' ');
    return champs.size() > 1 ? champs[1].toLong() : -1;
}
} // namespace

class TstLongue : public QObject {
    Q_OBJECT
private slots:
    void journee();
};

void TstLongue::journee() {
    Banc b;
    app::Enregistreur& f = b.demarre();
    b.horloge.instant = QDateTime(QDate(2026, 12, 5), QTime(18, 0, 0));
    long apresPremier = 0;
    for (int passage = 1; passage <= 2; ++passage) {
        f.CmdRecord_Click();
        int ticks = 0;
        // 24 hours at one tick a second; the store fills after 32000 samples.
        while (f.enregistrement() && ticks < 24 * 3600) {
            if (ticks % 7 == 0)
                f.Form_KeyPress('+');
            f.Timer1_Timer();
            b.horloge.avance(1);
            ++ticks;
        }
        QCOMPARE(ticks, 32001);
        QVERIFY(!f.enregistrement());
        QCOMPARE(int(f.moteur().magasin().NbMesures), 32000);
        QCOMPARE(b.dialogues.avertissements.size(), passage);
        QVERIFY(b.dialogues.avertissements.last().contains(QStringLiteral("32000")));
        QCOMPARE(f.ui().CmdRecord->text(), QStringLiteral(" Record   Start"));
        if (passage == 1)
            apresPremier = pagesResidentes();
    }
    // A second full run needs no more memory than the first. (AddressSanitizer keeps
    // freed memory in quarantine, so the resident size means nothing there.)
    const long apresSecond = pagesResidentes();
#if defined(__SANITIZE_ADDRESS__)
    Q_UNUSED(apresSecond);
#else
    QVERIFY2(apresSecond - apresPremier < 256,
             qPrintable(QStringLiteral("%1 -> %2 pages").arg(apresPremier).arg(apresSecond)));
#endif
    const QByteArray contenu = b.lit(QStringLiteral("data_tr.csv"));
    const QList<QByteArray> lignes = contenu.split('\n');
    QCOMPARE(lignes.size(), 64001);
    QCOMPARE(lignes[0], QByteArray("1;1;12-05-2026;18:00:00\r"));
    QCOMPARE(lignes[31999], QByteArray("32000;4572;12-06-2026;02:53:19\r"));
    QCOMPARE(lignes[32000].left(2), QByteArray("1;"));
}

QTEST_MAIN(TstLongue)
#include "tst_longue.moc"
