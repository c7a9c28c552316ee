#include "app/Console.h"
#include "app/Enregistreur.h"
#include "app/Poste.h"
#include "app/Republication.h"
#include "app/Reveil.h"
#include "app/Superviseur.h"
#include "core/Horloge.h"
#include "core/InstanceUnique.h"
#include "core/Quand.h"
#include "core/ReglageTexte.h"
#include "files/FichierAlarme.h"
#include "files/FichierConfig.h"
#include "files/FichierEtalonnage.h"
#include "graph/Geometrie.h"
#include "sources/BibliothequeCarte.h"
#include "sources/Rs232.h"
#include "systeme/Confiance.h"
#include "systeme/Limites.h"
#include "ui/Dialogues.h"
#include "ui/Polices.h"
#ifdef PLOVAR_HIDAPI
#include "sources/PiloteHid.h"
#endif

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QScreen>
#include <QStandardPaths>
#include <QTranslator>

#include <cmath>
#include <csignal>
#include <cstdio>

namespace {

// The program speaks French: Qt's own texts too (Oui/Non, Annuler, the usage text...).
void traduit(QTranslator& t) {
    if (t.load(QLocale(QLocale::French), QStringLiteral("qtbase"), QStringLiteral("_"),
               QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&t);
}

// Where the configuration lives, and the sources found beside it.
engine::Environnement environnement(const core::Horloge& horloge,
                                    const QString& cheminConfig = QString()) {
    const QString repertoire = QCoreApplication::applicationDirPath();
    engine::Environnement env;
    env.cheminConfig =
        !cheminConfig.isEmpty()
            ? cheminConfig
            : files::FichierConfig::choisitChemin(
                  repertoire, QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation));
    env.portSerie = sources::Rs232::nomCom1(repertoire, QFileInfo(env.cheminConfig).absolutePath());
    env.bibliothequesCarte = sources::BibliothequeCarte::candidats(repertoire);
#ifdef PLOVAR_HIDAPI
    env.piloteSecours = [] { return std::make_unique<sources::PiloteHid>(); };
#endif
    env.horloge = &horloge;
    return env;
}

void metAppli() {
    QCoreApplication::setApplicationName(QStringLiteral("plovar"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.02"));
}

[[noreturn]] void erreurUsage(const QCommandLineParser& p, const QString& message) {
    std::fprintf(stderr, "plovar : %s\n\n%s", message.toLocal8Bit().constData(),
                 p.helpText().toLocal8Bit().constData());
    std::exit(2);
}

// The publisher's thread is held in a call that cannot be interrupted (a name
// lookup, a handshake): everything recorded is on disk and the cursor saved, so the
// process ends without destroying what that thread still uses.
// Why the settings files of a configuration cannot be trusted: a file another user
// could have written may run a command or send the samples, and the broker's
// password, elsewhere.
std::optional<QString> refusReglages(const QString& cheminConfig) {
    return systeme::refusConfiance(QStringList{cheminConfig,
                                               files::FichierAlarme::cheminPour(cheminConfig),
                                               files::FichierEtalonnage::cheminPour(cheminConfig)});
}

// Without a window: says why, and ends with the status of a configuration to mend
// (the service manager does not restart it for that).
void refuseReglagesEtrangers(const QString& cheminConfig) {
    if (const std::optional<QString> refus = refusReglages(cheminConfig)) {
        std::fprintf(stderr, "plovar : %s\n", refus->toLocal8Bit().constData());
        std::exit(app::kStatutUsage);
    }
}

[[noreturn]] void termineSansAttendre(int statut) {
    std::fflush(nullptr);
    std::_Exit(statut);
}

// The address space each front end needs, in MiB: the window's file dialogs and
// a year's file take far more than a recording without a window.
constexpr qint64 kMemoireFenetreMo = 1024;
constexpr qint64 kMemoireConsoleMo = 256;

std::optional<int> entier(const QString& texte, int min, int max) {
    bool ok = false;
    const int v = texte.toInt(&ok);
    if (!ok || v < min || v > max)
        return std::nullopt;
    return v;
}

// The command line: recording without a window, or help and version.
int ligneDeCommande(int argc, char* argv[]) {
    QCoreApplication appli(argc, argv);
    metAppli();
    QTranslator traduction;
    traduit(traduction);
    // Said before anything runs, with the status of a setting to mend (a service
    // is not restarted for it).
    if (const std::optional<QString> refus = systeme::refusLimiteMemoire(kMemoireConsoleMo)) {
        std::fprintf(stderr, "plovar : %s.\n", refus->toLocal8Bit().constData());
        return app::kStatutUsage;
    }

    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral(
        "Plovar, enregistreur de données. Sans option, ouvre la fenêtre.\n\n"
        "Statut de sortie de --enregistrer :\n"
        "  0  toutes les mesures sont dans le fichier d'enregistrement ;\n"
        "  1  rien n'a été enregistré : configuration déjà utilisée, ou fichier impossible à "
        "écrire ;\n"
        "  2  option invalide ;\n"
        "  3  des mesures ne sont que dans un fichier de secours (son chemin est affiché), ou "
        "sur la sortie d'erreur ;\n"
        "  4  aucune mesure ne vient d'une lecture de la carte ou de l'instrument.\n\n"
        "Statut de sortie de --republier : 0 quand le courtier a tout acquitté, 1 sinon."));
    const QCommandLineOption aide({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Affiche cette aide."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Affiche la version."));
    const QCommandLineOption enregistrer(
        {QStringLiteral("enregistrer"), QStringLiteral("record")},
        QStringLiteral("Enregistre sans fenêtre : chaque mesure écrite est affichée sur la "
                       "sortie standard ; + et - sur l'entrée standard changent la valeur du "
                       "mode test ; Ctrl+C arrête."));
    const QCommandLineOption cadence(
        QStringLiteral("cadence"),
        QStringLiteral("Cadence 1 à 10 (1 seconde, 10 secondes, 1, 15, 30 minutes, 1, 3, 6, 12, "
                       "24 heures), pour cet enregistrement seulement."),
        QStringLiteral("N"));
    const QCommandLineOption source(
        QStringLiteral("source"),
        QStringLiteral("Source : 0 mode test (clavier), 1 carte USB, 2 port série COM1, 3 carte "
                       "qui envoie ses mesures en lignes de texte (--port, --vitesse, "
                       "--etiquette)."),
        QStringLiteral("N"));
    const QCommandLineOption portTexte(
        QStringLiteral("port"),
        QStringLiteral("Avec --source 3 : le port série de la carte (ttyACM0, /dev/ttyUSB0, "
                       "/dev/serial/by-id/…)."),
        QStringLiteral("PORT"));
    const QCommandLineOption vitesseTexte(
        QStringLiteral("vitesse"),
        QStringLiteral("Avec --source 3 : la vitesse du port, de 300 à 2000000 bauds (9600 par "
                       "défaut)."),
        QStringLiteral("N"));
    const QCommandLineOption etiquetteTexte(
        QStringLiteral("etiquette"),
        QStringLiteral("Avec --source 3 : lit la valeur de cette étiquette (t dans « t:21.5 "
                       "h:40 ») au lieu du premier nombre de la ligne."),
        QStringLiteral("NOM"));
    const QCommandLineOption fichier(QStringLiteral("fichier"),
                                     QStringLiteral("Fichier d'enregistrement (ajouté à la fin)."),
                                     QStringLiteral("CHEMIN"));
    const QCommandLineOption duree(QStringLiteral("duree"),
                                   QStringLiteral("Arrête l'enregistrement après ce nombre de "
                                                  "secondes."),
                                   QStringLiteral("SECONDES"));
    const QCommandLineOption debut(
        QStringLiteral("debut"),
        QStringLiteral("Attend cette heure pour commencer : HH:MM[:SS] (la prochaine fois que "
                       "l'horloge la marque) ou AAAA-MM-JJTHH:MM[:SS], à l'heure locale."),
        QStringLiteral("QUAND"));
    const QCommandLineOption fin(
        QStringLiteral("fin"),
        QStringLiteral("Arrête l'enregistrement à cette heure (même forme que --debut)."),
        QStringLiteral("QUAND"));
    const QCommandLineOption fichierPar(
        QStringLiteral("fichier-par"),
        QStringLiteral("Un fichier d'enregistrement par jour, semaine ou mois (à minuit, le "
                       "lundi, le 1er, heure locale), nommé d'après sa période : "
                       "mesures_2026-12-08.csv, mesures_2026-S50.csv, mesures_2026-12.csv."),
        QStringLiteral("jour|semaine|mois"));
    const QCommandLineOption declencheurHaut(
        QStringLiteral("declencheur-haut"),
        QStringLiteral("Commence quand la valeur (étalonnée s'il y a un étalonnage) monte "
                       "jusqu'à V ou au-dessus, depuis une valeur sous V."),
        QStringLiteral("V"));
    const QCommandLineOption declencheurBas(
        QStringLiteral("declencheur-bas"),
        QStringLiteral("Commence quand la valeur descend jusqu'à V ou au-dessous, depuis une "
                       "valeur au-dessus de V."),
        QStringLiteral("V"));
    const QCommandLineOption avant(
        QStringLiteral("avant"),
        QStringLiteral("Avec un déclencheur : garde les N mesures prises juste avant (0 par "
                       "défaut, au plus 86400)."),
        QStringLiteral("N"));
    const QCommandLineOption arretAlarme(
        QStringLiteral("arret-alarme"),
        QStringLiteral("Arrête l'enregistrement après la mesure qui déclenche la première "
                       "alarme."));
    const QCommandLineOption arretHaut(
        QStringLiteral("arret-haut"),
        QStringLiteral("Arrête l'enregistrement après la mesure qui monte jusqu'à V."),
        QStringLiteral("V"));
    const QCommandLineOption arretBas(
        QStringLiteral("arret-bas"),
        QStringLiteral("Arrête l'enregistrement après la mesure qui descend jusqu'à V."),
        QStringLiteral("V"));
    const QCommandLineOption etalonnage(
        QStringLiteral("etalonnage"),
        QStringLiteral("Ajoute à chaque ligne affichée la valeur physique de l'étalonnage "
                       "enregistré (le fichier d'enregistrement garde la valeur brute)."));
    const QCommandLineOption alarmeHaute(
        QStringLiteral("alarme-haute"),
        QStringLiteral("Alarme quand la valeur (étalonnée s'il y a un étalonnage) dépasse V."),
        QStringLiteral("V"));
    const QCommandLineOption alarmeBasse(QStringLiteral("alarme-basse"),
                                         QStringLiteral("Alarme quand la valeur passe sous V."),
                                         QStringLiteral("V"));
    const QCommandLineOption hysteresis(
        QStringLiteral("hysteresis"),
        QStringLiteral("L'alarme cesse quand la valeur est revenue de V en deçà de la limite "
                       "(0 par défaut)."),
        QStringLiteral("V"));
    const QCommandLineOption maintien(
        QStringLiteral("maintien"),
        QStringLiteral("Durée minimale, en secondes, d'un dépassement (ou d'un retour) pour "
                       "qu'il compte (0 par défaut)."),
        QStringLiteral("SECONDES"));
    const QCommandLineOption mqtt(
        QStringLiteral("mqtt"),
        QStringLiteral("Publie chaque mesure sur ce courtier MQTT (port 1883 par défaut) ; les "
                       "autres réglages de publication viennent de plovar.ini, le mot de passe "
                       "de plovar.ini ou de PLOVAR_MQTT_MOT_DE_PASSE."),
        QStringLiteral("HÔTE[:PORT]"));
    const QCommandLineOption poste(
        QStringLiteral("poste"),
        QStringLiteral("Nom du poste dans les sujets MQTT (lettres, chiffres, _ et -) ; le nom "
                       "de la machine par défaut."),
        QStringLiteral("NOM"));
    const QCommandLineOption config(
        QStringLiteral("config"),
        QStringLiteral("Fichier de configuration à utiliser (un par instrument : chacun a son "
                       "verrou et ses réglages à côté)."),
        QStringLiteral("CHEMIN"));
    const QCommandLineOption republier(
        QStringLiteral("republier"),
        QStringLiteral("Envoie un fichier d'enregistrement existant au courtier, puis s'arrête "
                       "(statut 0 quand le courtier a tout acquitté)."),
        QStringLiteral("FICHIER"));
    const QCommandLineOption depuis(QStringLiteral("depuis"),
                                    QStringLiteral("Avec --republier : à partir de la mesure "
                                                   "numéro N."),
                                    QStringLiteral("N"));
    const QCommandLineOption silencieux(
        QStringLiteral("silencieux"),
        QStringLiteral("Avec --enregistrer : n'affiche pas les mesures sur la sortie standard "
                       "(les avis vont toujours sur la sortie d'erreur)."));
    p.addOptions({aide,
                  version,
                  enregistrer,
                  silencieux,
                  cadence,
                  source,
                  portTexte,
                  vitesseTexte,
                  etiquetteTexte,
                  fichier,
                  duree,
                  debut,
                  fin,
                  etalonnage,
                  alarmeHaute,
                  alarmeBasse,
                  hysteresis,
                  maintien,
                  mqtt,
                  poste,
                  config,
                  republier,
                  depuis,
                  declencheurHaut,
                  declencheurBas,
                  avant,
                  arretAlarme,
                  arretHaut,
                  arretBas,
                  fichierPar});
    if (!p.parse(QCoreApplication::arguments()))
        erreurUsage(p, p.errorText());
    if (p.isSet(aide)) {
        std::fputs(p.helpText().toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (p.isSet(version)) {
        std::printf("plovar %s\n", qPrintable(QCoreApplication::applicationVersion()));
        return 0;
    }
    if (!p.positionalArguments().isEmpty())
        erreurUsage(
            p,
            QStringLiteral("argument inattendu « %1 ».").arg(p.positionalArguments().constFirst()));
    if (p.isSet(enregistrer) && p.isSet(republier))
        erreurUsage(p, QStringLiteral("--enregistrer et --republier ne vont pas ensemble."));
    if (!p.isSet(enregistrer) && !p.isSet(republier))
        erreurUsage(p, QStringLiteral("ces options ne servent qu'avec --enregistrer ou "
                                      "--republier."));
    if (p.isSet(depuis) && !p.isSet(republier))
        erreurUsage(p, QStringLiteral("--depuis va avec --republier."));
    if (p.isSet(config) && p.value(config).isEmpty())
        erreurUsage(p, QStringLiteral("--config attend un chemin."));
    const QString cheminConfig =
        p.isSet(config) ? QFileInfo(p.value(config)).absoluteFilePath() : QString();

    // Publication settings: plovar.ini beside the configuration, then the options.
    const auto reglagePublication = [&](const QString& configuration) {
        refuseReglagesEtrangers(configuration);
        publication::ReglagePublication r = publication::FichierPublication::lit(
            files::FichierAlarme::cheminPour(configuration), true);
        if (p.isSet(mqtt)) {
            const auto adresse = publication::analyseAdresse(p.value(mqtt));
            if (!adresse || adresse->first.isEmpty())
                erreurUsage(p, QStringLiteral("--mqtt attend HÔTE ou HÔTE:PORT, pas « %1 ».")
                                   .arg(p.value(mqtt)));
            r.hote = adresse->first;
            r.port = adresse->second;
            r.actif = true;
        }
        if (p.isSet(poste)) {
            if (p.value(poste).isEmpty() ||
                publication::nettoiePoste(p.value(poste)) != p.value(poste))
                erreurUsage(p,
                            QStringLiteral("--poste attend un nom de 64 caractères au plus, fait "
                                           "de lettres sans accent, de chiffres, de _ et de -, "
                                           "pas « %1 ».")
                                .arg(p.value(poste)));
            r.poste = p.value(poste);
        }
        return r;
    };

    if (p.isSet(republier)) {
        qint64 n = 0;
        if (p.isSet(depuis)) {
            bool ok = false;
            n = p.value(depuis).toLongLong(&ok);
            if (!ok || n < 1)
                erreurUsage(p, QStringLiteral("--depuis attend un numéro de mesure, pas « %1 ».")
                                   .arg(p.value(depuis)));
        }
        const QString configuration =
            cheminConfig.isEmpty()
                ? files::FichierConfig::choisitChemin(
                      QCoreApplication::applicationDirPath(),
                      QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation))
                : cheminConfig;
        publication::ReglagePublication r = reglagePublication(configuration);
        if (r.hote.isEmpty())
            erreurUsage(p, QStringLiteral("--republier a besoin d'un courtier : --mqtt HÔTE[:PORT] "
                                          "ou [publication] dans plovar.ini."));
        return app::republie(r, p.value(republier), n);
    }

    app::OptionsConsole o;
    if (p.isSet(cadence) && !(o.cadence = entier(p.value(cadence), 1, 10)))
        erreurUsage(p, QStringLiteral("--cadence attend un nombre de 1 à 10, pas « %1 ».")
                           .arg(p.value(cadence)));
    if (p.isSet(source) && !(o.source = entier(p.value(source), 0, 3)))
        erreurUsage(
            p, QStringLiteral("--source attend 0, 1, 2 ou 3, pas « %1 ».").arg(p.value(source)));
    if (p.isSet(portTexte) || p.isSet(vitesseTexte) || p.isSet(etiquetteTexte)) {
        // These describe the text-line board: alone, they choose it.
        if (o.source && *o.source != 3)
            erreurUsage(p,
                        QStringLiteral("--port, --vitesse et --etiquette vont avec --source 3."));
        o.source = 3;
    }
    if (p.isSet(portTexte)) {
        o.port = p.value(portTexte);
        if (o.port->trimmed().isEmpty())
            erreurUsage(p, QStringLiteral("--port attend le nom d'un port série."));
    }
    if (p.isSet(vitesseTexte) &&
        !(o.vitesse = entier(p.value(vitesseTexte), core::ReglageTexte::kVitesseMin,
                             core::ReglageTexte::kVitesseMax)))
        erreurUsage(p, QStringLiteral("--vitesse attend un nombre de 300 à 2000000, pas « %1 ».")
                           .arg(p.value(vitesseTexte)));
    if (p.isSet(etiquetteTexte)) {
        o.etiquette = p.value(etiquetteTexte);
        if (!core::etiquetteValide(*o.etiquette))
            erreurUsage(p, QStringLiteral("--etiquette attend 1 à 32 caractères sans espace ni : "
                                          "= , ;, pas « %1 ».")
                               .arg(*o.etiquette));
    }
    if (p.isSet(fichier)) {
        o.fichier = p.value(fichier);
        if (o.fichier.isEmpty() || o.fichier.contains(QLatin1Char('"')))
            erreurUsage(p, QStringLiteral("--fichier attend un nom de fichier sans guillemet."));
    }
    if (p.isSet(fichierPar) && !(o.decoupage = core::decoupage(p.value(fichierPar))))
        erreurUsage(p, QStringLiteral("--fichier-par attend jour, semaine ou mois, pas « %1 ».")
                           .arg(p.value(fichierPar)));
    if (p.isSet(duree)) {
        bool ok = false;
        const double d = p.value(duree).toDouble(&ok);
        if (!ok || !(d > 0) || d > 1e8)
            erreurUsage(p, QStringLiteral("--duree attend un nombre de secondes positif, au plus "
                                          "100000000 (un peu plus de 3 ans), pas « %1 ».")
                               .arg(p.value(duree)));
        o.duree = d;
    }

    // Times of the local wall clock, resolved once against the clock as it stands.
    const qint64 maintenant = QDateTime::currentMSecsSinceEpoch();
    const auto quand = [&](const QCommandLineOption& option) -> std::optional<qint64> {
        if (!p.isSet(option))
            return std::nullopt;
        QString erreur;
        const std::optional<qint64> u =
            core::resoutQuand(p.value(option), maintenant, QTimeZone::systemTimeZone(), &erreur);
        if (!u)
            erreurUsage(p, QStringLiteral("--%1 : %2.").arg(option.names().constFirst(), erreur));
        return u;
    };
    o.debutMs = quand(debut);
    if (o.debutMs && *o.debutMs <= maintenant)
        // A date already past would start at once, which is not what was asked.
        erreurUsage(p,
                    QStringLiteral("--debut « %1 » est déjà passé (%2) : donnez une heure à "
                                   "venir, ou rien pour commencer tout de suite.")
                        .arg(p.value(debut), QDateTime::fromMSecsSinceEpoch(*o.debutMs)
                                                 .toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"))));
    o.finMs = quand(fin);
    if (o.finMs && *o.finMs <= std::max(maintenant, o.debutMs.value_or(0)))
        erreurUsage(p,
                    QStringLiteral("--fin « %1 » ne vient pas après le début.").arg(p.value(fin)));

    o.etalonnage = p.isSet(etalonnage);
    o.silencieux = p.isSet(silencieux);
    // The alarm's numbers, with a decimal point or comma.
    const auto reel = [&](const QCommandLineOption& option) -> std::optional<double> {
        if (!p.isSet(option))
            return std::nullopt;
        bool ok = false;
        const double v =
            QString(p.value(option)).replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
        if (!ok || !std::isfinite(v))
            erreurUsage(p, QStringLiteral("--%1 attend un nombre, pas « %2 ».")
                               .arg(option.names().constFirst(), p.value(option)));
        return v;
    };
    // Starts and stops on a level: one way each.
    const auto seuil = [&](const QCommandLineOption& haut,
                           const QCommandLineOption& bas) -> std::optional<core::Seuil> {
        if (p.isSet(haut) && p.isSet(bas))
            erreurUsage(p, QStringLiteral("--%1 et --%2 ne vont pas ensemble.")
                               .arg(haut.names().constFirst(), bas.names().constFirst()));
        if (p.isSet(haut))
            return core::Seuil{*reel(haut), true};
        if (p.isSet(bas))
            return core::Seuil{*reel(bas), false};
        return std::nullopt;
    };
    if (const std::optional<core::Seuil> s = seuil(declencheurHaut, declencheurBas)) {
        core::Declencheur d;
        d.seuil = *s;
        const std::optional<int> n =
            p.isSet(avant) ? entier(p.value(avant), 0, core::Declencheur::kAvantMax) : 0;
        if (!n)
            erreurUsage(p, QStringLiteral("--avant attend un nombre de 0 à %1, pas « %2 ».")
                               .arg(core::Declencheur::kAvantMax)
                               .arg(p.value(avant)));
        d.avant = *n;
        o.declencheur = d;
    } else if (p.isSet(avant)) {
        erreurUsage(p, QStringLiteral("--avant va avec --declencheur-haut ou --declencheur-bas."));
    }
    o.arretSeuil = seuil(arretHaut, arretBas);
    o.arretAlarme = p.isSet(arretAlarme);
    if (p.isSet(alarmeHaute) || p.isSet(alarmeBasse)) {
        core::ReglageAlarme a;
        a.haute = reel(alarmeHaute);
        a.basse = reel(alarmeBasse);
        a.hysteresis = reel(hysteresis).value_or(0);
        a.maintienMs = static_cast<qint64>(reel(maintien).value_or(0) * 1000);
        if (const std::optional<QString> refus = a.refus())
            erreurUsage(p, QStringLiteral("alarme impossible : %1.").arg(*refus));
        o.alarme = a;
    } else if (p.isSet(hysteresis) || p.isSet(maintien)) {
        erreurUsage(p, QStringLiteral("--hysteresis et --maintien vont avec --alarme-haute ou "
                                      "--alarme-basse."));
    }

    // A window that takes this process for another window would send it SIGUSR1.
    std::signal(SIGUSR1, SIG_IGN);
    core::HorlogeSysteme horloge;
    engine::Environnement env = environnement(horloge, cheminConfig);
    refuseReglagesEtrangers(env.cheminConfig);
    core::InstanceUnique instance(env.cheminConfig);
    if (!instance.acquiert()) {
        if (!instance.refus().isEmpty())
            std::fprintf(stderr, "plovar : configuration %s : %s ; enregistrement impossible.\n",
                         QDir::toNativeSeparators(env.cheminConfig).toLocal8Bit().constData(),
                         instance.refus().toLocal8Bit().constData());
        else
            std::fprintf(stderr,
                         "plovar : un autre Plovar utilise déjà la configuration %s ; "
                         "enregistrement impossible.\n",
                         QDir::toNativeSeparators(env.cheminConfig).toLocal8Bit().constData());
        return app::kStatutImpossible;
    }
    const publication::ReglagePublication r = reglagePublication(env.cheminConfig);
    if (r.actif) {
        // A station name from plovar.ini that would be published under another one's.
        if (const std::optional<QString> refus = publication::refusPoste(r.poste)) {
            std::fprintf(stderr,
                         "plovar : publication impossible : %s (plovar.ini, [publication] "
                         "poste).\n",
                         refus->toLocal8Bit().constData());
            return app::kStatutUsage;
        }
    }
    app::Poste station(std::move(env), instance.abandonne());
    app::EnregistreurConsole console(station, o);
    // Under a service manager: readiness, status, watchdog pings and the stop. The
    // variables are not handed down to any child.
    std::unique_ptr<app::Superviseur> superviseur;
    app::Notification notification = app::Notification::depuisEnvironnement();
    const qint64 chienUs = app::Superviseur::chienDepuisEnvironnement();
    for (const char* v : {"NOTIFY_SOCKET", "WATCHDOG_USEC", "WATCHDOG_PID"})
        qunsetenv(v);
    if (notification.active()) {
        superviseur = std::make_unique<app::Superviseur>(station, std::move(notification), chienUs);
        QObject::connect(&console, &app::EnregistreurConsole::arretDemande, superviseur.get(),
                         &app::Superviseur::arrete);
        QObject::connect(&console, &app::EnregistreurConsole::attenteDebut, superviseur.get(),
                         &app::Superviseur::attend);
    }
    // The publisher follows the engine from a thread of its own: the recording never
    // waits for it.
    if (r.actif) {
        station.publication.journal = [](const QString& t) {
            std::fprintf(stderr, "plovar : publication : %s\n", t.toLocal8Bit().constData());
            std::fflush(stderr);
        };
        station.publication.utilise(r);
    }
    const int statut = console.exec();
    // The last samples go out if the broker can take them soon; else they wait in the
    // file for the next start.
    if (!station.publication.termine(10'000))
        termineSansAttendre(statut);
    return statut;
}

} // namespace

int main(int argc, char* argv[]) {
    // The broker's password leaves the environment before any thread or child exists.
    publication::motDePasseEnvironnement();
    // Any option means the command line; without one the window opens.
    if (argc > 1)
        return ligneDeCommande(argc, argv);

    QApplication appli(argc, argv);
    metAppli();
    QTranslator traduction;
    traduit(traduction);

    if (const std::optional<QString> refus = systeme::refusLimiteMemoire(kMemoireFenetreMo)) {
        const QString texte = QStringLiteral("Plovar ne peut pas s'ouvrir : %1.").arg(*refus);
        std::fprintf(stderr, "plovar : %s\n", texte.toLocal8Bit().constData());
        ui::DialoguesQt().avertissement(nullptr, texte);
        return 1;
    }
    core::HorlogeSysteme horloge;
    engine::Environnement env = environnement(horloge);
    if (const std::optional<QString> refus = refusReglages(env.cheminConfig)) {
        std::fprintf(stderr, "plovar : %s\n", refus->toLocal8Bit().constData());
        ui::DialoguesQt().avertissement(nullptr, *refus);
        return 1;
    }
    // Ready for a later start's call before the lock says this window runs.
    app::Reveil reveil;
    core::InstanceUnique instance(env.cheminConfig);
    if (!instance.acquiert()) {
        if (!instance.refus().isEmpty()) {
            const QString texte =
                QStringLiteral("Plovar ne peut pas s'assurer d'être seul à "
                               "utiliser la configuration %1 : %2.")
                    .arg(QDir::toNativeSeparators(env.cheminConfig), instance.refus());
            std::fprintf(stderr, "plovar : %s\n", texte.toLocal8Bit().constData());
            ui::DialoguesQt().avertissement(nullptr, texte);
            return 1;
        }
        const std::optional<qint64> autre = instance.proprietaire();
        if (autre && app::Reveil::estSansFenetre(*autre)) {
            const QString texte =
                QStringLiteral("Un enregistrement sans fenêtre (plovar --enregistrer, processus "
                               "%1) utilise déjà la configuration %2.\nArrêtez-le avant "
                               "d'ouvrir la fenêtre.")
                    .arg(*autre)
                    .arg(QDir::toNativeSeparators(env.cheminConfig));
            std::fprintf(stderr, "plovar : %s\n", texte.toLocal8Bit().constData());
            ui::DialoguesQt().avertissement(nullptr, texte);
            return 1;
        }
        // The window already open comes to the front instead.
        if (autre)
            app::Reveil::reveille(*autre);
        return 0;
    }

    const bool reprise = instance.abandonne();
    // The layout is measured for an 8-point sans-serif window font.
    QApplication::setFont(ui::policeSansSerif(8));
    if (const QScreen* ecran = QGuiApplication::primaryScreen())
        graph::setTwipsParPixel(1440.0 / ecran->logicalDotsPerInch());

    const QString souvenirs = files::FichierAlarme::cheminPour(env.cheminConfig);
    app::Poste poste(std::move(env), reprise);
    ui::DialoguesQt dialogues(souvenirs);
    app::Enregistreur fenetre(poste, &dialogues);
    QObject::connect(&reveil, &app::Reveil::demande, &fenetre, [&fenetre] {
        fenetre.showNormal();
        fenetre.raise();
        fenetre.activateWindow();
    });
    fenetre.Form_Load();
    if (const QScreen* ecran = fenetre.screen()) {
        const QRect r = ecran->availableGeometry();
        fenetre.move(r.center() - QPoint(fenetre.width() / 2, fenetre.height() / 2));
    }
    poste.publication.demarre();
    fenetre.show();
    const int statut = QApplication::exec();
    if (!poste.publication.termine(0))
        termineSansAttendre(statut);
    return statut;
}
