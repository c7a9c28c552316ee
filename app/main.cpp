#include "BibliothequeCarte.h"
#include "Dialogues.h"
#include "Enregistreur.h"
#include "FichierConfig.h"
#include "Geometrie.h"
#include "Horloge.h"
#include "InstanceUnique.h"
#include "PiloteHid.h"
#include "Polices.h"
#include "Rs232.h"

#include <QApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QScreen>
#include <QStandardPaths>
#include <QTranslator>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("plovar"));
    QApplication::setApplicationVersion(QStringLiteral("1.02"));

    // The program speaks French: Qt's own dialogs and buttons too (Oui/Non, Annuler...).
    QTranslator traductionQt;
    if (traductionQt.load(QLocale(QLocale::French), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&traductionQt);

    const QString repertoire = QCoreApplication::applicationDirPath();
    const QString cheminConfig = files::FichierConfig::choisitChemin(
        repertoire, QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation));
    core::InstanceUnique instance(cheminConfig);
    if (!instance.acquiert())
        return 0;

    // The layout is measured for the classic 8-point sans-serif window font.
    QApplication::setFont(ui::policeSansSerif(8));
    if (const QScreen* ecran = QGuiApplication::primaryScreen())
        graph::setTwipsParPixel(1440.0 / ecran->logicalDotsPerInch());

    core::HorlogeSysteme horloge;
    ui::DialoguesQt dialogues;
    app::Environnement env;
    env.repertoireProgramme = repertoire;
    env.cheminConfig = cheminConfig;
    env.portSerie = sources::Rs232::nomCom1(repertoire, QFileInfo(cheminConfig).absolutePath());
    env.bibliothequesCarte = sources::BibliothequeCarte::candidats(repertoire);
    env.piloteSecours = [] { return std::make_unique<sources::PiloteHid>(); };
    env.horloge = &horloge;
    env.dialogues = &dialogues;

    app::Enregistreur fenetre(env);
    fenetre.Form_Load();
    if (const QScreen* ecran = fenetre.screen()) {
        const QRect r = ecran->availableGeometry();
        fenetre.move(r.center() - QPoint(fenetre.width() / 2, fenetre.height() / 2));
    }
    fenetre.show();
    return QApplication::exec();
}
