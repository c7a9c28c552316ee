#include "Factices.h"
#include "settings/Form_option.h"
#include "ui/About.h"
#include "ui/SaisieDecimale.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTest>

using test::Banc;

class TstReglages : public QObject {
    Q_OBJECT
private slots:
    void cadences_data();
    void cadences();
    void sourceEcrite();
    void chargementNEcritRien();
    void voie2();
    void desactives();
    void fermeture_data();
    void fermeture();
    void unSeulAPropos();
    void soulignement();
    void liens();
    void toucheAPropos();
    void tabulationSurLesChoix();
    void saisieDecimale_data();
    void saisieDecimale();
};

void TstReglages::cadences_data() {
    QTest::addColumn<int>("option");
    QTest::addColumn<QString>("texte");
    QTest::addColumn<QString>("bulle");
    QTest::addColumn<QString>("intervalle");
    QTest::addColumn<int>("ticks");
    QTest::newRow("1\"") << 1 << "1\""
                         << "8h record"
                         << "1000" << 1;
    QTest::newRow("10\"") << 2 << "10\""
                          << "17h record"
                          << "10000" << 1;
    QTest::newRow("1 '") << 3 << "1 '"
                         << "2days record"
                         << "60000" << 1;
    QTest::newRow("15 '") << 4 << "15 '"
                          << "3days record"
                          << "60000" << 15;
    QTest::newRow("30 '") << 5 << "30 '"
                          << "7days record"
                          << "60000" << 30;
    QTest::newRow("1h") << 6 << "1h"
                        << "22 days record"
                        << "60000" << 60;
    QTest::newRow("3h") << 7 << "3h"
                        << ""
                        << "60000" << 180;
    QTest::newRow("6h") << 8 << "6h"
                        << ""
                        << "60000" << 360;
    QTest::newRow("12h") << 9 << "12h"
                         << ""
                         << "60000" << 720;
    QTest::newRow("24h") << 10 << "24h"
                         << ""
                         << "60000" << 1440;
}

void TstReglages::cadences() {
    QFETCH(int, option);
    QFETCH(QString, texte);
    QFETCH(QString, bulle);
    QFETCH(QString, intervalle);
    QFETCH(int, ticks);
    Banc b(QByteArray("\"X\",\"a.csv\",1,0,3600\r\n"));
    app::Enregistreur& f = b.demarre();
    f.menuReglage_Click();
    QVERIFY(f.formOption());
    QVERIFY(!f.isEnabled());
    QRadioButton* o = f.formOption()->ui.Option1[size_t(option)];
    QCOMPARE(o->text(), texte);
    QCOMPARE(o->toolTip(), bulle);
    o->click();
    QCOMPARE(QString::number(f.moteur().cadence().IntervalleTimer.count()), intervalle);
    QCOMPARE(int(f.moteur().cadence().NbTicks), ticks);
    QCOMPARE(b.lit(QStringLiteral("plovar.cfg")), "\"NE PAS MODIFIER CE FICHIER\",\"a.csv\"," +
                                                      QByteArray::number(option) + ",0,3600\r\n");
    f.formOption()->close();
}

void TstReglages::sourceEcrite() {
    Banc b(QByteArray("\"X\",\"a.csv\",3,0,3600\r\n"));
    app::Enregistreur& f = b.demarre();
    f.menuReglage_Click();
    QCOMPARE(f.formOption()->windowTitle(), QStringLiteral("   Réglages"));
    QVERIFY(f.formOption()->ui.Option1[3]->isChecked());
    QVERIFY(f.formOption()->ui.Option2[0]->isChecked());
    f.formOption()->ui.Option2[1]->click();
    QCOMPARE(int(f.moteur().reglages().TypeSource), 1);
    QCOMPARE(b.lit(QStringLiteral("plovar.cfg")),
             QByteArray("\"NE PAS MODIFIER CE FICHIER\",\"a.csv\",3,1,3600\r\n"));
    // The serial choice with no port at hand: selected, retried by the flush timer.
    f.formOption()->ui.Option2[2]->click();
    QCOMPARE(int(f.moteur().reglages().TypeSource), 2);
    QVERIFY(f.moteur().TimerVideBufferRS().isActive());
    f.formOption()->ui.Option2[0]->click();
    QVERIFY(!f.moteur().TimerVideBufferRS().isActive());
    f.formOption()->ui.Command1->click();
    QVERIFY(f.isEnabled());
}

void TstReglages::chargementNEcritRien() {
    Banc b(QByteArray("\"X\",\"a.csv\",5,0,3600\r\n"));
    app::Enregistreur& f = b.demarre();
    QFile::remove(b.chemin(QStringLiteral("plovar.cfg")));
    f.menuReglage_Click();
    QVERIFY(!QFile::exists(b.chemin(QStringLiteral("plovar.cfg"))));
    f.formOption()->close();
    // The handlers themselves never write while the dialog is not shown.
    settings::Option1_Click(f.moteur(), 2, false);
    QVERIFY(!QFile::exists(b.chemin(QStringLiteral("plovar.cfg"))));
}

