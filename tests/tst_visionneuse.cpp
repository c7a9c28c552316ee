#include "Factices.h"
#include "app/Recents.h"
#include "files/EcrivainEnr.h"
#include "files/LecteurEnr.h"
#include "settings/Form_option.h"
#include "ui/BarreChargement.h"

#include <QBuffer>
#include <QDropEvent>
#include <QFile>
#include <QMenu>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <sys/stat.h>

using test::Banc;

namespace {

QByteArray lignes(int n, int premier = 1, const char* valeur = nullptr) {
    QByteArray b;
    for (int i = 0; i < n; ++i) {
        b += QByteArray::number(premier + i) + ';' +
             (valeur ? QByteArray(valeur) : QByteArray::number((i * 7) % 1000)) +
             ";01-31-2007;09:05:03\r\n";
    }
    return b;
}

} // namespace

class TstVisionneuse : public QObject {
    Q_OBJECT
private slots:
    void fichiers_data();
    void fichiers();
    void annule();
    void fichierDisparu();
    void enregistreEtRelit();
    void commandesRefusees();
    void tubeRefuse();
    void mauvaisApresBon_data();
    void mauvaisApresBon();
    void petitApresGros();
    void serie_data();
    void serie();
    void serieArretee();
    void hautesValeurs();
    void habitudes();
    void relecture_data();
    void relecture();
    void analyse_data();
    void analyse();
    void finsPrecoces_data();
    void finsPrecoces();
    // Last: once the program is told to quit, no event loop of this process runs.
    void quitteEnChargeant();
};

void TstVisionneuse::fichiers_data() {
    QTest::addColumn<QByteArray>("contenu");
    QTest::addColumn<int>("nb");
    // The values of lines 1, 2... ; with three values or more the last one is line N's.
    QTest::addColumn<QList<double>>("valeurs");
    QTest::addColumn<QString>("entete");
    QTest::addColumn<bool>("message");
    QTest::addColumn<bool>("dessine");
    const QByteArray h = files::enteteEnr();
    QTest::newRow("1 line") << h + lignes(1) << 1 << QList<double>{0} << "N°Record;Valeur;Date;Time"
                            << false << true;
    QTest::newRow("1000 lines") << h + lignes(1000) << 1000 << QList<double>{0, 7, 993}
                                << "N°Record;Valeur;Date;Time" << false << true;
    QTest::newRow("32000 lines") << h + lignes(32000) << 32000 << QList<double>{0, 7, 993}
                                 << "N°Record;Valeur;Date;Time" << false << true;
    QTest::newRow("4 and 5 digit numbers")
        << h + lignes(3, 9999, "250") << 3 << QList<double>{250, 250, 250}
        << "N°Record;Valeur;Date;Time" << false << true;
    QTest::newRow("no header") << lignes(3) << 3 << QList<double>{0, 7, 14} << "" << false << true;
    QTest::newRow("two runs") << h + lignes(2) + lignes(2) << 4 << QList<double>{0, 7, 0, 7}
                              << "N°Record;Valeur;Date;Time" << false << true;
    QTest::newRow("five characters cut to four")
        << h + "7;12345;01-31-2007;09:05:03\r\n"
        << 1 << QList<double>{1234} << "N°Record;Valeur;Date;Time" << false << true;
    QTest::newRow("empty value field stops silently")
        << h + lignes(2) + "3;;01-31-2007;09:05:03\r\n" + lignes(2) << 3 << QList<double>{0, 7}
        << "N°Record;Valeur;Date;Time" << false << true;
    QTest::newRow("empty line in the middle")
        << h + lignes(2) + "\r\n" + lignes(2) << 3 << QList<double>{0, 7, -1}
        << "N°Record;Valeur;Date;Time" << true << false;
    QTest::newRow("no separator at start") << h + "abc\r\n" + lignes(2) << 1 << QList<double>{-1}
                                           << "N°Record;Valeur;Date;Time" << true << false;
    QTest::newRow("no separator at end") << h + lignes(2) + "fin" << 3 << QList<double>{0, 7, -1}
                                         << "N°Record;Valeur;Date;Time" << true << false;
    QTest::newRow("header only") << h << 0 << QList<double>{} << "N°Record;Valeur;Date;Time"
                                 << false << true;
    QTest::newRow("empty file") << QByteArray() << 0 << QList<double>{} << "" << false << true;
    QTest::newRow("32001 lines") << h + lignes(32001) << 32001 << QList<double>{0, 7, 0}
                                 << "N°Record;Valeur;Date;Time" << false << true;
    QTest::newRow("1000000 lines") << h + lignes(1000000) << 1000000 << QList<double>{0, 7, 993}
                                   << "N°Record;Valeur;Date;Time" << false << true;
    QTest::newRow("bare LF") << QByteArray("H\n1;5;x;y\n2;6;x;y\n") << 2 << QList<double>{5, 6}
                             << "H" << false << true;
    QTest::newRow("not a number") << h + "1;abc;x;y\r\n2;5;x;y\r\n"
                                  << 1 << QList<double>{} << "N°Record;Valeur;Date;Time" << false
                                  << true;
    // Saved by an editor with a UTF-8 byte order mark: the mark is not shown.
    QTest::newRow("byte order mark") << "\xEF\xBB\xBF" + h + lignes(2) << 2 << QList<double>{0, 7}
                                     << "N°Record;Valeur;Date;Time" << false << true;
    QTest::newRow("byte order mark, no header")
        << "\xEF\xBB\xBF" + lignes(2) << 2 << QList<double>{0, 7} << "" << false << true;
    QTest::newRow("binary") << QByteArray("\x00\x01;\xff\xfe\r\n\x00;9\r\n", 12) << 1
                            << QList<double>{9} << QString::fromLatin1("\x00\x01;\xff\xfe", 5)
                            << false << true;
}

