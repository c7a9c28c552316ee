#include "AccesMoteur.h"
#include "Factices.h"
#include "files/EcrivainEnr.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QTest>

using test::Banc;

class TstEnregistrement : public QObject {
    Q_OBJECT
private slots:
    void troisMesures();
    void deuxPassages();
    void etatsBoutonEtMenus();
    void nouvelEnregistrement();
    void nouvelEnregistrementAnnule();
    void nouvelEnregistrementFichierExistant();
    void dialogueNouveauRefuse_data();
    void dialogueNouveauRefuse();
    void formatLigne_data();
    void formatLigne();
    void repertoireDisparu();
    void attenteSauveeALArret();
    void fichierSainApresFichierEnPanne();
    void fermetureEnPanne();
    void fermetureNon();
    void fermetureOui();
    void programme_data();
    void programme();

private:
    // One sampling tick one second after the previous one.
    static void tick(Banc& b) {
        b.fenetre->Timer1_Timer();
        b.horloge.avance(1);
    }
};

void TstEnregistrement::troisMesures() {
    Banc b;
    app::Enregistreur& f = b.demarre();
    test::AccesMoteur::cycle(f.moteur()).ValeurTest = 12; // reset by the start
    f.CmdRecord_Click();
    tick(b);
    for (int k = 0; k < 3; ++k)
        f.Form_KeyPress('+');
    tick(b);
    f.Form_KeyPress('-');
    f.Form_KeyPress('-');
    f.Form_KeyPress('-');
    f.Form_KeyPress('-');
    f.Form_KeyPress('-');
    tick(b);
    f.CmdRecord_Click();
    QCOMPARE(b.lit(QStringLiteral("data_tr.csv")), QByteArray("1;0;11-08-2006;14:05:09\r\n"
                                                              "2;3;11-08-2006;14:05:10\r\n"
                                                              "3;-2;11-08-2006;14:05:11\r\n"));
}

void TstEnregistrement::deuxPassages() {
    Banc b;
    app::Enregistreur& f = b.demarre();
    f.CmdRecord_Click();
    tick(b);
    tick(b);
    f.CmdRecord_Click();
    f.CmdRecord_Click();
    tick(b);
    f.CmdRecord_Click();
    const QList<QByteArray> lignes = b.lit(QStringLiteral("data_tr.csv")).split('\n');
    QCOMPARE(lignes.size(), 4);
    QVERIFY(lignes[0].startsWith("1;"));
    QVERIFY(lignes[1].startsWith("2;"));
    QVERIFY(lignes[2].startsWith("1;"));
    QCOMPARE(lignes[2], QByteArray("1;0;11-08-2006;14:05:11\r"));
}

void TstEnregistrement::etatsBoutonEtMenus() {
    Banc b;
    app::Enregistreur& f = b.demarre();
    QCOMPARE(f.ui().CmdRecord->text(), QStringLiteral(" Record   Start"));
    f.CmdRecord_Click();
    QVERIFY(f.enregistrement());
    QCOMPARE(f.moteur().Timer1().interval(), 10);
    QCOMPARE(f.ui().CmdRecord->text(), QStringLiteral(" Record  Stop"));
    QVERIFY(!f.ui().menu_fichier->menuAction()->isEnabled());
    QVERIFY(!f.ui().menu_option->menuAction()->isEnabled());
    QVERIFY(f.ui().menu_intero->menuAction()->isEnabled());
    // Stopping before the first tick stores nothing.
    f.CmdRecord_Click();
    QVERIFY(!f.enregistrement());
    QCOMPARE(int(f.moteur().magasin().NbMesures()), 0);
    QCOMPARE(f.ui().CmdRecord->text(), QStringLiteral(" Record   Start"));
    QVERIFY(f.ui().menu_fichier->menuAction()->isEnabled());
    QVERIFY(f.ui().menu_option->menuAction()->isEnabled());
    QVERIFY(!QFile::exists(b.chemin(QStringLiteral("data_tr.csv"))));
    // Rate 4: the pending tick count is discarded by a stop; the next start samples at once.
    QVERIFY(f.moteur().choisitCadence(4, false));
    f.CmdRecord_Click();
    tick(b);
    QCOMPARE(f.moteur().Timer1().interval(), 60000);
    for (int k = 0; k < 7; ++k)
        tick(b);
    f.CmdRecord_Click();
    f.CmdRecord_Click();
    tick(b);
    QCOMPARE(int(f.moteur().magasin().NbMesures()), 1);
    QCOMPARE(int(f.moteur().cycle().CompteurTicks), 1);
}