void TstReglages::voie2() {
    Banc b(QByteArray("\"X\",\"a.csv\",1,1,3600\r\n"));
    app::Enregistreur& f = b.demarre();
    f.menuReglage_Click();
    auto& u = f.formOption()->ui;
    QVERIFY(u.Option2[1]->isChecked());
    u.Option3[2]->click();
    QVERIFY(u.Option3[2]->isChecked());
    for (auto* o : u.Option2)
        QVERIFY(!o->isChecked());
    QCOMPARE(int(f.moteur().reglages().TypeSource), 1);
    f.formOption()->close();
    // Opened again: its initial state, with the values in force selected.
    f.menuReglage_Click();
    QVERIFY(f.formOption()->ui.Option2[1]->isChecked());
    QVERIFY(!f.formOption()->ui.Option3[2]->isChecked());
    f.formOption()->close();
}

void TstReglages::desactives() {
    Banc b;
    app::Enregistreur& f = b.demarre();
    f.menuReglage_Click();
    auto& u = f.formOption()->ui;
    QVERIFY(!u.Frame2->isEnabled());
    QVERIFY(!u.Text1->isEnabled());
    QVERIFY(!u.Text2->isEnabled());
    QVERIFY(!u.Text3->isEnabled());
    QCOMPARE(u.Text3->toolTip(), QStringLiteral("Entrer N° de port com"));
    QCOMPARE(u.Text3->maxLength(), 1);
    QVERIFY(!u.Option3[0]->isEnabled());
    QVERIFY(!u.Option3[1]->isEnabled());
    QVERIFY(u.Option3[2]->isEnabled());
    QVERIFY(!u.Option3[3]->isEnabled());
    // The caption may be shown on two lines where the font is wider.
    QCOMPARE(u.Option2[0]->text().replace(QLatin1Char('\n'), QLatin1Char(' ')),
             QStringLiteral("Mode Test (clavier +/-)"));
    QCOMPARE(u.Option2[2]->text(), QStringLiteral("RS232 com N°"));
    QCOMPARE(u.Frame1->title(), QStringLiteral("Time Rec"));
    QCOMPARE(u.Frame2->title(), QStringLiteral("Echelle Capteur"));
    QCOMPARE(u.Label1->text(), QStringLiteral("Entrer valeur Max:"));
    QCOMPARE(u.Label2->text(), QStringLiteral("Entrer valeur Min :"));
    QCOMPARE(f.formOption()->size(), QSize(320, 247));
    QCOMPARE(u.Command1->geometry(), QRect(120, 216, 73, 25));
    f.formOption()->close();
}

void TstReglages::fermeture_data() {
    QTest::addColumn<bool>("parOK");
    QTest::newRow("OK") << true;
    QTest::newRow("close box") << false;
}

void TstReglages::fermeture() {
    QFETCH(bool, parOK);
    Banc b;
    app::Enregistreur& f = b.demarre();
    f.menuReglage_Click();
    QPointer<settings::Form_option> dlg = f.formOption();
    QVERIFY(!f.isEnabled());
    if (parOK)
        dlg->ui.Command1->click();
    else
        dlg->close();
    QVERIFY(f.isEnabled());
    QTRY_VERIFY(!dlg); // unloaded
}

void TstReglages::unSeulAPropos() {
    Banc b;
    app::Enregistreur& f = b.demarre();
    f.menu_apropos_Click();
    QPointer<ui::About> premier = f.about();
    f.menu_apropos_Click();
    QCOMPARE(f.about(), premier.data());
    QCOMPARE(f.findChildren<ui::About*>().size(), 1);
    QCOMPARE(premier->windowTitle(), QStringLiteral("About Zib"));
    QVERIFY(premier->windowFlags().testFlag(Qt::Tool));
    QCOMPARE(premier->Label3->text(), QStringLiteral("V 1.02"));
    QCOMPARE(premier->Label4->text(), QStringLiteral("Plovar"));
    QCOMPARE(premier->Label1->cursor().shape(), Qt::PointingHandCursor);
    QCOMPARE(premier->Command1->cursor().shape(), Qt::ArrowCursor);
    // The pictures are compiled into the program.
    for (const QLabel* image : {premier->Image1, premier->Image2, premier->Image3})
        QVERIFY(!image->pixmap().isNull());
    QVERIFY(!f.windowIcon().isNull());
    premier->Command1->click();
    QTRY_VERIFY(!premier);
    f.menu_apropos_Click();
    QVERIFY(f.about());
    QVERIFY(!f.about()->Label1->font().underline());
    f.about()->close();
}

