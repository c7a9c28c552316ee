#include "AccesMoteur.h"
#include "Factices.h"
#include "graph/Geometrie.h"

#include "files/CodecEnr.h"
#include "ui/FenetreStatistiques.h"
#include <QClipboard>
#include <QCursor>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPrinter>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <QXmlStreamReader>

using test::Banc;

class TstGraphe : public QObject {
    Q_OBJECT
private slots:
    void lectureSuitLesDonnees();
    void points_data();
    void points();
    void zoom2();
    void listeEnregistrement();
    void listeApresArret();
    void listeFichier();
    void copie_data();
    void copie();
    void redessinVide();
    void traceVisibleApresRecouvrement();
    void curseurZoom();
    void molette();
    void bascule();
    void bascule5000();
    void vueSuitEnregistrement();
    void lignesEntieres_data();
    void lignesEntieres();
    void exportImage_data();
    void exportImage();
    void impression();
    void fenetreStatistiques();
    void valeursEtalonnees();
    void commentaireEtAlarme();
    void exportPendantCommande_data();
    void exportPendantCommande();

private:
    static void remplit(app::Enregistreur& f, const QList<double>& v) {
        test::AccesMoteur::magasin(f.moteur()).vide();
        for (int i = 0; i < v.size(); ++i)
            test::AccesMoteur::magasin(f.moteur())
                .ajoute(v[i], QDateTime(QDate(2006, 11, 8), QTime(14, 5, 9)));
    }
};

void TstGraphe::points_data() {
    QTest::addColumn<int>("decalage");
    QTest::addColumn<QList<QPoint>>("attendus");
    QTest::newRow("offset 0") << 0 << QList<QPoint>{{0, 255}, {1, 245}, {2, 0}, {3, -45}};
    QTest::newRow("offset 45") << 45 << QList<QPoint>{{0, 300}, {1, 290}, {2, 45}, {3, 0}};
}

void TstGraphe::points() {
    QFETCH(int, decalage);
    QFETCH(QList<QPoint>, attendus);
    Banc b;
    app::Enregistreur& f = b.demarre();
    remplit(f, {10, 255, 300});
    f.vue().etat().DecalageY = static_cast<int16_t>(decalage);
    f.affich();
    QCOMPARE(f.ui().Ecran1->ScaleWidth(), 3.f);
    QList<QPoint> p;
    for (const QPointF& u : f.ui().Ecran1->pointsUnites()) {
        QCOMPARE(u.x(), std::round(u.x()));
        QCOMPARE(u.y(), std::round(u.y()));
        p << u.toPoint();
    }
    QCOMPARE(p, attendus);
    QCOMPARE(f.IndexPoint(), 4);
}

void TstGraphe::zoom2() {
    Banc b;
    app::Enregistreur& f = b.demarre();
    QList<double> v;
    for (int i = 1; i <= 100; ++i)
        v << i;
    remplit(f, v);
    f.ui().Slider1->setValue(2);
    QCOMPARE(f.ui().Ecran1->ScaleWidth(), 50.f);
    const std::vector<QPointF> p = f.ui().Ecran1->pointsUnites();
    // Zooming keeps the middle: samples 25 to 75 span the area; the ones before and
    // after are only there to reach the edges.
    QCOMPARE(f.ui().Ecran1->debut(), 25);
    QCOMPARE(p.front().x(), -1.0);
    QCOMPARE(p.back().x(), 51.0);
    QVERIFY(f.ui().HScroll1->isEnabled());
    // Panning shows later samples, never past the end of the store.
    f.ui().HScroll1->setValue(30);
    QCOMPARE(f.ui().Ecran1->debut(), 30);
    QCOMPARE(f.vue().etat().DecalageX, 30.0);
    f.ui().HScroll1->setValue(80);
    QCOMPARE(f.ui().Ecran1->debut(), 50);
}