void TstVisionneuse::fichiers() {
    QFETCH(QByteArray, contenu);
    QFETCH(int, nb);
    QFETCH(QList<double>, valeurs);
    QFETCH(QString, entete);
    QFETCH(bool, message);
    QFETCH(bool, dessine);
    Banc b;
    app::Enregistreur& f = b.demarre();
    const QString chemin = b.chemin(QStringLiteral("lu.csv"));
    QVERIFY(test::ecritFichier(chemin, contenu));
    // The zoom and offset left by a previous file do not carry over.
    f.vue().etat().DecalageX = 12;
    f.ui().Slider1->setValue(6);
    b.dialogues.fichiers.push_back(chemin);
    f.menu_charger_Click();
    QCOMPARE(f.ui().Slider1->value(), 1);
    QCOMPARE(int(f.moteur().magasin().NbMesures()), nb);
    QCOMPARE(f.moteur().magasin().LigneEntete, entete);
    // Listed values: the first ones in order; when more lines than listed, the last one.
    for (int i = 0; i < valeurs.size(); ++i) {
        const int index = (valeurs.size() >= 3 && i == valeurs.size() - 1) ? nb : i + 1;
        QCOMPARE(f.moteur().magasin().valeur(index), valeurs[i]);
    }
    QCOMPARE(b.dialogues.messages.size(), message ? 1 : 0);
    if (message)
        QCOMPARE(b.dialogues.messages[0], QStringLiteral("Erreur format fichier"));
    // The -1 that marks where a damaged file stopped is listed but is no reading.
    const core::Statistiques st = f.moteur().magasin().statistiques(1, nb);
    QCOMPARE(int(st.n), message ? nb - 1 : nb);
    if (st.n > 0)
        QVERIFY(st.extremes.min >= 0);
    QCOMPARE(f.vue().etat().DecalageX, 0.0);
    // Cleaned up on every ending.
    QVERIFY(f.barreChargement());
    QVERIFY(f.barreChargement()->isHidden());
    QCOMPARE(f.cursor().shape(), Qt::ArrowCursor);
    QVERIFY(!f.chargementEnCours());
    if (dessine) {
        // A title row only for a file with a header line.
        const int titre = entete.isEmpty() ? 0 : 1;
        QCOMPARE(f.modeleListe()->rowCount(), nb + 1 + titre);
        if (titre)
            QCOMPARE(f.modeleListe()->ligne(0), entete);
        if (nb > 0)
            QCOMPARE(f.modeleListe()->ligne(titre),
                     QString::number(nb) + " ---- " + f.moteur().magasin().LignesFichier(nb));
        QCOMPARE(f.modeleListe()->ligne(nb + titre), QStringLiteral("0 ---- "));
        QCOMPARE(f.ui().HScroll1->maximum(), nb);
    } else {
        QCOMPARE(f.modeleListe()->rowCount(), 0);
        QCOMPARE(f.ui().Ecran1->nbTrace(), -1);
    }
}