void TstEnregistrement::nouvelEnregistrement() {
    Banc b;
    app::Enregistreur& f = b.demarre();
    QTemporaryDir autre;
    const QString choisi = autre.filePath(QStringLiteral("essai.csv"));
    b.dialogues.fichiers.push_back(choisi);
    const QString avant = QDir::currentPath();
    f.menu_nouveau_Click();
    QCOMPARE(QDir::currentPath(), avant);
    QFile fichier(choisi);
    QVERIFY(fichier.open(QIODevice::ReadOnly));
    QCOMPARE(fichier.readAll(), QByteArray("N\xB0Record;Valeur;Date;Time\r\n"));
    QCOMPARE(f.moteur().reglages().NomFichierEnr, choisi);
    QCOMPARE(b.lit(QStringLiteral("plovar.cfg")),
             "\"NE PAS MODIFIER CE FICHIER\",\"" + choisi.toUtf8() + "\",1,0,3600\r\n");
    // The title names the new record file at once: the old name would be untrue.
    QCOMPARE(f.windowTitle(), QStringLiteral("Plovar : ") + choisi);
    f.CmdRecord_Click();
    tick(b);
    f.CmdRecord_Click();
    fichier.seek(0);
    QCOMPARE(fichier.readAll(),
             QByteArray("N\xB0Record;Valeur;Date;Time\r\n1;0;11-08-2006;14:05:09\r\n"));
}

void TstEnregistrement::nouvelEnregistrementAnnule() {
    Banc b;
    app::Enregistreur& f = b.demarre();
    const QByteArray cfg = b.lit(QStringLiteral("plovar.cfg"));
    f.menu_nouveau_Click();
    QCOMPARE(b.dialogues.dialoguesFichier, 1);
    QCOMPARE(f.moteur().reglages().NomFichierEnr, QStringLiteral("data_tr.csv"));
    QCOMPARE(b.lit(QStringLiteral("plovar.cfg")), cfg);
    QVERIFY(!QFile::exists(b.chemin(QStringLiteral("data_tr.csv"))));
    // A name with a double quote cannot be stored: refused, nothing changes.
    b.dialogues.fichiers.push_back(b.chemin(QStringLiteral("a\"b.csv")));
    f.menu_nouveau_Click();
    QCOMPARE(b.dialogues.avertissements.size(), 1);
    QCOMPARE(b.lit(QStringLiteral("plovar.cfg")), cfg);
    QVERIFY(!QFile::exists(b.chemin(QStringLiteral("a\"b.csv"))));
}

void TstEnregistrement::nouvelEnregistrementFichierExistant() {
    Banc b;
    app::Enregistreur& f = b.demarre();
    const QString choisi = b.chemin(QStringLiteral("vieux.csv"));
    QVERIFY(test::ecritFichier(choisi, "1;5;01-01-2000;00:00:00\r\n2;6;01-01-2000;00:00:01\r\n"));
    b.dialogues.fichiers.push_back(choisi);
    f.menu_nouveau_Click();
    QCOMPARE(b.lit(QStringLiteral("vieux.csv")), QByteArray("N\xB0Record;Valeur;Date;Time\r\n"));
    // A name that cannot be created is still adopted: lines are kept until it can be.
    b.dialogues.fichiers.push_back(b.chemin(QStringLiteral("absent/x.csv")));
    f.menu_nouveau_Click();
    QCOMPARE(f.moteur().reglages().NomFichierEnr, b.chemin(QStringLiteral("absent/x.csv")));
    QCOMPARE(b.dialogues.avertissements.size(), 1);
}

void TstEnregistrement::dialogueNouveauRefuse_data() {
    QTest::addColumn<QString>("saisie");
    QTest::addColumn<QString>("refus");
    QTest::newRow("folder that does not exist") << "pas-la/x.csv"
                                                << "n'existe pas";
    QTest::newRow("absolute, folder missing") << "/tmp/plovar-absent-42/x.csv"
                                              << "n'existe pas";
    QTest::newRow("double quote") << "a\"b.csv"
                                  << "guillemet";
    QTest::newRow("plain name") << "mesures.csv"
                                << "";
}