void TstReglages::soulignement() {
    Banc b;
    app::Enregistreur& f = b.demarre();
    f.menu_apropos_Click();
    ui::About* a = f.about();
    a->show();
    QVERIFY(QTest::qWaitForWindowExposed(a));
    auto bouge = [](QWidget* w, QPoint p) {
        QMouseEvent e(QEvent::MouseMove, p, w->mapToGlobal(p), Qt::NoButton, Qt::NoButton,
                      Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    };
    bouge(a->Mail, QPoint(a->Mail->width() - 3, 3));
    QVERIFY(a->Label1->font().underline());
    QVERIFY(!a->Label2->font().underline());
    // Over the label, the picture or the frame: no change.
    bouge(a->Label1, QPoint(2, 2));
    bouge(a->Image1, QPoint(2, 2));
    bouge(a->Frame1, QPoint(2, 2));
    bouge(a->Command1, QPoint(2, 2));
    QVERIFY(a->Label1->font().underline());
    // The banner counts as its zone.
    bouge(a->SiteZib, a->Image2->geometry().center());
    QVERIFY(a->Label2->font().underline());
    bouge(a, QPoint(2, a->height() - 2));
    QVERIFY(!a->Label1->font().underline());
    QVERIFY(!a->Label2->font().underline());
    a->close();
}

void TstReglages::liens() {
    Banc b;
    app::Enregistreur& f = b.demarre();
    f.menu_apropos_Click();
    ui::About* a = f.about();
    a->show();
    QVERIFY(QTest::qWaitForWindowExposed(a));
    QTest::mouseClick(a->Label1, Qt::LeftButton);
    QTest::mouseClick(a->Mail, Qt::LeftButton, {}, QPoint(a->Mail->width() - 3, 3));
    QTest::mouseClick(a->Image1, Qt::LeftButton);
    QTest::mouseClick(a->SiteZib, Qt::LeftButton, {}, a->Image2->geometry().center());
    QTest::mouseClick(a->Label2, Qt::LeftButton);
    const QUrl mail(QStringLiteral("mailto:") + QString::fromUtf8(ui::auteur::kAdresseMail) +
                    QStringLiteral("?Subject=") + QString::fromUtf8(ui::auteur::kSujetMail));
    const QUrl site(QString::fromUtf8(ui::auteur::kSiteWeb));
    QCOMPARE(b.dialogues.liens, (QList<QUrl>{mail, mail, mail, site, site}));
    QVERIFY(a->isVisible());
    a->close();
}

void TstReglages::toucheAPropos() {
    Banc b;
    app::Enregistreur& f = b.demarre();
    f.menu_apropos_Click();
    QPointer<ui::About> a = f.about();
    a->show();
    QVERIFY(QTest::qWaitForWindowActive(a));
    QTest::keyClick(a, Qt::Key_Escape);
    QVERIFY(a && a->isVisible());
    QTest::keyClick(a, Qt::Key_Return);
    QTRY_VERIFY(!a);
}

void TstReglages::tabulationSurLesChoix() {
    // Tab stops on the checked button of each group, never on another one, where a
    // Space would change the setting.
    Banc b(QByteArray("\"X\",\"a.csv\",3,0,3600\r\n"));
    app::Enregistreur& f = b.demarre();
    f.menuReglage_Click();
    settings::Form_option* d = f.formOption();
    QVERIFY(d);
    d->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(d));
    d->ui.Option2[0]->setFocus();
    QList<QWidget*> vus;
    for (int k = 0; k < 4; ++k) {
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : d, Qt::Key_Tab);
        vus << QApplication::focusWidget();
    }
    QVERIFY(vus.contains(d->ui.Option1[3]));
    QVERIFY(vus.contains(d->ui.Command1));
    for (QWidget* w : vus)
        if (auto* o = qobject_cast<QRadioButton*>(w))
            QVERIFY2(o->isChecked(), qPrintable(o->text()));
    d->close();
}

QTEST_MAIN(TstReglages)
void TstReglages::saisieDecimale_data() {
    QTest::addColumn<QString>("frappe");
    QTest::addColumn<double>("valeur");
    QTest::addColumn<QString>("affiche");
    QTest::newRow("comma") << "12,5" << 12.5 << "12,500";
    QTest::newRow("dot") << "12.5" << 12.5 << "12,500";
    QTest::newRow("negative dot") << "-0.25" << -0.25 << "-0,250";
    QTest::newRow("thousands, no separator") << "1234.5" << 1234.5 << "1234,500";
    QTest::newRow("whole") << "7" << 7.0 << "7,000";
}

void TstReglages::saisieDecimale() {
    // The alarm and calibration fields take a comma or a dot and show a comma.
    QFETCH(QString, frappe);
    QFETCH(double, valeur);
    QFETCH(QString, affiche);
    ui::SaisieDecimale s;
    s.setRange(-1e9, 1e9);
    s.setDecimals(3);
    s.show();
    s.selectAll();
    QTest::keyClicks(&s, frappe);
    QTest::keyClick(&s, Qt::Key_Return);
    QCOMPARE(s.value(), valeur);
    s.clearFocus();
    QCOMPARE(s.text(), affiche);
}

#include "tst_reglages.moc"