void TstVisionneuse::annule() {
    Banc b;
    app::Enregistreur& f = b.demarre();
    f.CmdRecord_Click();
    b.horloge.avance(1);
    f.Timer1_Timer();
    b.horloge.avance(1);
    f.Timer1_Timer();
    f.CmdRecord_Click();
    const QString avant = f.modeleListe()->texte();
    f.menu_charger_Click();
    QCOMPARE(b.dialogues.dialoguesFichier, 1);
    QCOMPARE(int(f.moteur().magasin().NbMesures()), 2);
    QCOMPARE(f.modeleListe()->texte(), avant);
    QVERIFY(!f.barreChargement());
}

void TstVisionneuse::fichierDisparu() {
    Banc b;
    app::Enregistreur& f = b.demarre();
    b.dialogues.fichiers.push_back(b.chemin(QStringLiteral("parti.csv")));
    f.menu_charger_Click();
    QCOMPARE(int(f.moteur().magasin().NbMesures()), 0);
    QVERIFY(b.dialogues.messages.isEmpty());
    QVERIFY(f.barreChargement()->isHidden());
    QVERIFY(!f.chargementEnCours());
}

void TstVisionneuse::enregistreEtRelit() {
    Banc b;
    app::Enregistreur& f = b.demarre();
    b.dialogues.fichiers.push_back(b.chemin(QStringLiteral("r.csv")));
    f.menu_nouveau_Click();
    f.CmdRecord_Click();
    for (int k = 0; k < 3; ++k) {
        f.Form_KeyPress('+');
        f.Timer1_Timer();
        b.horloge.avance(1);
    }
    f.CmdRecord_Click();
    b.dialogues.fichiers.push_back(b.chemin(QStringLiteral("r.csv")));
    f.menu_charger_Click();
    QCOMPARE(f.modeleListe()->texte(), QStringLiteral("N°Record;Valeur;Date;Time\r\n"
                                                      "3 ---- 3;3;11-08-2006;14:05:11\r\n"
                                                      "2 ---- 2;2;11-08-2006;14:05:10\r\n"
                                                      "1 ---- 1;1;11-08-2006;14:05:09\r\n"
                                                      "0 ---- \r\n"));
    QCOMPARE(f.ui().Ecran1->nbTrace(), 3);
}

void TstVisionneuse::commandesRefusees() {
    Banc b;
    app::Enregistreur& f = b.demarre();
    const QString chemin = b.chemin(QStringLiteral("gros.csv"));
    QVERIFY(test::ecritFichier(chemin, files::enteteEnr() + lignes(32000)));
    // Commands given while the file loads (here from the load's own event processing).
    int essais = 0;
    QTimer espion;
    espion.setInterval(0);
    connect(&espion, &QTimer::timeout, &f, [&] {
        if (!f.chargementEnCours())
            return;
        ++essais;
        f.CmdRecord_Click();
        f.menuGraphe_Click();
        f.menuReglage_Click();
        b.dialogues.fichiers.push_back(chemin);
        f.menu_charger_Click();
    });
    espion.start();
    // The window's own pass over its events never comes: they are served while the
    // file is read beside.
    f.setBudgetChargementMs(1'000'000);
    b.dialogues.fichiers.push_back(chemin);
    f.menu_charger_Click();
    espion.stop();
    QVERIFY(essais > 0);
    QVERIFY(!f.enregistrement());
    QVERIFY(!f.formOption());
    QCOMPARE(f.largeurTwips(), 3600);
    QCOMPARE(int(f.moteur().magasin().NbMesures()), 32000);
}

void TstVisionneuse::tubeRefuse() {
    Banc b;
    app::Enregistreur& f = b.demarre();
    const QString tube = b.chemin(QStringLiteral("tube.csv"));
    QCOMPARE(::mkfifo(QFile::encodeName(tube).constData(), 0600), 0);
    b.dialogues.fichiers.push_back(tube);
    // Opening a named pipe with no writer would wait for ever: refused at once instead.
    f.menu_charger_Click();
    QCOMPARE(b.dialogues.avertissements.size(), 1);
    QVERIFY(b.dialogues.avertissements[0].contains(QStringLiteral("pas un fichier ordinaire")));
    QVERIFY(!f.chargementEnCours());
    QCOMPARE(int(f.moteur().magasin().NbMesures()), 0);
}