void TstGraphe::listeEnregistrement() {
    Banc b;
    app::Enregistreur& f = b.demarre();
    f.CmdRecord_Click();
    f.Timer1_Timer();
    b.horloge.avance(1);
    test::AccesMoteur::cycle(f.moteur()).ValeurTest = 45;
    f.Timer1_Timer();
    b.horloge.avance(1);
    test::AccesMoteur::cycle(f.moteur()).ValeurTest = -7;
    f.Timer1_Timer();
    QCOMPARE(f.modeleListe()->texte(), QStringLiteral("3 ---- -007 --- 11-08-2006 --- 14:05:11\r\n"
                                                      "2 ---- 045 --- 11-08-2006 --- 14:05:10\r\n"
                                                      "1 ---- 000 --- 11-08-2006 --- 14:05:09\r\n"
                                                      "0 ---- 000 ---  --- \r\n"));
    QCOMPARE(graph::ModeleListe::formatValeur(999), QStringLiteral("999"));
    QCOMPARE(graph::ModeleListe::formatValeur(1234), QStringLiteral("1234"));
    QCOMPARE(graph::ModeleListe::formatValeur(7), QStringLiteral("007"));
    // A text line's reading keeps its decimals.
    QCOMPARE(graph::ModeleListe::formatValeur(21.5), QStringLiteral("021,5"));
    QCOMPARE(graph::ModeleListe::formatValeur(-0.25), QStringLiteral("-000,25"));
    QCOMPARE(graph::ModeleListe::formatValeur(-1.0), QStringLiteral("-001"));
}

void TstGraphe::listeApresArret() {
    Banc b;
    app::Enregistreur& f = b.demarre();
    // A file was shown before: its lines must not come back beside the new samples.
    test::AccesMoteur::magasin(f.moteur()).donneesChargees = true;
    test::AccesMoteur::magasin(f.moteur()).LigneEntete = QStringLiteral("H");
    test::AccesMoteur::magasin(f.moteur()).ajouteLigne(5, "A");
    f.CmdRecord_Click();
    f.Timer1_Timer();
    f.CmdRecord_Click();
    f.ui().Slider1->setValue(2);
    QCOMPARE(f.modeleListe()->ligne(0), QStringLiteral("1 ---- 000 --- 11-08-2006 --- 14:05:09"));
    QCOMPARE(f.modeleListe()->rowCount(), 2);
}

void TstGraphe::listeFichier() {
    Banc b;
    app::Enregistreur& f = b.demarre();
    test::AccesMoteur::magasin(f.moteur()).donneesChargees = true;
    test::AccesMoteur::magasin(f.moteur()).LigneEntete = QStringLiteral("H");
    test::AccesMoteur::magasin(f.moteur()).ajouteLigne(1, "A");
    test::AccesMoteur::magasin(f.moteur()).ajouteLigne(2, "B");
    f.affich();
    QCOMPARE(f.modeleListe()->texte(), QStringLiteral("H\r\n2 ---- B\r\n1 ---- A\r\n0 ---- \r\n"));
}

void TstGraphe::copie_data() {
    QTest::addColumn<int>("n");
    QTest::newRow("one line") << 1;
    QTest::newRow("more lines than a copy takes") << 1'000'000;
}

void TstGraphe::copie() {
    // Ctrl+C copies the selected lines; past a million (the header and the starting
    // point count), the user is told to export instead and nothing is copied.
    QFETCH(int, n);
    Banc b;
    app::Enregistreur& f = b.demarre();
    core::Magasin& m = test::AccesMoteur::magasin(f.moteur());
    m.donneesChargees = true;
    m.LigneEntete = QStringLiteral("H");
    for (int i = 1; i <= n; ++i)
        m.ajouteLigne(1, "A");
    f.affich();
    f.ui().Text1->selectAll();
    QGuiApplication::clipboard()->setText(QStringLiteral("avant"));
    QKeyEvent copier(QEvent::KeyPress, Qt::Key_C, Qt::ControlModifier);
    QApplication::sendEvent(f.ui().Text1, &copier);
    if (n == 1) {
        QCOMPARE(QGuiApplication::clipboard()->text(),
                 QStringLiteral("H\r\n1 ---- A\r\n0 ---- \r\n"));
        QVERIFY(b.dialogues.avertissements.isEmpty());
    } else {
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("avant"));
        QCOMPARE(b.dialogues.avertissements.size(), 1);
        QVERIFY2(b.dialogues.avertissements[0].startsWith(QStringLiteral("1000002 lignes")),
                 qPrintable(b.dialogues.avertissements[0]));
    }
}

