#include "engine/Moteur.h"

#include "files/FichierAlarme.h"
#include "files/FichierDecoupage.h"
#include "files/FichierEtalonnage.h"
#include "files/FichierEvenements.h"
#include "files/FichierSourceTexte.h"
#include "files/LectureFond.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>

#include <cstdlib>

namespace engine {

Moteur::Moteur(Environnement env, QObject* parent)
    : QObject(parent), m_env(std::move(env)), m_config(m_env.cheminConfig) {
    // A precise timer keeps its phase: tick k falls at first tick + (k - 1) x interval.
    m_Timer1.setTimerType(Qt::PreciseTimer);
    m_Timer1.setInterval(10);
    connect(&m_Timer1, &QTimer::timeout, this, &Moteur::Timer1_Timer);
    m_ecriture.setDecideur(m_env.decideur);
    m_ecriture.setSynchrone(m_env.ecritureAttendue);
    connect(&m_ecriture, &Ecriture::echantillonEcrit, this, &Moteur::echantillonEcrit);
    connect(&m_ecriture, &Ecriture::finCoupee, this, &Moteur::finCoupee);
    connect(&m_ecriture, &Ecriture::alerte, this, &Moteur::signale);
    connect(&m_sondage, &Sondage::alerte, this, &Moteur::signale);
    connect(&m_sondage, &Sondage::valeurLue, this, &Moteur::valeurLue);
    if (m_env.minuteriesManuelles)
        m_Timer1.blockSignals(true);
}

Moteur::~Moteur() = default;

void Moteur::demarrage() {
    // A damaged file is treated like a missing one: defaults, written back. The
    // damaged one is kept beside it first, and the user is told.
    const files::LectureConfig lue =
        m_config.existe() ? m_config.lit_config(m_reglages) : files::LectureConfig::Absente;
    if (lue == files::LectureConfig::Endommagee) {
        afficheAlerte(Alerte::ConfigReinitialisee, m_config.sauvegardeEndommage());
        QTimer::singleShot(120000, this, [this] { retireAlerte(Alerte::ConfigReinitialisee); });
    }
    if (lue != files::LectureConfig::Lue) {
        core::appliqueDefauts(m_reglages);
        ecritConfig();
    }
    choisitCadence(m_reglages.IndexCadence, false);
    // The text-line board is remembered beside the configuration, which says test
    // mode while it is the source.
    const files::LectureSourceTexte texte =
        files::lisSourceTexte(files::FichierAlarme::cheminPour(m_config.chemin()));
    m_sondage.regleTexte(texte.reglage);
    m_texteMemorise = texte.active;
    choisitSource(texte.active && m_reglages.TypeSource == 0
                      ? static_cast<int>(sources::TypeSource::Texte)
                      : m_reglages.TypeSource,
                  false);
    // A relative record name is resolved once, now, against the working directory.
    m_cheminEnr = QDir::current().absoluteFilePath(m_reglages.NomFichierEnr);
    QString avis;
    m_etalonnage = files::FichierEtalonnage::charge(m_config.chemin(), &avis);
    m_decoupage = files::lisDecoupage(files::FichierAlarme::cheminPour(m_config.chemin()));
    signale(Alerte::Etalonnage, avis);
    emit etalonnageChange();
    m_sondage.demarre();
}

bool Moteur::choisitEtalonnage(const core::Etalonnage& e, QString* erreur) {
    if (e.actif) {
        if (const std::optional<QString> refus = e.refus()) {
            if (erreur)
                *erreur = *refus;
            return false;
        }
    }
    const files::FichierEtalonnage fichier(files::FichierEtalonnage::cheminPour(m_config.chemin()));
    m_etalonnage = e;
    retireAlerte(Alerte::Etalonnage);
    emit etalonnageChange();
    if (!fichier.ecrit(e) && erreur)
        *erreur = QStringLiteral("l'étalonnage est en vigueur mais n'a pas pu être enregistré "
                                 "dans %1")
                      .arg(QDir::toNativeSeparators(fichier.chemin()));
    return true;
}

bool Moteur::accepte(Commande c) const {
    switch (c) {
    case Commande::Demarrer:
        return m_etat == Etat::Repos;
    case Commande::Arreter:
        return m_etat == Etat::Enregistrement;
    case Commande::ToucheTest:
        return m_etat != Etat::Chargement;
    case Commande::Cadence:
    case Commande::Source:
    case Commande::FichierEnr:
    case Commande::Charger:
    case Commande::Largeur:
        return m_etat == Etat::Repos;
    }
    return false;
}

void Moteur::changeEtat(Etat e) {
    if (e == m_etat)
        return;
    m_etat = e;
    if (e != Etat::Enregistrement) {
        // A run stopped before its trigger: the samples waiting in memory were
        // never part of it.
        m_declencheur.reset();
        m_avant.clear();
    }
    if (e == Etat::Enregistrement) {
        m_Timer1.start(10);
    } else {
        m_Timer1.stop();
    }
    emit etatChange(e);
}

void Moteur::finLecture() {
    if (--m_lecteurs == 0)
        retireAlerte(Alerte::Lecture);
}

bool Moteur::storeLibre() {
    if (m_lecteurs == 0)
        return true;
    afficheAlerte(Alerte::Lecture,
                  QStringLiteral("Un export des mesures est en cours : l'enregistrement ne peut "
                                 "pas démarrer, ni un fichier être chargé, avant sa fin."));
    return false;
}

bool Moteur::demarre() {
    return demarreRun(std::nullopt);
}

bool Moteur::demarreSurSeuil(const core::Declencheur& d) {
    if (d.avant < 0 || d.avant > core::Declencheur::kAvantMax)
        return false;
    return demarreRun(d);
}

bool Moteur::demarreRun(const std::optional<core::Declencheur>& d) {
    if (!accepte(Commande::Demarrer) || !storeLibre())
        return false;
    m_declencheur = d;
    m_cheminCourant =
        core::cheminPeriode(m_cheminEnr, m_decoupage, m_env.horloge->maintenant().date());
    m_precedentVeille.reset();
    m_avant.clear();
    core::debutEnregistrement(m_magasin, m_cycle);
    m_horaire.recommence();
    m_echantillonsRun = 0;
    m_echantillonsLusRun = 0;
    m_avisRetrait = false;
    retireAlerte(Alerte::Chargement);
    retireAlerte(Alerte::Memoire);
    changeEtat(Etat::Enregistrement);
    return true;
}

bool Moteur::arrete() {
    if (!accepte(Commande::Arreter))
        return false;
    changeEtat(Etat::Repos);
    m_ecriture.sauveAttente(false);
    return true;
}

bool Moteur::toucheTest(int codeCaractere) {
    if (!accepte(Commande::ToucheTest))
        return false;
    return core::toucheTest(m_cycle, codeCaractere);
}

bool Moteur::choisitCadence(int i, bool ecrire) {
    if (!accepte(Commande::Cadence))
        return false;
    const std::optional<core::Cadence> c = core::cadence(i);
    if (!c)
        return false;
    m_cadence = *c;
    m_reglages.IndexCadence = static_cast<uint8_t>(i);
    if (ecrire)
        ecritConfig();
    return true;
}

bool Moteur::choisitSource(int i, bool ecrire) {
    const std::optional<sources::TypeSource> type = sources::typeSource(i);
    if (!accepte(Commande::Source) || !type)
        return false;
    m_sondage.choisit(*type);
    m_reglages.TypeSource = static_cast<uint8_t>(i);
    if (ecrire) {
        ecritConfig();
        const bool texte = *type == sources::TypeSource::Texte;
        if (texte || m_texteMemorise)
            ecritSourceTexte(texte);
    }
    return true;
}

bool Moteur::choisitSourceTexte(const core::ReglageTexte& r, bool ecrire, QString* erreur) {
    if (!accepte(Commande::Source))
        return false;
    if (const std::optional<QString> refus = r.refus()) {
        if (erreur)
            *erreur = *refus;
        return false;
    }
    m_sondage.regleTexte(r);
    return choisitSource(static_cast<int>(sources::TypeSource::Texte), ecrire);
}

void Moteur::ecritSourceTexte(bool active) {
    const QString ini = files::FichierAlarme::cheminPour(m_config.chemin());
    m_texteMemorise = active;
    if (!files::ecritSourceTexte(ini, m_sondage.reglageTexte(), active))
        afficheAlerte(Alerte::Config,
                      QStringLiteral("Le choix de la source n'a pas pu être enregistré dans %1 : "
                                     "il reste en vigueur jusqu'à la fermeture du programme.")
                          .arg(QDir::toNativeSeparators(ini)));
}

NouveauFichier Moteur::nouveauFichier(const QString& chemin, QString* erreur) {
    if (!accepte(Commande::FichierEnr))
        return NouveauFichier::Refuse;
    // The configuration file cannot hold such a name.
    if (chemin.isEmpty() || chemin.contains(QLatin1Char('"')))
        return NouveauFichier::NomInvalide;
    // Each step runs even when the one before failed.
    const bool cree = files::creeFichierEnr(chemin, erreur, appels());
    m_reglages.NomFichierEnr = QFileInfo(chemin).absoluteFilePath();
    m_cheminEnr = m_reglages.NomFichierEnr;
    ecritConfig();
    return cree ? NouveauFichier::Cree : NouveauFichier::CreationEchouee;
}

QString Moteur::cheminCourant() const {
    if (m_etat == Etat::Enregistrement && !m_cheminCourant.isEmpty())
        return m_cheminCourant;
    return core::cheminPeriode(m_cheminEnr, m_decoupage, m_env.horloge->maintenant().date());
}

bool Moteur::choisitDecoupage(core::Decoupage d, bool ecrire) {
    if (!accepte(Commande::FichierEnr))
        return false;
    m_decoupage = d;
    if (ecrire && !files::ecritDecoupage(files::FichierAlarme::cheminPour(m_config.chemin()), d))
        afficheAlerte(Alerte::Config,
                      QStringLiteral("Le découpage en fichiers n'a pas pu être enregistré dans "
                                     "%1 : il reste en vigueur jusqu'à la fermeture du programme.")
                          .arg(QDir::toNativeSeparators(
                              files::FichierAlarme::cheminPour(m_config.chemin()))));
    return true;
}

bool Moteur::utiliseFichier(const QString& chemin) {
    if (!accepte(Commande::FichierEnr) || chemin.isEmpty())
        return false;
    m_cheminEnr = QFileInfo(chemin).absoluteFilePath();
    return true;
}

std::optional<files::FinChargement> Moteur::charge(const QString& chemin) {
    if (!accepte(Commande::Charger) || !storeLibre())
        return std::nullopt;
    retireAlerte(Alerte::Chargement);
    retireAlerte(Alerte::Evenements);
    changeEtat(Etat::Chargement);
    emit progressionChargement(0, QFileInfo(chemin).size());
    m_arret = files::ArretChargement();
    const files::FinChargement fin = litAPart(chemin);
    changeEtat(Etat::Repos);
    m_cheminCharge = chemin;
    // A load that stops early keeps what it read, and says so; a run split by
    // period says which of its files are missing.
    QStringList avis;
    if (!m_arret.lacunes.isEmpty())
        avis << QStringLiteral("Enregistrement réparti par période, ouvert en entier : %1.")
                    .arg(m_arret.lacunes);
    if (fin == files::FinChargement::Echec && m_arret.ligne > 0)
        avis << (m_arret.fichier.isEmpty()
                     ? QStringLiteral("Chargement arrêté à la ligne %1 : %2")
                           .arg(m_arret.ligne)
                           .arg(m_arret.raison)
                     : QStringLiteral("Chargement arrêté à la ligne %1 de %2 : %3")
                           .arg(m_arret.ligne)
                           .arg(m_arret.fichier, m_arret.raison));
    if (!avis.isEmpty())
        afficheAlerte(Alerte::Chargement, avis.join(QLatin1Char('\n')));
    emit chargementTermine(fin);
    return fin;
}

files::FinChargement Moteur::litAPart(const QString& chemin) {
    // What was shown goes first: two large files are never held at once.
    m_magasin.vide();
    // The file is read on a thread of its own into a store of its own, so that this
    // thread goes on serving the windows and the listeners, and the store they
    // read is never written meanwhile; it takes the samples once they are read.
    files::LectureFond lecture;
    std::shared_ptr<core::Magasin> lu;
    files::FinChargement fin = files::FinChargement::Echec;
    QEventLoop boucle;
    connect(&lecture, &files::LectureFond::avance, this, [this](qint64 lus, qint64 taille) {
        if (m_etat == Etat::Chargement)
            emit progressionChargement(lus, taille);
    });
    connect(&lecture, &files::LectureFond::fini, &boucle,
            [&](std::shared_ptr<core::Magasin> m, files::FinChargement f,
                const files::ArretChargement& arret, const QString&) {
                lu = std::move(m);
                fin = f;
                m_arret = arret;
                boucle.quit();
            });
    lecture.lit(chemin);
    boucle.exec();
    if (!lu) {
        // Left early, the program quitting: the reading stops, nothing to tell anyone.
        lecture.arrete();
        return files::FinChargement::Echec;
    }
    m_magasin.echange(*lu);
    return fin;
}

bool Moteur::choisitLargeur(int twips) {
    if (!accepte(Commande::Largeur))
        return false;
    m_reglages.LargeurFenetre = static_cast<int16_t>(twips);
    ecritConfig();
    return true;
}

void Moteur::termine() {
    // Sampling stops first, so the waiting lines are all there is to save.
    m_fermeture = true;
    if (m_etat == Etat::Enregistrement)
        changeEtat(Etat::Repos);
    m_ecriture.sauveAttente(true);
    m_sondage.ferme();
}

void Moteur::Timer1_Timer() {
    if (m_etat != Etat::Enregistrement)
        return;
    // A second tick within one period (a timer catching up) counts for nothing.
    const std::optional<QDateTime> instant = instantTick();
    if (!instant)
        return;
    m_sondage.avantEchantillon();
    const core::ResultatTick t = core::tickCycle(m_cycle, m_cadence, m_sondage.valeur(), *instant);
    if (t.echantillon) {
        core::Echantillon e;
        e.brute = m_sondage.brute();
        e.valeur = t.valeur;
        e.instantMs = t.instant.toMSecsSinceEpoch();
        e.date = core::formatDate(t.instant.date());
        e.heure = core::formatHeure(t.instant.time());
        e.lu = m_sondage.echantillonLu(t.instant);
        if (m_declencheur)
            veille(std::move(e));
        else
            stocke(std::move(e));
    }
    const int intervalle = static_cast<int>(t.intervalle.count());
    if (m_Timer1.isActive() && intervalle > 0 && m_Timer1.interval() != intervalle)
        m_Timer1.setInterval(intervalle);
}

double Moteur::valeurPhysique(const core::Echantillon& e) const {
    return m_etalonnage.actif ? m_etalonnage.physique(e.valeur.nombre()) : e.valeur.nombre();
}

void Moteur::veille(core::Echantillon e) {
    // Waiting for the crossing: the latest samples are kept in memory only, and the
    // one that crosses brings them into the run, in order, before itself.
    // A sample that stands for no reading (the device silent) crosses nothing, and
    // the next reading is judged against none.
    const core::Declencheur d = *m_declencheur;
    const bool franchi =
        e.lu && m_precedentVeille && d.seuil.franchi(*m_precedentVeille, valeurPhysique(e));
    m_precedentVeille = e.lu ? std::optional<double>(valeurPhysique(e)) : std::nullopt;
    if (!franchi) {
        if (d.avant > 0) {
            if (static_cast<int>(m_avant.size()) >= d.avant)
                m_avant.pop_front();
            m_avant.push_back(e);
        }
        emit echantillonGarde(e);
        return;
    }
    m_declencheur.reset();
    const int gardes = static_cast<int>(m_avant.size());
    std::deque<core::Echantillon> avant;
    avant.swap(m_avant);
    for (core::Echantillon& a : avant)
        stocke(std::move(a));
    const double valeur = valeurPhysique(e);
    stocke(std::move(e));
    emit declenchement(d, valeur, gardes);
}

void Moteur::stocke(core::Echantillon e) {
    // Each sample goes to the file of its own local date: a run split by day starts
    // a new file with the first sample at or after midnight.
    m_cheminCourant = core::cheminPeriode(m_cheminEnr, m_decoupage,
                                          QDateTime::fromMSecsSinceEpoch(e.instantMs).date());
    m_magasin.ajoute(e.valeur.nombre(), QDateTime::fromMSecsSinceEpoch(e.instantMs));
    e.numero = m_magasin.NbMesures();
    ++m_echantillonsRun;
    if (e.lu)
        ++m_echantillonsLusRun;
    emit echantillonStocke(e);
    ajoute_ligne(e);
    if (m_magasin.retires() > 0 && !m_avisRetrait) {
        // Said once a run: the file keeps everything, the screen the latest part.
        m_avisRetrait = true;
        const QDateTime depuis =
            QDateTime::fromMSecsSinceEpoch(m_magasin.instantMs(m_magasin.premier()));
        afficheAlerte(Alerte::Memoire,
                      QStringLiteral("L'écran montre les mesures depuis le %1 à %2 (les %3 "
                                     "plus récentes) ; le fichier d'enregistrement les "
                                     "garde toutes.")
                          .arg(core::formatDate(depuis.date()), core::formatHeure(depuis.time()))
                          .arg(m_magasin.capacite()));
    }
}

std::optional<QDateTime> Moteur::instantTick() {
    const core::Horaire::Tick t =
        m_horaire.tick(m_env.horloge->maintenant(), m_env.horloge->monotoneMs(),
                       m_cadence.IntervalleTimer.count());
    if (t.double_)
        return std::nullopt;
    if (t.prevu)
        emit horlogeSautee(*t.prevu, t.instant);
    return t.instant;
}

void Moteur::ajoute_ligne(const core::Echantillon& e) {
    m_ecriture.ajoute(m_cheminCourant.isEmpty() ? m_cheminEnr : m_cheminCourant, e);
}

void Moteur::ecritConfig() {
    QString erreur;
    // The configuration knows three sources: with the text-line board it says test
    // mode, and the board is remembered in plovar.ini.
    core::Reglages r = m_reglages;
    if (r.TypeSource == static_cast<uint8_t>(sources::TypeSource::Texte))
        r.TypeSource = static_cast<uint8_t>(sources::TypeSource::Clavier);
    if (m_config.ecrit_config(r, &erreur))
        retireAlerte(Alerte::Config);
    else
        afficheAlerte(Alerte::Config,
                      QStringLiteral("Les réglages n'ont pas pu être enregistrés dans %1 (%2) : "
                                     "ils restent en vigueur jusqu'à la fermeture du programme.")
                          .arg(QDir::toNativeSeparators(m_config.chemin()), erreur));
}

void Moteur::afficheAlerte(Alerte a, const QString& texte) {
    if (m_alertes.value(a) == texte)
        return;
    m_alertes[a] = texte;
    emit alerteChange(a, texte);
}

void Moteur::retireAlerte(Alerte a) {
    if (!m_alertes.remove(a))
        return;
    emit alerteChange(a, QString());
}

void Moteur::ecritEvenement(const QString& chemin, const QByteArray& ligne) {
    m_ecriture.ajouteEvenement(chemin, ligne, files::enteteEvenements());
    emit evenementEcrit(chemin);
}

} // namespace engine