void TstVisionneuse::mauvaisApresBon_data() {
    QTest::addColumn<QByteArray>("mauvais");
    QTest::addColumn<int>("arret");
    const QByteArray h = files::enteteEnr();
    QTest::newRow("letters") << h + "1;100;x;y\r\n2;abc;x;y\r\n3;100;x;y\r\n" << 2;
    QTest::newRow("NUL in the value") << h + QByteArray("1;100;x;y\r\n2;\0;x;y\r\n", 20) << 2;
    QTest::newRow("long line, no number")
        << h + "1;100;x;y\r\n2;" + QByteArray(100000, 'z') + "\r\n"
        << 2;
    const QString texte = QStringLiteral("N°Record;Valeur\r\n1;100;x;y\r\n2;100;x;y\r\n");
    QTest::newRow("UTF-16") << QByteArray("\xff\xfe") +
                                   QByteArray(reinterpret_cast<const char*>(texte.utf16()),
                                              texte.size() * 2)
                            << 1;
}

void TstVisionneuse::mauvaisApresBon() {
    QFETCH(QByteArray, mauvais);
    QFETCH(int, arret);
    Banc b;
    app::Enregistreur& f = b.demarre();
    QVERIFY(test::ecritFichier(b.chemin(QStringLiteral("bon.csv")),
                               files::enteteEnr() + "1;50;x;y\r\n2;200;x;y\r\n3;50;x;y\r\n"));
    QVERIFY(test::ecritFichier(b.chemin(QStringLiteral("mauvais.csv")), mauvais));
    b.dialogues.fichiers.push_back(b.chemin(QStringLiteral("bon.csv")));
    f.menu_charger_Click();
    QCOMPARE(f.moteur().magasin().valeur(2), 200.0);
    b.dialogues.fichiers.push_back(b.chemin(QStringLiteral("mauvais.csv")));
    f.menu_charger_Click();
    // Nothing of the first file shows with the second one, and the early end is told.
    const int n = f.moteur().magasin().NbMesures();
    QCOMPARE(n, arret);
    for (int i = 1; i <= 3; ++i)
        QVERIFY2(f.moteur().magasin().valeur(i) != 200.0 && f.moteur().magasin().valeur(i) != 50.0,
                 qPrintable(QString::number(i)));
    QVERIFY2(f.alerte().startsWith(QStringLiteral("Chargement arrêté à la ligne %1 : ").arg(arret)),
             qPrintable(f.alerte()));
    // A recording start takes the notice away.
    f.CmdRecord_Click();
    QVERIFY(!f.alerte().contains(QStringLiteral("Chargement")));
    f.CmdRecord_Click();
}