void TstGraphe::redessinVide() {
    Banc b;
    app::Enregistreur& f = b.demarre();
    f.ui().Slider1->setValue(3);
    f.affich();
    QCOMPARE(f.ui().Ecran1->ScaleWidth(), 360.f);
    QVERIFY(f.ui().Ecran1->pointsUnites().empty());
    QCOMPARE(f.modeleListe()->rowCount(), 1);
    f.raz();
    f.raz();
    QCOMPARE(f.modeleListe()->rowCount(), 0);
    QCOMPARE(f.ui().Ecran1->nbTrace(), -1);
}

void TstGraphe::traceVisibleApresRecouvrement() {
    Banc b(QByteArray("\"X\",\"a.csv\",1,0,7890\r\n"));
    app::Enregistreur& f = b.demarre();
    remplit(f, {128, 128, 128, 128});
    f.affich();
    // The area is repainted from the store: a fresh paint shows the trace.
    const QImage img = f.ui().Ecran1->grab().toImage();
    const QRect z = f.ui().Ecran1->zone();
    bool vert = false;
    for (int x = z.left(); x <= z.right(); ++x)
        if (img.pixelColor(x, z.top() + z.height() / 2 - 1) == QColor(0, 255, 0) ||
            img.pixelColor(x, z.top() + z.height() / 2) == QColor(0, 255, 0))
            vert = true;
    QVERIFY(vert);
    // Reference lines: the middle column is grey, the background black.
    QCOMPARE(img.pixelColor(z.left() + z.width() / 2, z.top() + 5), QColor(128, 128, 128));
    QCOMPARE(img.pixelColor(z.left() + 5, z.top() + 5), QColor(0, 0, 0));
    // The toggle does not erase it either.
    f.menuGraphe_Click();
    f.menuGraphe_Click();
    QCOMPARE(f.ui().Ecran1->nbTrace(), 4);
}

void TstGraphe::curseurZoom() {
    Banc b;
    app::Enregistreur& f = b.demarre();
    QList<double> v;
    for (int i = 0; i < 30; ++i)
        v << 100;
    remplit(f, v);
    f.ui().Slider1->setValue(3);
    QVERIFY(f.ui().HScroll1->isEnabled());
    QCOMPARE(f.ui().Ecran1->ScaleWidth(), 10.f);
    f.ui().HScroll1->setValue(7);
    QCOMPARE(f.vue().etat().DecalageX, 7.0);
    f.ui().Slider1->setValue(1);
    QVERIFY(!f.ui().HScroll1->isEnabled());
    QCOMPARE(f.ui().HScroll1->value(), 1);
    QCOMPARE(f.vue().etat().DecalageX, 1.0);
    QCOMPARE(f.ui().Ecran1->ScaleWidth(), 30.f);
    QCOMPARE(f.ui().Ecran1->debut(), 0);
}

