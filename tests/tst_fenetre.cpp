#include "Factices.h"
#include "graph/Couleurs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMenuBar>
#include <QTest>

using test::Banc;

class TstFenetre : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        m_banc = std::make_unique<Banc>(QByteArray("\"X\",\"a.csv\",1,0,7890\r\n"));
        m_banc->demarre();
    }
    void cleanupTestCase() { m_banc.reset(); }
    void controles_data();
    void controles();
    void couleurs();
    void menus();
    void ordreTabulation();
    void ledEteinte();
    void ledAllumee();
    void graduations();
    void etroite();

private:
    app::Enregistreur& f() { return *m_banc->fenetre; }
    std::unique_ptr<Banc> m_banc;
};

void TstFenetre::controles_data() {
    QTest::addColumn<QString>("nom");
    QTest::addColumn<QRect>("twips");
    QTest::addColumn<QString>("texte");
    QTest::addColumn<bool>("visible");
    QTest::addColumn<bool>("actif");
    QTest::newRow("Label1") << "Label1" << QRect(120, 120, 3015, 255)
                            << "     N° Record - Valeur - Date - Time" << true << true;
    QTest::newRow("Text1") << "Text1" << QRect(120, 360, 3255, 2415) << "" << true << true;
    QTest::newRow("Label2") << "Label2" << QRect(240, 2880, 855, 295) << "00.00" << true << true;
    QTest::newRow("Label3") << "Label3" << QRect(240, 3240, 855, 375) << "Valeur" << true << true;
    QTest::newRow("Frame1") << "Frame1" << QRect(1200, 2760, 2055, 855) << "" << true << true;
    QTest::newRow("CmdRecord") << "CmdRecord" << QRect(240, 240, 1215, 495) << " Record   Start"
                               << true << true;
    QTest::newRow("Frame2") << "Frame2" << QRect(1560, 240, 375, 480) << "" << true << true;
    QTest::newRow("Ecran1") << "Ecran1" << QRect(3600, 120, 3495, 2655) << "" << true << true;
    QTest::newRow("Picture1") << "Picture1" << QRect(3600, 2880, 3495, 255) << "" << true << true;
    QTest::newRow("Picture2") << "Picture2" << QRect(7200, 120, 255, 2655) << "" << true << true;
    QTest::newRow("Slider1") << "Slider1" << QRect(3600, 3720, 3495, 255) << "" << false << true;
    QTest::newRow("HScroll1") << "HScroll1" << QRect(2760, 4320, 4815, 135) << "" << false << false;
}

void TstFenetre::controles() {
    QFETCH(QString, nom);
    QFETCH(QRect, twips);
    QFETCH(QString, texte);
    QFETCH(bool, visible);
    QFETCH(bool, actif);
    auto* w = f().findChild<QWidget*>(nom);
    QVERIFY(w);
    const QRect attendu(qRound(twips.x() / 15.0), qRound(twips.y() / 15.0),
                        qRound(twips.width() / 15.0), qRound(twips.height() / 15.0));
    QCOMPARE(w->geometry(), attendu);
    if (auto* l = qobject_cast<QLabel*>(w))
        QCOMPARE(l->text(), texte);
    if (auto* b = qobject_cast<QAbstractButton*>(w))
        QCOMPARE(b->text(), texte);
    QCOMPARE(!w->isHidden(), visible);
    QCOMPARE(w->isEnabled(), actif);
}