void TstVisionneuse::serie_data() {
    // Files "nom:premier-dernier" (a trailing "!" leaves the last line without its
    // end), the one opened, and the record numbers the store must hold.
    QTest::addColumn<QStringList>("fichiers");
    QTest::addColumn<QString>("ouvert");
    QTest::addColumn<QList<qint64>>("numeros");
    // What the load says the run lacks ("" for nothing).
    QTest::addColumn<QString>("lacunes");
    const auto suite = [](qint64 de, qint64 a) {
        QList<qint64> r;
        for (qint64 n = de; n <= a; ++n)
            r << n;
        return r;
    };
    QTest::newRow("three days, opened at the middle")
        << QStringList{"m_2026-12-07.csv:1-3", "m_2026-12-08.csv:4-6", "m_2026-12-09.csv:7-8"}
        << "m_2026-12-08.csv" << suite(1, 8) << "";
    QTest::newRow("a new run the next day stays apart")
        << QStringList{"m_2026-12-07.csv:1-3", "m_2026-12-08.csv:1-2"} << "m_2026-12-08.csv"
        << suite(1, 2) << "";
    // Lines lost at the rollover (a rescue file): the run opens whole, and says so.
    QTest::newRow("a gap in the numbers")
        << QStringList{"m_2026-12-07.csv:1-3", "m_2026-12-08.csv:5-6", "m_2026-12-09.csv:7-7"}
        << "m_2026-12-07.csv" << suite(1, 3) + suite(5, 7)
        << "3 fichier(s) sur 3 ; la mesure 4 manque entre m_2026-12-07.csv et m_2026-12-08.csv";
    QTest::newRow("the middle day deleted")
        << QStringList{"m_2026-12-07.csv:1-3", "m_2026-12-09.csv:7-8"} << "m_2026-12-07.csv"
        << suite(1, 3) + suite(7, 8)
        << "2 fichier(s) sur 3 ; m_2026-12-08.csv manque (mesures 4 à 6)";
    QTest::newRow("two weeks deleted")
        << QStringList{"m_2026-S49.csv:1-3", "m_2026-S52.csv:9-9"} << "m_2026-S52.csv"
        << suite(1, 3) + suite(9, 9)
        << "2 fichier(s) sur 4 ; m_2026-S50.csv, m_2026-S51.csv manquent (mesures 4 à 8)";
    QTest::newRow("last line without its end")
        << QStringList{"m_2026-12-07.csv:1-3!", "m_2026-12-08.csv:4-5"} << "m_2026-12-07.csv"
        << suite(1, 5) << "";
    QTest::newRow("ISO weeks across the new year")
        << QStringList{"m_2026-S53.csv:1-2", "m_2027-S01.csv:3-4"} << "m_2027-S01.csv"
        << suite(1, 4) << "";
    QTest::newRow("months, another record's files beside")
        << QStringList{"m_2026-11.csv:1-2", "m_2026-12.csv:3-4", "n_2026-12.csv:5-6"}
        << "m_2026-11.csv" << suite(1, 4) << "";
    QTest::newRow("a file not named after a period")
        << QStringList{"m.csv:1-2", "m_2026-12-08.csv:3-4"} << "m.csv" << suite(1, 2) << "";
}

void TstVisionneuse::serie() {
    // A run split by day, week or month opens as one run, from any of its files.
    QFETCH(QStringList, fichiers);
    QFETCH(QString, ouvert);
    QFETCH(QList<qint64>, numeros);
    QFETCH(QString, lacunes);
    QTemporaryDir dir;
    for (const QString& f : fichiers) {
        const QStringList champs = f.split(QLatin1Char(':'));
        const QStringList bornes =
            QString(champs[1]).remove(QLatin1Char('!')).split(QLatin1Char('-'));
        const int de = bornes[0].toInt(), a = bornes[1].toInt();
        QByteArray contenu = files::enteteEnr() + lignes(a - de + 1, de);
        if (f.endsWith(QLatin1Char('!')))
            contenu.chop(2);
        QVERIFY(test::ecritFichier(dir.filePath(champs[0]), contenu));
    }
    core::Magasin m;
    files::ArretChargement arret;
    QCOMPARE(files::ChargeurEnr::charge(dir.filePath(ouvert), m, {}, &arret),
             files::FinChargement::Complet);
    QCOMPARE(arret.lacunes, lacunes);
    QList<qint64> lus;
    for (qint64 k = 1; k <= m.NbMesures(); ++k)
        lus << files::numeroEnr(m.LignesFichier(k).toLatin1()).value_or(-1);
    QCOMPARE(lus, numeros);
}

void TstVisionneuse::serieArretee() {
    // A damaged line in the second day of a run: the stop names that file and its
    // own line, not a line number counted over the whole run.
    QTemporaryDir dir;
    QVERIFY(test::ecritFichier(dir.filePath(QStringLiteral("m_2026-12-07.csv")),
                               files::enteteEnr() + lignes(3)));
    QVERIFY(test::ecritFichier(dir.filePath(QStringLiteral("m_2026-12-08.csv")),
                               files::enteteEnr() + lignes(1, 4) + "abc\r\n" + lignes(1, 6)));
    core::Magasin m;
    files::ArretChargement arret;
    QCOMPARE(
        files::ChargeurEnr::charge(dir.filePath(QStringLiteral("m_2026-12-07.csv")), m, {}, &arret),
        files::FinChargement::ErreurFormat);
    QCOMPARE(arret.fichier, QStringLiteral("m_2026-12-08.csv"));
    QCOMPARE(arret.ligne, qint64(2));
}