void TstGraphe::molette() {
    Banc b;
    app::Enregistreur& f = b.demarre();
    QList<double> v;
    for (int i = 0; i < 100; ++i)
        v << i;
    remplit(f, v);
    auto tourne = [&](int delta, Qt::KeyboardModifiers m) {
        QWheelEvent e(QPointF(10, 10), QPointF(10, 10), QPoint(), QPoint(0, delta), Qt::NoButton, m,
                      Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(f.ui().Ecran1, &e);
    };
    tourne(120, Qt::NoModifier);
    QCOMPARE(f.ui().Slider1->value(), 2);
    QCOMPARE(f.ui().Ecran1->ScaleWidth(), 50.f);
    // Zoom 2 keeps the middle in view; a notch moves a tenth of the 50 samples shown.
    const qint64 avant = f.ui().Ecran1->debut();
    tourne(-120, Qt::ShiftModifier);
    QCOMPARE(f.ui().Ecran1->debut(), avant + 5);
    QCOMPARE(f.vue().etat().DecalageX, double(avant + 5));
    // Keys on the focused graph: a screen, the ends.
    QTest::keyClick(f.ui().Ecran1, Qt::Key_PageUp);
    QCOMPARE(f.ui().Ecran1->debut(), std::max<qint64>(0, avant + 5 - 50));
    QTest::keyClick(f.ui().Ecran1, Qt::Key_End);
    QCOMPARE(f.ui().Ecran1->debut(), 50);
    QTest::keyClick(f.ui().Ecran1, Qt::Key_Home);
    QCOMPARE(f.ui().Ecran1->debut(), 0);
    for (int k = 0; k < 15; ++k)
        tourne(120, Qt::NoModifier);
    QCOMPARE(f.ui().Slider1->value(), 10);
}

void TstGraphe::bascule() {
    Banc b(QByteArray("\"X\",\"a.csv\",1,0,7890\r\n"));
    app::Enregistreur& f = b.demarre();
    f.menuGraphe_Click();
    QCOMPARE(f.largeurTwips(), 3600);
    QVERIFY(!f.ui().menuGraphe->isChecked());
    QCOMPARE(f.windowTitle(), QStringLiteral("Plovar : a.csv"));
    QCOMPARE(b.lit(QStringLiteral("plovar.cfg")),
             QByteArray("\"NE PAS MODIFIER CE FICHIER\",\"a.csv\",1,0,3600\r\n"));
    QCOMPARE(f.width(), (3600 - 90) / 15);
    f.menuGraphe_Click();
    QCOMPARE(f.largeurTwips(), 7890);
    QVERIFY(f.ui().menuGraphe->isChecked());
    QCOMPARE(f.windowTitle(),
             QStringLiteral("Plovar                     Fichier en cours : a.csv"));
    QCOMPARE(b.lit(QStringLiteral("plovar.cfg")),
             QByteArray("\"NE PAS MODIFIER CE FICHIER\",\"a.csv\",1,0,7890\r\n"));
    QCOMPARE(f.width(), 7800 / 15);
    // Ticks and labels stay as they were.
    QCOMPARE(f.ui().Picture1->lignes().size(), size_t(9));
    QCOMPARE(f.ui().surface->textes().size(), size_t(18));
}

void TstGraphe::bascule5000() {
    Banc b(QByteArray("\"X\",\"a.csv\",1,0,5000\r\n"));
    app::Enregistreur& f = b.demarre();
    QVERIFY(f.ui().menuGraphe->isChecked());
    f.menuGraphe_Click();
    QCOMPARE(f.largeurTwips(), 7890);
    QVERIFY(f.ui().menuGraphe->isChecked());
}

void TstGraphe::vueSuitEnregistrement() {
    Banc b;
    app::Enregistreur& f = b.demarre();
    f.ui().Slider1->setValue(4);
    f.CmdRecord_Click();
    for (int k = 0; k < 40; ++k) {
        b.horloge.avance(1);
        f.Timer1_Timer();
    }
    // At zoom 4 the view shows the last quarter, ending with the newest sample.
    QCOMPARE(f.ui().Ecran1->ScaleWidth(), 10.f);
    QCOMPARE(f.ui().Ecran1->debut(), 30);
    f.CmdRecord_Click();
}

void TstGraphe::lignesEntieres_data() {
    QTest::addColumn<int>("n");
    QTest::addColumn<int>("valeur");
    QTest::addColumn<int>("longueurFichier");
    QTest::newRow("3 digits") << 120 << 45 << 0;
    QTest::newRow("4 digits") << 1020 << 3 << 0;
    QTest::newRow("5 digits, negative") << 32001 << -32768 << 0;
    QTest::newRow("loaded, 5 digits") << 0 << 0 << 30;
    QTest::newRow("loaded, very long lines") << 0 << 0 << 2000;
}

void TstGraphe::lignesEntieres() {
    QFETCH(int, n);
    QFETCH(int, valeur);
    QFETCH(int, longueurFichier);
    Banc b;
    app::Enregistreur& f = b.demarre();
    core::Magasin& m = test::AccesMoteur::magasin(f.moteur());
    const QDateTime t(QDate(2026, 12, 7), QTime(12, 50, 11), Qt::UTC);
    if (longueurFichier > 0) {
        m.donneesChargees = true;
        for (int i = 1; i <= 12000; ++i)
            m.ajouteLigne(1, QByteArray::number(i) + ";250;12-07-2026;12:50:11" +
                                 QByteArray(std::max(0, longueurFichier - 30), 'x'));
    } else {
        for (int i = 1; i <= n; ++i)
            m.ajoute(valeur, t);
    }
    f.affich();
    // Each line gets the rows the widest needs, within the limit: nothing is cut
    // unless a line needs more rows than the limit.
    const graph::ListeMesures* liste = f.ui().Text1;
    const int disponible = liste->largeurTexte();
    const QFontMetrics fm(liste->font());
    int plusLarge = 1;
    for (int r = 0; r < std::min(40, f.modeleListe()->rowCount()); ++r)
        plusLarge = std::max(
            plusLarge, graph::rangeesNecessaires(fm.horizontalAdvance(f.modeleListe()->ligne(r)),
                                                 disponible, 1000));
    QCOMPARE(liste->rangees(), std::min(plusLarge, graph::ListeMesures::kRangeesMax));
    if (longueurFichier == 0)
        QVERIFY2(liste->rangees() >= 2 || n < 1000, qPrintable(QString::number(liste->rangees())));
}

void TstGraphe::exportImage_data() {
    QTest::addColumn<QString>("nom");
    QTest::addColumn<QString>("filtre");
    QTest::newRow("png by suffix") << "g.png"
                                   << "";
    QTest::newRow("svg by suffix") << "g.svg"
                                   << "";
    QTest::newRow("pdf by suffix") << "g.pdf"
                                   << "";
    QTest::newRow("svg by filter") << "g"
                                   << "Image SVG (*.svg)";
}

void TstGraphe::exportImage() {
    QFETCH(QString, nom);
    QFETCH(QString, filtre);
    Banc b;
    app::Enregistreur& f = b.demarre();
    QList<double> v;
    for (int i = 0; i < 500; ++i)
        v << (i * 13) % 250;
    remplit(f, v);
    f.affich();
    const QString chemin = b.chemin(nom);
    QVERIFY(f.outils().enregistreImage(chemin, filtre));
    QFile fichier(chemin);
    QVERIFY(fichier.open(QIODevice::ReadOnly));
    const QByteArray contenu = fichier.readAll();
    if (nom.endsWith(QStringLiteral(".png"))) {
        QImage image;
        QVERIFY(image.loadFromData(contenu, "PNG"));
        QVERIFY(image.width() >= 1200);
    } else if (nom.endsWith(QStringLiteral(".pdf"))) {
        QVERIFY(contenu.startsWith("%PDF"));
    } else {
        // An SVG document that parses, drawn from the samples: a polyline, not a bitmap.
        // Every text is painted: its nearest fill, on itself or an ancestor, is a colour.
        QXmlStreamReader xml(contenu);
        bool racine = false, trace = false;
        QStringList remplissages{QStringLiteral("black")};
        QStringList textesVisibles;
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isStartElement()) {
                const QString fill = xml.attributes().value(QStringLiteral("fill")).toString();
                remplissages << (fill.isEmpty() ? remplissages.last() : fill);
                if (xml.name() == QStringLiteral("svg"))
                    racine = true;
                if (xml.name() == QStringLiteral("polyline"))
                    trace = true;
                if (xml.name() == QStringLiteral("text")) {
                    const QString couleur = remplissages.last();
                    const QString texte =
                        xml.readElementText(QXmlStreamReader::IncludeChildElements);
                    remplissages.removeLast();
                    if (couleur != QStringLiteral("none"))
                        textesVisibles << texte;
                }
            } else if (xml.isEndElement()) {
                remplissages.removeLast();
            }
        }
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        QVERIFY(racine);
        QVERIFY(trace);
        QVERIFY2(textesVisibles.join('|').contains(QStringLiteral("data_tr")),
                 qPrintable(textesVisibles.join('|')));
        QVERIFY(textesVisibles.contains(QStringLiteral("9")));
        QVERIFY(!contenu.contains("<image"));
    }
    // A file that cannot be written: a French message, nothing left behind.
    QVERIFY(!f.outils().enregistreImage(b.chemin(QStringLiteral("absent/") + nom), filtre));
    QCOMPARE(b.dialogues.avertissements.size(), 1);
    QVERIFY(b.dialogues.avertissements[0].startsWith(QStringLiteral("Impossible d'enregistrer")));
}