void TstFenetre::couleurs() {
    const QPalette p2 = f().ui().Label2->palette();
    QCOMPARE(p2.color(QPalette::Window), QColor(0, 0, 0));
    QCOMPARE(p2.color(QPalette::WindowText), QColor(192, 0, 0));
    QCOMPARE(f().ui().Label3->font().bold(), true);
    QCOMPARE(f().ui().Label3->font().pointSizeF(), 12.0);
    QCOMPARE(f().ui().Label2->font().pointSizeF(), 9.75);
    QCOMPARE(f().ui().Label2->alignment(), Qt::AlignCenter);
    const QPalette p1 = f().ui().Text1->palette();
    QCOMPARE(p1.color(QPalette::Base), QColor(0, 0, 0));
    QCOMPARE(p1.color(QPalette::Text), QColor(0, 192, 0));
    QCOMPARE(f().ui().Text1->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QCOMPARE(f().ui().Slider1->maximum(), 10);
    QCOMPARE(f().ui().Slider1->pageStep(), 5);
    QCOMPARE(f().moteur().Timer1().interval(), 10);
    QCOMPARE(f().moteur().TimerVideBufferRS().interval(), 10000);
}

void TstFenetre::menus() {
    const QList<QAction*> barre = f().menuBar()->actions();
    QCOMPARE(barre.size(), 3);
    // The captions read "Fichier", "Option" and "?"; each has its mnemonic.
    QCOMPARE(barre[0]->text(), QStringLiteral("&Fichier"));
    QCOMPARE(barre[1]->text(), QStringLiteral("&Option"));
    QCOMPARE(barre[2]->text(), QStringLiteral("&?"));
    auto textes = [](QMenu* m) {
        QStringList t;
        for (QAction* a : m->actions())
            t << (a->isSeparator() ? QStringLiteral("-") : a->text());
        return t;
    };
    QCOMPARE(textes(f().ui().menu_fichier),
             (QStringList{"Nouvel Enregistrement", "-", "Visualiser Enregistrement", "-",
                          "Programmer un enregistrement…", "Annuler le programme", "-",
                          "Fichiers &récents", "&Imprimer le graphe…", "-", "&Quitter"}));
    QCOMPARE(textes(f().ui().menu_option),
             (QStringList{"Graphe on/off", "-", "Réglages", "Un fichier par", "Publication…",
                          "Source texte…"}));
    QCOMPARE(textes(f().ui().menu_intero), (QStringList{"Aide", "à Propos"}));
    QVERIFY(!f().ui().menu_aide->isEnabled());
    QVERIFY(f().ui().menu_apropos->isEnabled());
    QSet<QKeySequence> raccourcis;
    for (QAction* a : {f().ui().menu_nouveau, f().ui().menu_charger, f().ui().menuReglage}) {
        QVERIFY(!a->shortcut().isEmpty() && !a->isChecked());
        raccourcis.insert(a->shortcut());
    }
    QCOMPARE(raccourcis.size(), 3);
    // F10 opens the first menu; while recording (Fichier and Option closed) the "?" one.
    f().show();
    QVERIFY(QTest::qWaitForWindowActive(&f()));
    QTest::keyClick(&f(), Qt::Key_F10);
    QTRY_COMPARE(f().menuBar()->activeAction(), barre[0]);
    QTest::keyClick(f().ui().menu_fichier, Qt::Key_Escape);
    QTest::keyClick(f().menuBar(), Qt::Key_Escape);
    f().CmdRecord_Click();
    QVERIFY(!f().ui().menu_charger->isEnabled());
    QTest::keyClick(&f(), Qt::Key_F10);
    QTRY_COMPARE(f().menuBar()->activeAction(), barre[2]);
    QTest::keyClick(f().ui().menu_intero, Qt::Key_Escape);
    f().CmdRecord_Click();
    QVERIFY(f().ui().menu_charger->isEnabled());
}

void TstFenetre::ordreTabulation() {
    f().show();
    QVERIFY(QTest::qWaitForWindowActive(&f()));
    f().ui().Text1->setFocus();
    QCOMPARE(QApplication::focusWidget(), f().ui().Text1);
    const QList<QWidget*> cycle{f().ui().Ecran1, f().ui().Picture1, f().ui().Picture2,
                                f().ui().CmdRecord, f().ui().Text1};
    for (QWidget* attendu : cycle) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), attendu);
    }
}

void TstFenetre::ledEteinte() {
    const QImage img = f().ui().Frame2->grab().toImage();
    // Body centre (202.5, 307.5) twips: dark red. Below the body, inside the halo's
    // disc (centre (210, 315), 210 across): the background shows.
    QCOMPARE(img.pixelColor(13, 20), QColor(128, 0, 0));
    const QColor fond = f().ui().Frame1->palette().color(QPalette::Window);
    QCOMPARE(img.pixelColor(14, 26), fond);
    // White reflection spot at (160, 290), over the body.
    bool blanc = false;
    for (int x = 9; x <= 12; ++x)
        for (int y = 18; y <= 21; ++y)
            blanc = blanc || img.pixelColor(x, y) == graph::couleurs::fondFenetre();
    QVERIFY(blanc);
}

void TstFenetre::ledAllumee() {
    f().ui().Frame2->allume();
    const QImage img = f().ui().Frame2->grab().toImage();
    QCOMPARE(img.pixelColor(13, 20), QColor(255, 0, 0));
    QCOMPARE(img.pixelColor(14, 26), QColor(255, 128, 128));
    f().eteint_led();
    QCOMPARE(f().ui().Frame2->FillColor(), 128);
}

void TstFenetre::graduations() {
    QCOMPARE(f().ui().Picture1->lignes().size(), size_t(9));
    QCOMPARE(f().ui().Picture2->lignes().size(), size_t(9));
    const QLineF t1 = f().ui().Picture1->lignes()[0];
    QVERIFY(std::fabs(t1.x1() - 343.2) < 0.1);
    QCOMPARE(t1.y1(), 100.0);
    QCOMPARE(t1.y2(), 5.0);
    const auto& textes = f().ui().surface->textes();
    QCOMPARE(textes.size(), size_t(18));
    QCOMPARE(textes[0].texte, QStringLiteral(" 1 "));
    QVERIFY(std::fabs(textes[0].positionTwips.x() - 3851.5) < 0.1);
    QCOMPARE(textes[0].positionTwips.y(), 3180.0);
    QVERIFY(std::fabs(textes[1].positionTwips.y() - 288.0) < 0.1);
    QCOMPARE(textes[1].positionTwips.x(), 7500.0);
    // Reference lines: mid-height across, mid-width down.
    QCOMPARE(*f().ui().Ecran1->ligneHPixels(), 0.5);
    QCOMPARE(*f().ui().Ecran1->ligneVPixels(), 0.5);
}

void TstFenetre::etroite() {
    // At 3600 the graph lies outside the window; the left panel fits.
    Banc b;
    app::Enregistreur& e = b.demarre();
    QVERIFY(e.ui().Ecran1->x() >= e.width());
    QVERIFY(e.ui().Text1->geometry().right() < e.width());
    QVERIFY(e.ui().Frame1->geometry().right() < e.width());
}

QTEST_MAIN(TstFenetre)
#include "tst_fenetre.moc"