void TstVisionneuse::hautesValeurs() {
    // A loaded board recording of 300 to 600: the range rises so that its highest
    // value shows; a recording afterwards starts from the usual range again.
    Banc b;
    app::Enregistreur& f = b.demarre();
    const QString chemin = b.chemin(QStringLiteral("haut.csv"));
    QByteArray c = files::enteteEnr();
    for (int i = 1; i <= 10; ++i)
        c += QByteArray::number(i) + ';' + QByteArray::number(300 + 30 * i) +
             ";12-09-2026;10:00:00\r\n";
    QVERIFY(test::ecritFichier(chemin, c));
    b.dialogues.fichiers.push_back(chemin);
    f.menu_charger_Click();
    QCOMPARE(f.vue().etat().PlafondY, int16_t(600));
    QCOMPARE(f.vue().etat().DecalageY, int16_t(345));
    f.CmdRecord_Click();
    QCOMPARE(f.vue().etat().PlafondY, int16_t(255));
    f.CmdRecord_Click();
}

void TstVisionneuse::habitudes() {
    // The main window's usual habits: a file opened comes back under Fichiers
    // récents (shared with the large window), a file dropped opens, Ctrl+R starts
    // and stops a recording as the button does.
    Banc b;
    app::Enregistreur& f = b.demarre();
    const QString a = b.chemin(QStringLiteral("a.csv")), c = b.chemin(QStringLiteral("c.csv"));
    QVERIFY(test::ecritFichier(a, files::enteteEnr() + lignes(3)));
    QVERIFY(test::ecritFichier(c, files::enteteEnr() + lignes(5)));
    b.dialogues.fichiers.push_back(a);
    f.menu_charger_Click();
    QCOMPARE(app::Recents(f.moteur().cheminConfiguration()).liste(), QStringList{a});
    QMimeData donnees;
    donnees.setUrls({QUrl::fromLocalFile(c)});
    QDragEnterEvent entree(QPoint(10, 10), Qt::CopyAction, &donnees, Qt::LeftButton,
                           Qt::NoModifier);
    QCoreApplication::sendEvent(&f, &entree);
    QVERIFY(entree.isAccepted());
    QDropEvent depot(QPointF(10, 10), Qt::CopyAction, &donnees, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&f, &depot);
    QCOMPARE(f.moteur().magasin().NbMesures(), qint64(5));
    QCOMPARE(app::Recents(f.moteur().cheminConfiguration()).liste(), (QStringList{c, a}));
    QMenu* recents = nullptr;
    for (QMenu* m : f.findChildren<QMenu*>())
        if (m->title() == QStringLiteral("Fichiers &récents"))
            recents = m;
    QVERIFY(recents && recents->isEnabled() && recents->actions().size() == 2);
    QAction* premier = recents->actions().at(1);
    QCOMPARE(premier->text(), QStringLiteral("&2 a.csv"));
    premier->trigger();
    QCOMPARE(f.moteur().magasin().NbMesures(), qint64(3));
    QAction* record = nullptr;
    for (QAction* x : f.actions())
        if (x->shortcut() == QKeySequence(Qt::CTRL | Qt::Key_R))
            record = x;
    QVERIFY(record);
    record->trigger();
    QVERIFY(f.enregistrement());
    record->trigger();
    QVERIFY(!f.enregistrement());
}

void TstVisionneuse::petitApresGros() {
    // What a huge file held is given back when a small one is loaded next.
    QTemporaryDir dir;
    QVERIFY(test::ecritFichier(dir.filePath(QStringLiteral("gros.csv")),
                               files::enteteEnr() + lignes(1000000)));
    QVERIFY(test::ecritFichier(dir.filePath(QStringLiteral("petit.csv")),
                               files::enteteEnr() + lignes(3)));
    core::Magasin m;
    QCOMPARE(files::ChargeurEnr::charge(dir.filePath(QStringLiteral("gros.csv")), m),
             files::FinChargement::Complet);
    QCOMPARE(m.NbMesures(), qint64(1000000));
    QVERIFY(m.octets() > 5 * 1000 * 1000);
    QCOMPARE(files::ChargeurEnr::charge(dir.filePath(QStringLiteral("petit.csv")), m),
             files::FinChargement::Complet);
    QCOMPARE(m.NbMesures(), qint64(3));
    QVERIFY2(m.octets() < 2 * 1024 * 1024, qPrintable(QString::number(m.octets())));
}