void TstGraphe::impression() {
    Banc b;
    app::Enregistreur& f = b.demarre();
    remplit(f, {10, 200, 30, 250});
    f.affich();
    QPrinter imprimante;
    imprimante.setOutputFormat(QPrinter::PdfFormat);
    imprimante.setOutputFileName(b.chemin(QStringLiteral("page.pdf")));
    f.outils().imprime(imprimante);
    QVERIFY(b.lit(QStringLiteral("page.pdf")).startsWith("%PDF"));
}

void TstGraphe::fenetreStatistiques() {
    Banc b;
    app::Enregistreur& f = b.demarre();
    f.outils().montreStatistiques();
    QPointer<ui::FenetreStatistiques> fenetre = f.outils().statistiques();
    QVERIFY(fenetre);
    f.outils().montreStatistiques();
    QCOMPARE(f.outils().statistiques(), fenetre.data()); // one at a time
    // It follows a recording as it goes.
    f.CmdRecord_Click();
    f.Form_KeyPress('+');
    f.Timer1_Timer();
    b.horloge.avance(2);
    f.Form_KeyPress('+');
    f.Form_KeyPress('+');
    f.Timer1_Timer();
    QCOMPARE(fenetre->cellule(0, 0), QStringLiteral("2"));
    // Day first, as in the large window (the record file keeps month first).
    QVERIFY(fenetre->cellule(2, 0).startsWith(QStringLiteral("3,00 le 08/11/2006 14:05:11")));
    QCOMPARE(fenetre->cellule(3, 0), QStringLiteral("2,00"));
    QCOMPARE(fenetre->cellule(5, 0), QStringLiteral("0 j 00:00:02"));
    f.CmdRecord_Click();
    fenetre->close();
}