void TstEnregistrement::dialogueNouveauRefuse() {
    QFETCH(QString, saisie);
    QFETCH(QString, refus);
    QTemporaryDir dir;
    ui::DialogueNouveauFichier d(nullptr);
    QStringList vus;
    d.avertit = [&](const QString& t) { vus << t; };
    d.setDirectory(dir.path());
    auto* edition = d.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    QVERIFY(edition);
    edition->setText(saisie);
    d.accept();
    if (refus.isEmpty()) {
        QVERIFY(vus.isEmpty());
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QCOMPARE(QFileInfo(d.selectedFiles().value(0)).fileName(), saisie);
    } else {
        QCOMPARE(vus.size(), 1);
        QVERIFY2(vus[0].contains(refus), qPrintable(vus[0]));
        QCOMPARE(d.result(), int(QDialog::Rejected)); // still open, nothing chosen
    }
}

void TstEnregistrement::formatLigne_data() {
    QTest::addColumn<core::ValeurMesure>("valeur");
    QTest::addColumn<QByteArray>("ligne");
    QTest::newRow("board 255") << core::ValeurMesure::reel(999)
                               << QByteArray("12;999;01-31-2007;09:05:03\r\n");
    QTest::newRow("board 0") << core::ValeurMesure::reel(0)
                             << QByteArray("12;0;01-31-2007;09:05:03\r\n");
    QTest::newRow("test -3") << core::ValeurMesure::entier(-3)
                             << QByteArray("12;-3;01-31-2007;09:05:03\r\n");
    QTest::newRow("test 32767") << core::ValeurMesure::entier(32767)
                                << QByteArray("12;32767;01-31-2007;09:05:03\r\n");
    QTest::newRow("empty") << core::ValeurMesure() << QByteArray("12;0;01-31-2007;09:05:03\r\n");
}

void TstEnregistrement::formatLigne() {
    QFETCH(core::ValeurMesure, valeur);
    QFETCH(QByteArray, ligne);
    QCOMPARE(files::ligneEnr(12, valeur, QStringLiteral("01-31-2007"), QStringLiteral("09:05:03")),
             ligne);
}

void TstEnregistrement::repertoireDisparu() {
    Banc b;
    QVERIFY(QDir(b.dir.path()).mkdir(QStringLiteral("mesures")));
    app::Enregistreur& f = b.demarre();
    b.dialogues.fichiers.push_back(b.chemin(QStringLiteral("mesures/r.csv")));
    f.menu_nouveau_Click();
    f.CmdRecord_Click();
    tick(b);
    tick(b);
    QVERIFY(QDir(b.chemin(QStringLiteral("mesures"))).removeRecursively());
    tick(b);
    tick(b);
    tick(b);
    QCOMPARE(f.moteur().ecrivain().nbEnAttente(), 3);
    QVERIFY(f.alerte().contains(QStringLiteral("Écriture impossible")));
    QVERIFY(f.alerte().contains(QStringLiteral("3 mesure(s) en attente")));
    QVERIFY(b.dialogues.avertissements.isEmpty()); // no modal box during the recording
    QCOMPARE(int(f.moteur().magasin().NbMesures()), 5);
    QVERIFY(f.enregistrement());
    QVERIFY(QDir(b.dir.path()).mkdir(QStringLiteral("mesures")));
    tick(b);
    QCOMPARE(f.moteur().ecrivain().nbEnAttente(), 0);
    QVERIFY(f.alerte().contains(QStringLiteral("Écriture rétablie")));
    // Every line since the directory came back, once and in order.
    QCOMPARE(b.lit(QStringLiteral("mesures/r.csv")), QByteArray("3;0;11-08-2006;14:05:11\r\n"
                                                                "4;0;11-08-2006;14:05:12\r\n"
                                                                "5;0;11-08-2006;14:05:13\r\n"
                                                                "6;0;11-08-2006;14:05:14\r\n"));
    f.CmdRecord_Click();
}