void TstVisionneuse::analyse_data() {
    QTest::addColumn<QString>("ligne");
    QTest::addColumn<int>("type");
    QTest::addColumn<double>("valeur");
    using T = files::ResultatAnalyse::Type;
    QTest::newRow("plain") << "7;250;01-31-2007;09:05:03" << int(T::Valeur) << 250.0;
    QTest::newRow("cut") << "7;12345;01-31-2007;09:05:03" << int(T::Valeur) << 1234.0;
    QTest::newRow("999 zero") << "999;0;01-31-2007;09:05:03" << int(T::Valeur) << 0.0;
    QTest::newRow("32000 zero") << "32000;0;01-31-2007;09:05:03" << int(T::Valeur) << 0.0;
    QTest::newRow("negative") << "3;-2;x" << int(T::Valeur) << -2.0;
    QTest::newRow("decimal") << "3;1.5;x" << int(T::Valeur) << 1.5;
    QTest::newRow("no separator") << "abc" << int(T::ErreurFormat) << 0.0;
    QTest::newRow("empty") << "" << int(T::ErreurFormat) << 0.0;
    QTest::newRow("empty value") << "3;;x" << int(T::PasUnNombre) << 0.0;
    QTest::newRow("nothing after") << "3;" << int(T::PasUnNombre) << 0.0;
    QTest::newRow("letters") << "3;abc;x" << int(T::PasUnNombre) << 0.0;
    QTest::newRow("inf") << "3;inf;x" << int(T::PasUnNombre) << 0.0;
    QTest::newRow("nan") << "3;nan;x" << int(T::PasUnNombre) << 0.0;
}

void TstVisionneuse::analyse() {
    QFETCH(QString, ligne);
    QFETCH(int, type);
    QFETCH(double, valeur);
    const files::ResultatAnalyse r = files::analyse_ligne(ligne);
    QCOMPARE(int(r.type), type);
    if (r.type == files::ResultatAnalyse::Type::Valeur)
        QCOMPARE(r.valeur, valeur);
}

// A file that was longer when its load began: another program cut it meanwhile.
class Raccourci : public QBuffer {
public:
    Raccourci(QByteArray contenu, qint64 tailleAnnoncee)
        : m_contenu(std::move(contenu)), m_taille(tailleAnnoncee) {
        setBuffer(&m_contenu);
    }
    qint64 size() const override { return m_taille; }

private:
    QByteArray m_contenu;
    qint64 m_taille;
};

void TstVisionneuse::finsPrecoces_data() {
    QTest::addColumn<QByteArray>("contenu");
    QTest::addColumn<qint64>("tailleAnnoncee");
    QTest::addColumn<int>("nb");
    QTest::addColumn<int>("ligne");
    QTest::addColumn<QString>("raison");
    const QByteArray h = files::enteteEnr();
    const QByteArray deux = h + lignes(2);
    QTest::newRow("CR-only lines, header too")
        << QByteArray("N\xB0Record;Valeur;Date;Time\r1;5;x;y\r2;6;x;y\r") << qint64(0) << 0 << 0
        << "retour chariot seul";
    QTest::newRow("CR-only lines after good ones")
        << h + lignes(2) + "3;5;x;y\r4;6;x;y\r" << qint64(0) << 2 << 3 << "retour chariot seul";
    QTest::newRow("cut short while loading")
        << deux << qint64(deux.size() + 500) << 2 << 2 << "a raccourci pendant la lecture";
    QTest::newRow("whole file") << deux << qint64(deux.size()) << 2 << 0 << "";
}

void TstVisionneuse::finsPrecoces() {
    QFETCH(QByteArray, contenu);
    QFETCH(qint64, tailleAnnoncee);
    QFETCH(int, nb);
    QFETCH(int, ligne);
    QFETCH(QString, raison);
    Raccourci f(contenu, tailleAnnoncee > 0 ? tailleAnnoncee : contenu.size());
    QVERIFY(f.open(QIODevice::ReadOnly));
    core::Magasin m;
    files::ArretChargement arret;
    const files::FinChargement fin = files::ChargeurEnr::charge(f, m, {}, &arret);
    QCOMPARE(fin, raison.isEmpty() ? files::FinChargement::Complet : files::FinChargement::Echec);
    QCOMPARE(int(m.NbMesures()), nb);
    QCOMPARE(int(arret.ligne), ligne);
    QVERIFY2(arret.raison.contains(raison), qPrintable(arret.raison));
}