void TstGraphe::valeursEtalonnees() {
    Banc b;
    app::Enregistreur& f = b.demarre();
    core::Etalonnage e;
    e.actif = true;
    e.brut1 = 0;
    e.physique1 = 0;
    e.brut2 = 999;
    e.physique2 = 99.9;
    e.unite = QStringLiteral("°C");
    e.decimales = 1;
    core::Etalonnage refuse = e;
    refuse.brut2 = 0;
    // Equal raw values are refused with a message; the dialog comes back.
    b.dialogues.etalonnages = {refuse, e};
    f.outils().menuEtalonnage();
    QCOMPARE(b.dialogues.avertissements.size(), 1);
    QVERIFY(b.dialogues.avertissements[0].contains(QStringLiteral("différentes")));
    QVERIFY(f.moteur().etalonnage().actif);
    QVERIFY(QFile(b.chemin(QStringLiteral("plovar.ini"))).open(QIODevice::ReadOnly));
    QVERIFY(b.lit(QStringLiteral("plovar.ini")).contains("[etalonnage]"));
    remplit(f, {500, 500, 500, 500});
    f.affich();
    // The readout and the statistics speak in degrees, the list stays raw.
    const QString lecture = f.outils().texteSousPointeur(f.ui().Ecran1->zone().width() / 2);
    QVERIFY2(lecture.contains(QStringLiteral("50,0 °C [500]")), qPrintable(lecture));
    f.outils().montreStatistiques();
    QVERIFY(f.outils().statistiques()->cellule(3, 0).contains(QStringLiteral("50,0 °C")));
    QVERIFY(f.modeleListe()->ligne(0).contains(QStringLiteral("500")));
    // The export carries both values.
    QVERIFY(f.outils().exporteMesures(b.chemin(QStringLiteral("e.csv")), false));
    QVERIFY(b.lit(QStringLiteral("e.csv"))
                .contains(";500;50,0;\xC2\xB0"
                          "C\r\n"));
    f.outils().statistiques()->close();
}