void TstEnregistrement::attenteSauveeALArret() {
    Banc b;
    app::Enregistreur& f = b.demarre();
    b.dialogues.fichiers.push_back(b.chemin(QStringLiteral("d/r.csv")));
    f.menu_nouveau_Click();
    b.dialogues.avertissements.clear();
    f.CmdRecord_Click();
    tick(b);
    tick(b);
    QCOMPARE(f.moteur().ecrivain().nbEnAttente(), 2);
    // At the stop the user is asked where to put the lines; a first cancel keeps them.
    f.CmdRecord_Click();
    QCOMPARE(b.dialogues.avertissements.size(), 1);
    QCOMPARE(f.moteur().ecrivain().nbEnAttente(), 2);
    b.dialogues.fichiers.push_back(b.chemin(QStringLiteral("secours.csv")));
    b.dialogues.reponses.push_back(true);
    f.close();
    // A new rescue file starts with the record header.
    QCOMPARE(b.lit(QStringLiteral("secours.csv")), files::enteteEnr() +
                                                       "1;0;11-08-2006;14:05:09\r\n"
                                                       "2;0;11-08-2006;14:05:10\r\n");
    QCOMPARE(f.moteur().ecrivain().nbEnAttente(), 0);
}

void TstEnregistrement::fichierSainApresFichierEnPanne() {
    Banc b;
    app::Enregistreur& f = b.demarre();
    const QString a = b.chemin(QStringLiteral("d/a.csv"));
    b.dialogues.fichiers.push_back(a);
    f.menu_nouveau_Click();
    f.CmdRecord_Click();
    tick(b);
    tick(b);
    f.CmdRecord_Click(); // the rescue dialog is cancelled: A's two lines keep waiting
    const QString autre = b.chemin(QStringLiteral("b.csv"));
    b.dialogues.fichiers.push_back(autre);
    f.menu_nouveau_Click();
    f.CmdRecord_Click();
    tick(b);
    // B gets its line at once; the notice still names A with its count, and only A.
    QCOMPARE(b.lit(QStringLiteral("b.csv")), files::enteteEnr() + "1;0;11-08-2006;14:05:11\r\n");
    QCOMPARE(f.moteur().ecrivain().nbEnAttente(a), 2);
    QVERIFY(f.alerte().contains(a));
    QVERIFY(f.alerte().contains(QStringLiteral("2 mesure(s) en attente")));
    QVERIFY(!f.alerte().contains(autre));
    // A's folder comes back: its lines go there with B's next one.
    QVERIFY(QDir(b.dir.path()).mkdir(QStringLiteral("d")));
    tick(b);
    QCOMPARE(b.lit(QStringLiteral("d/a.csv")),
             QByteArray("1;0;11-08-2006;14:05:09\r\n2;0;11-08-2006;14:05:10\r\n"));
    QCOMPARE(b.lit(QStringLiteral("b.csv")).count('\n'), 3);
    f.CmdRecord_Click();
}

void TstEnregistrement::fermetureEnPanne() {
    Banc b;
    app::Enregistreur& f = b.demarre();
    f.show();
    b.dialogues.fichiers.push_back(b.chemin(QStringLiteral("d/r.csv")));
    f.menu_nouveau_Click();
    b.dialogues.avertissements.clear();
    f.CmdRecord_Click();
    for (int k = 0; k < 4; ++k)
        tick(b);
    // Closing: sampling stops first, then the waiting lines are dealt with.
    bool echantillonnageArrete = false;
    b.dialogues.surAvertissement = [&] {
        echantillonnageArrete = !f.enregistrement() && !f.moteur().Timer1().isActive();
    };
    b.dialogues.reponses.push_back(true);
    b.dialogues.fichiers.push_back(b.chemin(QStringLiteral("secours.csv")));
    QVERIFY(f.close());
    QVERIFY(echantillonnageArrete);
    QCOMPARE(b.dialogues.avertissements.size(), 1);
    QVERIFY(b.dialogues.avertissements[0].startsWith(QStringLiteral("4 mesure(s)")));
    // The rescue file holds exactly the lines counted, after the header.
    const QByteArray secours = b.lit(QStringLiteral("secours.csv"));
    QVERIFY(secours.startsWith(files::enteteEnr()));
    QCOMPARE(secours.count('\n'), 5);
    QVERIFY(secours.endsWith("4;0;11-08-2006;14:05:12\r\n"));
}

void TstEnregistrement::fermetureNon() {
    Banc b;
    app::Enregistreur& f = b.demarre();
    f.show();
    f.CmdRecord_Click();
    tick(b);
    b.dialogues.reponses.push_back(false);
    QVERIFY(!f.close());
    QCOMPARE(b.dialogues.bips, 1);
    QCOMPARE(b.dialogues.questions,
             QStringList{QStringLiteral("Arrêter l'enregistreur et quitter ?")});
    QVERIFY(f.isVisible());
    QVERIFY(f.enregistrement());
    tick(b);
    f.CmdRecord_Click();
    const QList<QByteArray> l = b.lit(QStringLiteral("data_tr.csv")).split('\n');
    QVERIFY(l[0].startsWith("1;"));
    QVERIFY(l[1].startsWith("2;"));
}