void TstVisionneuse::quitteEnChargeant() {
    Banc b;
    app::Enregistreur& f = b.demarre();
    const QString chemin = b.chemin(QStringLiteral("gros.csv"));
    QVERIFY(test::ecritFichier(chemin, files::enteteEnr() + lignes(400000)));
    // The user quits while the file loads: the reading stops, nothing is said, and
    // the window is left as a finished load leaves it.
    // (quit() from the running program; a test runs no main loop for quit() to end.)
    QTimer::singleShot(0, &f, [] { QCoreApplication::exit(0); });
    b.dialogues.fichiers.push_back(chemin);
    f.menu_charger_Click();
    QVERIFY(!f.chargementEnCours());
    QVERIFY(b.dialogues.messages.isEmpty());
    QVERIFY(f.alerte().isEmpty());
    QVERIFY(f.moteur().magasin().NbMesures() < 400000);
    QVERIFY(f.barreChargement()->isHidden());
}

QTEST_MAIN(TstVisionneuse)
void TstVisionneuse::relecture_data() {
    QTest::addColumn<QByteArray>("contenu");
    // What happens to the file once loaded: 0 nothing, 1 rewritten in place with other
    // digits, 2 replaced by another file of its name, 3 cut to half its length.
    QTest::addColumn<int>("ensuite");
    const QByteArray h = files::enteteEnr();
    QTest::newRow("CRLF") << h + lignes(300) << 0;
    QByteArray lf = h + lignes(130);
    lf.replace("\r\n", "\n");
    lf.chop(1);
    QTest::newRow("LF, last line without end") << lf << 0;
    QTest::newRow("a line longer than kept")
        << h + lignes(70) + "71;5;" + QByteArray(6000, 'x') + "\r\n" + lignes(70, 72) << 0;
    QTest::newRow("rewritten in place") << h + lignes(300) << 1;
    QTest::newRow("replaced by another file") << h + lignes(300) << 2;
    QTest::newRow("cut short") << h + lignes(300) << 3;
}

void TstVisionneuse::relecture() {
    // A loaded line is read back from the file when shown: as it was loaded, or not
    // at all once the file no longer holds it; never another line's text.
    QFETCH(QByteArray, contenu);
    QFETCH(int, ensuite);
    QTemporaryDir dir;
    const QString chemin = dir.filePath(QStringLiteral("lu.csv"));
    QVERIFY(test::ecritFichier(chemin, contenu));
    core::Magasin m;
    QCOMPARE(files::ChargeurEnr::charge(chemin, m), files::FinChargement::Complet);
    QList<QByteArray> attendues = contenu.split('\n').mid(1);
    if (attendues.last().isEmpty())
        attendues.removeLast();
    for (QByteArray& l : attendues) {
        if (l.endsWith('\r'))
            l.chop(1);
        l.truncate(files::ChargeurEnr::kLongueurMax);
    }
    QCOMPARE(m.NbMesures(), qint64(attendues.size()));
    QByteArray autre = contenu;
    autre.replace(";01-31-2007;", ";02-28-2008;");
    if (ensuite == 1) {
        QFile f(chemin);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QCOMPARE(f.write(autre), qint64(autre.size()));
    } else if (ensuite == 2) {
        QVERIFY(test::ecritFichier(chemin + QStringLiteral(".nouveau"), autre));
        QVERIFY(::rename(QFile::encodeName(chemin + QStringLiteral(".nouveau")).constData(),
                         QFile::encodeName(chemin).constData()) == 0);
    } else if (ensuite == 3) {
        QVERIFY(QFile::resize(chemin, contenu.size() / 2));
    }
    int vides = 0;
    for (qint64 i = 1; i <= m.NbMesures(); ++i) {
        const QByteArray lue = m.LignesFichier(i).toLatin1();
        if (lue.isEmpty() && ensuite != 0 && ensuite != 2)
            ++vides;
        else
            QCOMPARE(lue, attendues[i - 1]);
    }
    // Rewritten: nothing of it shows; cut: only what is gone is missing.
    if (ensuite == 1)
        QCOMPARE(vides, int(m.NbMesures()));
    if (ensuite == 3)
        QVERIFY(vides > 0 && vides < m.NbMesures());
}

#include "tst_visionneuse.moc"