void TstGraphe::commentaireEtAlarme() {
    // From the graph's tools: a limit set in its dialog rings during the run, and a
    // comment typed at the newest sample lands in the events file; both are marked.
    Banc b;
    app::Enregistreur& f = b.demarre();
    core::ReglageAlarme r;
    r.haute = 1;
    r.bip = true;
    r.commande = QStringLiteral("echo \"$PLOVAR_VALEUR $PLOVAR_ALARME $PLOVAR_LIMITE\" > ") +
                 b.chemin(QStringLiteral("commande.txt"));
    b.dialogues.alarmes.push_back(r);
    f.outils().menuAlarme();
    QCOMPARE(f.poste().alarme.reglage(), r);
    const int bips = b.dialogues.bips;
    f.CmdRecord_Click();
    f.Form_KeyPress('+');
    f.Form_KeyPress('+');
    f.Timer1_Timer();
    QVERIFY2(f.alerte().contains(QStringLiteral("Alarme haute")), qPrintable(f.alerte()));
    QVERIFY(b.dialogues.avertissements.isEmpty()); // a notice, never a modal box
    QCOMPARE(b.dialogues.bips, bips + 1);
    // The command runs beside, with the value and the limit in its environment.
    QTRY_COMPARE_WITH_TIMEOUT(b.lit(QStringLiteral("commande.txt")), QByteArray("2 haute 1\n"),
                              10000);
    b.dialogues.commentaires.push_back(QStringLiteral("essai"));
    f.outils().commentaire();
    f.Timer1_Timer();
    // The statistics count the alarm, the readout and the export name the events.
    f.outils().montreStatistiques();
    QVERIFY2(f.outils().statistiques()->cellule(6, 0).startsWith(QStringLiteral("1 (en alarme")),
             qPrintable(f.outils().statistiques()->cellule(6, 0)));
    f.affich();
    bool vu = false;
    for (int x = 0; x < f.ui().Ecran1->zone().width() && !vu; ++x)
        vu = f.outils().texteSousPointeur(x).contains(QStringLiteral("commentaire : essai"));
    QVERIFY(vu);
    QVERIFY(f.outils().exporteMesures(b.chemin(QStringLiteral("e.csv")), false));
    QVERIFY(b.lit(QStringLiteral("e.csv")).contains(";alarme : Alarme haute"));
    QVERIFY(b.lit(QStringLiteral("e.csv")).contains(" | commentaire : essai"));
    f.outils().statistiques()->close();
    f.CmdRecord_Click();
    const QByteArray evenements = b.lit(QStringLiteral("data_tr_evenements.csv"));
    QVERIFY2(evenements.contains(";alarme;") && evenements.contains("1;11-08-2006;14:05:09;"
                                                                    "commentaire;essai\r\n"),
             evenements.constData());
    // Without a recording or a loaded file there is nowhere to keep a comment.
    b.dialogues.commentaires.push_back(QStringLiteral("perdu ?"));
    test::AccesMoteur::magasin(f.moteur()).donneesChargees = false;
    f.outils().commentaire();
    QCOMPARE(b.dialogues.avertissements.size(), 1);
}