void TstEnregistrement::fermetureOui() {
    Banc b;
    app::Enregistreur& f = b.demarre();
    f.show();
    f.CmdRecord_Click();
    b.dialogues.reponses.push_back(true);
    QVERIFY(f.close());
    QVERIFY(!f.moteur().Timer1().isActive());
    QVERIFY(!f.moteur().TimerValActu().isActive());
    QVERIFY(!f.moteur().rs232().estOuvert());
    // The configuration is not written at exit.
    QCOMPARE(b.lit(QStringLiteral("plovar.cfg")),
             QByteArray("\"NE PAS MODIFIER CE FICHIER\",\"data_tr.csv\",1,0,3600\r\n"));
}

void TstEnregistrement::programme_data() {
    // A start a minute from now and a stop after 30 s, or at a time; the start can
    // also be taken by hand, or the programme cancelled before it.
    QTest::addColumn<QString>("fin");
    QTest::addColumn<QString>("avantLeDebut"); // "", "start" (by hand), "cancel"
    QTest::addColumn<int>("mesures");
    QTest::addColumn<QString>("motif");
    QTest::newRow("after a duration") << "duration"
                                      << "" << 30 << "durée écoulée";
    QTest::newRow("at a time") << "time"
                               << "" << 30 << "heure de fin atteinte";
    QTest::newRow("started by hand first") << "duration"
                                           << "start" << 30 << "durée écoulée";
    QTest::newRow("cancelled") << "duration"
                               << "cancel" << 0 << "";
}

void TstEnregistrement::programme() {
    QFETCH(QString, fin);
    QFETCH(QString, avantLeDebut);
    QFETCH(int, mesures);
    QFETCH(QString, motif);
    Banc b;
    app::Enregistreur& f = b.demarre();
    evenements::Programme& p = b.poste->programme;
    const qint64 maintenant = b.horloge.instant.toMSecsSinceEpoch();
    core::Plan plan;
    plan.debutMs = maintenant + 60'000;
    if (fin == QLatin1String("duration"))
        plan.dureeMs = 30'000;
    else
        plan.finMs = maintenant + 90'000;
    b.dialogues.plans.push_back(plan);
    f.menuProgramme_Click();
    QCOMPARE(p.phase(), evenements::Programme::Phase::AttenteHeure);
    // The pending start is on the window; the entry is not offered twice.
    QVERIFY2(f.alerte().contains(QStringLiteral("début le")), qPrintable(f.alerte()));
    b.dialogues.plans.push_back(plan);
    f.menuProgramme_Click();
    QVERIFY(b.dialogues.plans.size() == 1);
    b.dialogues.plans.clear();
    if (avantLeDebut == QLatin1String("start")) {
        b.horloge.avance(30);
        f.CmdRecord_Click();
    } else if (avantLeDebut == QLatin1String("cancel")) {
        p.annule();
        QVERIFY(f.alerte().isEmpty());
    }
    // Waits, samples, and stops by itself; nothing is taken before the start.
    while (b.horloge.instant.toMSecsSinceEpoch() < maintenant + 200'000) {
        p.verifie();
        if (f.enregistrement())
            tick(b);
        else
            b.horloge.avance(1);
    }
    QCOMPARE(b.moteur->echantillonsRun(), qint64(mesures));
    QCOMPARE(b.moteur->etat(), engine::Etat::Repos);
    QCOMPARE(p.phase(), evenements::Programme::Phase::Aucune);
    QFile fichierEvenements(QFileInfo(b.moteur->cheminEnr()).path() + QLatin1Char('/') +
                            QFileInfo(b.moteur->cheminEnr()).completeBaseName() +
                            QStringLiteral("_evenements.csv"));
    const QByteArray evenements =
        fichierEvenements.open(QIODevice::ReadOnly) ? fichierEvenements.readAll() : QByteArray();
    QCOMPARE(evenements.count(";début;"), mesures > 0 ? 1 : 0);
    if (!motif.isEmpty()) {
        QVERIFY2(evenements.contains(motif.toUtf8()), evenements.constData());
        QVERIFY(f.alerte().contains(motif));
    }
}

QTEST_MAIN(TstEnregistrement)
#include "tst_enregistrement.moc"
