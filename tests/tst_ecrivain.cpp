// The record writer under injected faults: whatever fails, the file holds whole
// lines in order, none missing, none twice.
#include "Pannes.h"
#include "files/EcrivainEnr.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray ligne(int k) {
    return files::ligneEnr(k, core::ValeurMesure::entier(int16_t(k * 7)),
                           QStringLiteral("12-07-2026"), QStringLiteral("12:25:48"));
}

QByteArray lit(const QString& chemin) {
    QFile f(chemin);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TstEcrivain : public QObject {
    Q_OBJECT
private slots:
    void pannes_data();
    void pannes();
    void deuxFichiers();
    void fichierSecoursAvecEntete();
};

void TstEcrivain::pannes_data() {
    QTest::addColumn<QByteArray>("debut");
    QTest::addColumn<int>("ligneEnPanne");
    QTest::addColumn<int>("place");
    QTest::addColumn<int>("synchronisations");
    QTest::addColumn<int>("troncatures");
    QTest::addColumn<bool>("enAttente");
    // The fault strikes when line `ligneEnPanne` is written and lasts for that write only,
    // except refused cut-backs, which go on for as many tries as given.
    QTest::newRow("disk fills in the middle of a line")
        << QByteArray() << 2 << 19 << 0 << 0 << true;
    QTest::newRow("disk already full") << QByteArray() << 3 << 0 << 0 << 0 << true;
    QTest::newRow("flush to disk fails") << QByteArray() << 2 << -1 << 1 << 0 << true;
    QTest::newRow("cut-back refused once") << QByteArray() << 2 << 19 << 0 << 1 << true;
    QTest::newRow("cut-back refused on the next write too")
        << QByteArray() << 2 << 10 << 0 << 2 << true;
    QTest::newRow("flush fails and the cut-back too") << QByteArray() << 4 << -1 << 1 << 1 << true;
    QTest::newRow("file left in the middle of a line")
        << QByteArray("N\xB0Record;Valeur;Date;Time\r\n1;0;12-07-2026;12:2") << 0 << -1 << 0 << 0
        << false;
    QTest::newRow("file ending with a bare line feed")
        << QByteArray("H\n1;5;x;y\n") << 0 << -1 << 0 << 0 << false;
}

void TstEcrivain::pannes() {
    QFETCH(QByteArray, debut);
    QFETCH(int, ligneEnPanne);
    QFETCH(int, place);
    QFETCH(int, synchronisations);
    QFETCH(int, troncatures);
    QFETCH(bool, enAttente);
    QTemporaryDir dir;
    const QString chemin = dir.filePath(QStringLiteral("r.csv"));
    if (!debut.isEmpty()) {
        QFile f(chemin);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(debut);
    }
    test::Pannes pannes;
    files::EcrivainEnr e(pannes);
    QList<QByteArray> annoncees;
    e.surEcrite = [&](const QString& c, const QByteArray& l) {
        QCOMPARE(c, chemin);
        annoncees << l;
    };
    bool attenteVue = false;
    for (int k = 1; k <= 6; ++k) {
        if (k == ligneEnPanne) {
            pannes.place = place;
            pannes.synchronisationsRefusees = synchronisations;
            pannes.troncaturesRefusees = troncatures;
        }
        const files::EcrivainEnr::Etat etat = e.ajoute(chemin, ligne(k));
        pannes.place = -1;
        pannes.synchronisationsRefusees = 0;
        attenteVue = attenteVue || etat == files::EcrivainEnr::Etat::Echec;
        if (etat == files::EcrivainEnr::Etat::Echec)
            QVERIFY(!e.derniereErreur(chemin).isEmpty());
        // Never a partial line in the file once the call is back, unless the cut-back
        // itself was refused; then the next write removes it first.
        const QByteArray contenu = lit(chemin);
        if (troncatures == 0)
            QVERIFY2(contenu.endsWith('\n'), contenu.right(40).constData());
    }
    for (int essai = 0; essai < 3 && e.nbEnAttente() > 0; ++essai)
        e.reessaie();
    QCOMPARE(e.nbEnAttente(), 0);
    QCOMPARE(attenteVue, enAttente);
    QByteArray attendu = debut;
    if (!debut.isEmpty() && !debut.endsWith('\n'))
        attendu += "\r\n";
    QList<QByteArray> lignes;
    for (int k = 1; k <= 6; ++k) {
        attendu += ligne(k);
        lignes << ligne(k).chopped(2);
    }
    QCOMPARE(lit(chemin), attendu);
    QCOMPARE(annoncees, lignes);
}

void TstEcrivain::deuxFichiers() {
    QTemporaryDir dir;
    const QString a = dir.filePath(QStringLiteral("absent/a.csv"));
    const QString b = dir.filePath(QStringLiteral("b.csv"));
    files::EcrivainEnr e;
    QCOMPARE(e.ajoute(a, ligne(1)), files::EcrivainEnr::Etat::Echec);
    QCOMPARE(e.ajoute(a, ligne(2)), files::EcrivainEnr::Etat::Echec);
    // Lines for a healthy file go there at once, whatever waits for the broken one.
    QCOMPARE(e.ajoute(b, ligne(1)), files::EcrivainEnr::Etat::Echec);
    QCOMPARE(lit(b), ligne(1));
    QCOMPARE(e.nbEnAttente(a), 2);
    QCOMPARE(e.nbEnAttente(b), 0);
    QCOMPARE(e.fichiersEnAttente(), QStringList{a});
    QCOMPARE(e.contenuEnAttente(a), ligne(1) + ligne(2));
    QVERIFY(e.derniereErreur(a).contains(QStringLiteral("n'existe pas")));
    // A's folder comes back: its lines are written with B's next one, each in its own file.
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("absent")));
    QCOMPARE(e.ajoute(b, ligne(2)), files::EcrivainEnr::Etat::Retabli);
    QCOMPARE(lit(a), ligne(1) + ligne(2));
    QCOMPARE(lit(b), ligne(1) + ligne(2));
    QCOMPARE(e.nbEnAttente(), 0);
}

void TstEcrivain::fichierSecoursAvecEntete() {
    QTemporaryDir dir;
    const QString s = dir.filePath(QStringLiteral("s.csv"));
    QString erreur;
    QVERIFY(files::EcrivainEnr::ecritDurable(s, ligne(1), &erreur, files::AppelsSysteme::systeme(),
                                             files::enteteEnr()));
    // An existing rescue file is added to, without a second header.
    QVERIFY(files::EcrivainEnr::ecritDurable(s, ligne(2), &erreur, files::AppelsSysteme::systeme(),
                                             files::enteteEnr()));
    QCOMPARE(lit(s), files::enteteEnr() + ligne(1) + ligne(2));
    // A named pipe is no record file: refused at once, never waited on.
    const QString fifo = dir.filePath(QStringLiteral("tube"));
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QVERIFY(!files::EcrivainEnr::ecritDurable(fifo, ligne(1), &erreur));
    QCOMPARE(erreur, QStringLiteral("ce n'est pas un fichier ordinaire"));
    // On a full disk a new rescue file is not left behind empty.
    test::Pannes plein;
    plein.place = 0;
    const QString neuf = dir.filePath(QStringLiteral("neuf.csv"));
    QVERIFY(!files::EcrivainEnr::ecritDurable(neuf, ligne(1), &erreur, plein, files::enteteEnr()));
    QVERIFY(!QFile::exists(neuf));
}

QTEST_GUILESS_MAIN(TstEcrivain)
#include "tst_ecrivain.moc"