void TstGraphe::exportPendantCommande_data() {
    QTest::addColumn<bool>("charger");
    QTest::newRow("Record pressed during the export") << false;
    QTest::newRow("a load started during the export") << true;
}

void TstGraphe::exportPendantCommande() {
    // The export lets the window live while it runs; what the user does meanwhile
    // must not empty or refill the store it walks.
    QFETCH(bool, charger);
    Banc b;
    app::Enregistreur& f = b.demarre();
    core::Magasin& m = test::AccesMoteur::magasin(f.moteur());
    const qint64 n = 300000;
    const QDateTime t(QDate(2026, 12, 7), QTime(8, 0), Qt::UTC);
    for (qint64 i = 1; i <= n; ++i)
        m.ajoute(double(1 + i % 999), t.addSecs(i));
    f.affich();
    QVERIFY(test::ecritFichier(b.chemin(QStringLiteral("autre.csv")), "1;5;x;y\r\n"));
    QString alerte;
    QTimer::singleShot(0, &f, [&] {
        if (charger) {
            b.dialogues.fichiers.push_back(b.chemin(QStringLiteral("autre.csv")));
            f.menu_charger_Click();
        } else {
            f.CmdRecord_Click();
        }
        alerte = f.alerte();
    });
    QVERIFY(f.outils().exporteMesures(b.chemin(QStringLiteral("e.csv")), false));
    QVERIFY2(alerte.contains(QStringLiteral("export")), qPrintable(alerte));
    QVERIFY(!f.enregistrement());
    QCOMPARE(m.NbMesures(), n);
    QVERIFY(!f.alerte().contains(QStringLiteral("export")));
    // Every row is the store's sample, none is a zero from an emptied store.
    const QList<QByteArray> lignes = b.lit(QStringLiteral("e.csv")).split('\n');
    QCOMPARE(lignes.size(), n + 2); // header, rows, nothing after the last line end
    for (qint64 i = 1; i <= n; i += 997)
        QCOMPARE(lignes[i].split(';').value(2).trimmed(), QByteArray::number(1 + i % 999));
}

void TstGraphe::lectureSuitLesDonnees() {
    // The pointer rests on the graph while another file is loaded: the readout
    // speaks of the new file's sample, not of the old one's.
    Banc b;
    app::Enregistreur& f = b.demarre();
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    const auto fichier = [&](const char* nom, const char* valeur) {
        QByteArray c = files::enteteEnr();
        for (int i = 1; i <= 5; ++i)
            c += QByteArray::number(i) + ';' + valeur + ";12-09-2026;10:00:0" +
                 QByteArray::number(i) + "\r\n";
        QVERIFY(test::ecritFichier(b.chemin(QString::fromLatin1(nom)), c));
        b.dialogues.fichiers.push_back(b.chemin(QString::fromLatin1(nom)));
        f.menu_charger_Click();
        QTRY_VERIFY(!f.chargementEnCours());
    };
    fichier("a.csv", "111");
    graph::Ecran* ecran = f.ui().Ecran1;
    auto* lecture = ecran->findChild<QLabel*>(QStringLiteral("lecture"));
    QVERIFY(lecture);
    const QPointF centre = ecran->zone().center();
    QCursor::setPos(ecran->mapToGlobal(centre.toPoint()));
    QMouseEvent survol(QEvent::MouseMove, centre, ecran->mapToGlobal(centre), Qt::NoButton,
                       Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(ecran, &survol);
    QVERIFY(lecture->isVisible());
    QVERIFY2(lecture->text().contains(QStringLiteral("111")), qPrintable(lecture->text()));
    fichier("b.csv", "222");
    QTRY_VERIFY2(lecture->text().contains(QStringLiteral("222")), qPrintable(lecture->text()));
    QVERIFY(!lecture->text().contains(QStringLiteral("111")));
}

QTEST_MAIN(TstGraphe)
#include "tst_graphe.moc"
