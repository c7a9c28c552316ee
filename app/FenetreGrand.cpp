// The large graph window: its menus, its own file, images, printing, export and
// statistics of the part shown.
#include "app/FenetreGrand.h"

#include "files/CodecEnr.h"
#include "files/ExportMesures.h"
#include "files/FichierAlarme.h"
#include "files/FichierEvenements.h"
#include "files/LecteurEnr.h"
#include "graph/Graduations.h"
#include "graph/RenduGraphe.h"
#include "ui/Dialogues.h"
#include "ui/EnregistreurUi.h"
#include "ui/FenetreStatistiques.h"

#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressDialog>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QSvgGenerator>

#include <algorithm>

namespace app {

namespace {

// Thrown from the progress function to stop a reading the window no longer wants.

QString texteInstant(qint64 ms) {
    return graph::texteInstant(ms, QTimeZone::systemTimeZone());
}

QString cheminReglages(const engine::Moteur& m) {
    return files::FichierAlarme::cheminPour(m.cheminConfiguration());
}

} // namespace

FenetreGrand::FenetreGrand(Poste& poste, ui::Dialogues* dialogues, QWidget* parent)
    : QMainWindow(parent, Qt::Window), m_poste(poste), m_moteur(poste.moteur),
      m_dialogues(dialogues), m_actions(this, dialogues) {
    setAttribute(Qt::WA_DeleteOnClose, false);
    setWindowTitle(QStringLiteral("Plovar : graphe en grand"));
    m_graphe = new graph::GrapheGrand(this);
    setCentralWidget(m_graphe);
    m_etat = new QLabel(this);
    statusBar()->addWidget(m_etat, 1);
    m_progression = new QProgressBar(this);
    m_progression->setRange(0, 1000);
    m_progression->setMaximumWidth(220);
    m_progression->hide();
    statusBar()->addPermanentWidget(m_progression);
    construitMenus();
    setAcceptDrops(true);

    // A loaded line's own record number, and its run when the file holds several.
    m_graphe->texteNumero = [this](qint64 i) -> QString {
        const core::Magasin& m = magasin();
        const std::optional<qint64> n = m.LignesFichier(i).isEmpty()
                                            ? std::optional<qint64>(i)
                                            : files::numeroEnr(m.LignesFichier(i).toLatin1());
        QString t = n ? QStringLiteral("n° %1").arg(*n) : QStringLiteral("ligne %1").arg(i);
        const graph::Chronologie& c = m_propre ? m_chronoPropre : m_chronoMoteur;
        if (c.nbSeries() > 1)
            t += QStringLiteral(" (série %1 sur %2)").arg(c.serie(i)).arg(c.nbSeries());
        return t;
    };
    connect(m_graphe, &graph::GrapheGrand::menuDemande, this, &FenetreGrand::surMenu);
    connect(m_graphe, &graph::GrapheGrand::cadrageChange, this, &FenetreGrand::actualiseEtat);

    m_regroupe.setSingleShot(true);
    m_regroupe.setInterval(250);
    connect(&m_regroupe, &QTimer::timeout, this, &FenetreGrand::metAJour);
    connect(&m_moteur, &engine::Moteur::echantillonStocke, this, &FenetreGrand::surEchantillon);
    connect(&m_moteur, &engine::Moteur::etatChange, this, &FenetreGrand::metAJour);
    connect(&m_moteur, &engine::Moteur::chargementTermine, this, [this] {
        if (!m_propre) {
            m_chronoMoteur.actualise(m_moteur.magasin());
            m_graphe->setDonnees(&m_moteur.magasin(), &m_chronoMoteur);
            actualiseMarques();
        }
    });
    connect(&m_poste.journal, &evenements::Journal::evenement, this,
            &FenetreGrand::actualiseMarques);
    m_suiviLecture.setInterval(100);
    connect(&m_suiviLecture, &QTimer::timeout, this,
            [this] { m_progression->setValue(m_lecture.progression()); });
    connect(&m_lecture, &files::LectureFond::fini, this, &FenetreGrand::finLecture);

    m_chronoMoteur.actualise(m_moteur.magasin());
    m_graphe->setDonnees(&m_moteur.magasin(), &m_chronoMoteur);
    m_graphe->setEtalonnage(m_moteur.etalonnage());
    actualiseMarques();

    QSettings reglages(cheminReglages(m_moteur), QSettings::IniFormat);
    const bool retrouvee =
        restoreGeometry(reglages.value(QStringLiteral("grapheEnGrand/geometrie")).toByteArray());
    placeDansEcran(!retrouvee);
}

void FenetreGrand::placeDansEcran(bool premiere) {
    // Whole on the screen, title bar included (which the window does not know of
    // before it is shown: room is kept for it): a first opening in the middle, a
    // remembered place from a larger screen brought back inside this one.
    const QScreen* ecran = screen() ? screen() : QGuiApplication::primaryScreen();
    if (!ecran)
        return;
    const QRect dispo = ecran->availableGeometry();
    constexpr int kTitre = 40;
    QSize taille = premiere ? QSize(1000, 600) : size();
    taille = taille.boundedTo(QSize(dispo.width() * 9 / 10, (dispo.height() - kTitre) * 9 / 10));
    resize(taille);
    if (premiere) {
        // A window's position is its frame's.
        move(dispo.center() - QPoint(taille.width() / 2, (taille.height() + kTitre) / 2));
        return;
    }
    QPoint p = pos();
    p.setX(std::clamp(p.x(), dispo.left(), dispo.right() + 1 - taille.width()));
    p.setY(std::clamp(p.y(), dispo.top(), dispo.bottom() + 1 - taille.height() - kTitre));
    move(p);
}

FenetreGrand::~FenetreGrand() {
    arreteLecture();
}

void FenetreGrand::arreteLecture() {
    m_lecture.arrete();
    m_suiviLecture.stop();
    m_progression->hide();
}

void FenetreGrand::closeEvent(QCloseEvent* e) {
    QSettings reglages(cheminReglages(m_moteur), QSettings::IniFormat);
    reglages.setValue(QStringLiteral("grapheEnGrand/geometrie"), saveGeometry());
    QMainWindow::closeEvent(e);
}

QStringList FenetreGrand::recents() const {
    return Recents(m_moteur.cheminConfiguration()).liste();
}

void FenetreGrand::retiensRecent(const QString& chemin) {
    Recents(m_moteur.cheminConfiguration()).retiens(chemin);
    actualiseRecents();
}

void FenetreGrand::actualiseRecents() {
    m_menuRecents->clear();
    const QStringList l = recents();
    for (int k = 0; k < l.size(); ++k) {
        // "&1 name": a key for each, the full path in the tip.
        QAction* a = m_menuRecents->addAction(
            QStringLiteral("&%1 %2").arg(k + 1).arg(QFileInfo(l[k]).fileName()), this,
            [this, chemin = l[k]] { ouvre(chemin); });
        a->setToolTip(QDir::toNativeSeparators(l[k]));
        a->setStatusTip(QDir::toNativeSeparators(l[k]));
    }
    m_menuRecents->setEnabled(!l.isEmpty());
}

void FenetreGrand::dragEnterEvent(QDragEnterEvent* e) {
    if (fichierDepose(e->mimeData()).has_value())
        e->acceptProposedAction();
}

void FenetreGrand::dropEvent(QDropEvent* e) {
    if (const std::optional<QString> chemin = fichierDepose(e->mimeData())) {
        e->acceptProposedAction();
        ouvre(*chemin);
    }
}

std::optional<QString> FenetreGrand::fichierDepose(const QMimeData* donnees) {
    return app::fichierDepose(donnees);
}

void FenetreGrand::construitMenus() {
    QMenu* fichier = menuBar()->addMenu(QStringLiteral("&Fichier"));
    fichier->addAction(QStringLiteral("&Ouvrir…"), QKeySequence::Open, this, [this] {
        const QString chemin = m_dialogues->ouvreFichier(this);
        if (!chemin.isEmpty())
            ouvre(chemin);
    });
    m_menuRecents = fichier->addMenu(QStringLiteral("Fichiers &récents"));
    actualiseRecents();
    m_suivre = fichier->addAction(QStringLiteral("&Suivre la fenêtre principale"), this,
                                  &FenetreGrand::suitMoteur);
    fichier->addSeparator();
    fichier->addAction(QStringLiteral("&Copier l'image"), QKeySequence::Copy, this,
                       &FenetreGrand::copieImage);
    fichier->addAction(QStringLiteral("&Enregistrer l'image…"), QKeySequence::Save, this,
                       &FenetreGrand::menuEnregistrerImage);
    fichier->addAction(QStringLiteral("&Imprimer…"), QKeySequence::Print, this,
                       &FenetreGrand::menuImprimer);
    fichier->addAction(QStringLiteral("E&xporter la partie affichée…"), this,
                       &FenetreGrand::menuExporter);
    fichier->addAction(QStringLiteral("S&tatistiques de la partie affichée…"), this,
                       &FenetreGrand::montreStatistiques);
    fichier->addSeparator();
    fichier->addAction(QStringLiteral("&Fermer"), QKeySequence::Close, this, &QWidget::close);
    fichier->addAction(QStringLiteral("&Quitter Plovar"), QKeySequence::Quit, this,
                       &FenetreGrand::quitte);

    QMenu* affichage = menuBar()->addMenu(QStringLiteral("&Affichage"));
    affichage->addAction(QStringLiteral("&Vue entière"), QKeySequence(Qt::Key_0), m_graphe,
                         &graph::GrapheGrand::vueEntiere);
    affichage->addAction(QStringLiteral("&Aller à…"), QKeySequence(Qt::CTRL | Qt::Key_G), this,
                         &FenetreGrand::allerA);
    affichage->addAction(QStringLiteral("&Début"), QKeySequence(Qt::CTRL | Qt::Key_Home), this,
                         [this] {
                             const graph::Limites l = m_graphe->limites();
                             m_graphe->setCadrage({l.premier, m_graphe->cadrage().largeur});
                         });
    affichage->addAction(QStringLiteral("&Fin"), QKeySequence(Qt::CTRL | Qt::Key_End), this,
                         [this] {
                             const graph::Limites l = m_graphe->limites();
                             const double w = m_graphe->cadrage().largeur;
                             m_graphe->setCadrage({l.dernier - w, w});
                         });
    affichage->addSeparator();
    m_clair = affichage->addAction(QStringLiteral("Fond &clair pour les images et l'impression"));
    m_clair->setCheckable(true);
    m_clair->setChecked(true);
}

void FenetreGrand::surMenu(QPoint global, qint64) {
    QMenu menu(this);
    menu.addAction(QStringLiteral("Copier l'image"), this, &FenetreGrand::copieImage);
    menu.addAction(QStringLiteral("Enregistrer l'image…"), this,
                   &FenetreGrand::menuEnregistrerImage);
    menu.addAction(QStringLiteral("Imprimer…"), this, &FenetreGrand::menuImprimer);
    menu.addAction(QStringLiteral("Exporter la partie affichée…"), this,
                   &FenetreGrand::menuExporter);
    menu.addAction(QStringLiteral("Statistiques de la partie affichée…"), this,
                   &FenetreGrand::montreStatistiques);
    menu.addSeparator();
    menu.addAction(QStringLiteral("Aller à…"), this, &FenetreGrand::allerA);
    menu.addAction(QStringLiteral("Vue entière"), m_graphe, &graph::GrapheGrand::vueEntiere);
    menu.exec(global);
}

void FenetreGrand::menuEnregistrerImage() {
    m_actions.menuEnregistrerImage(fichierAffiche(), [this](const QString& c, const QString& f) {
        return enregistreImage(c, f);
    });
}

void FenetreGrand::menuImprimer() {
    m_actions.menuImprimer([this](QPrinter& p) { imprime(p); });
}

void FenetreGrand::menuExporter() {
    // As the box says: the part shown, or the whole file.
    m_actions.menuExporter(fichierAffiche(), QStringLiteral("_vue.csv"),
                           [this](const QString& c, bool visible) { return exporte(c, visible); });
}

const core::Magasin& FenetreGrand::magasin() const {
    return m_propre ? *m_propre : m_moteur.magasin();
}

void FenetreGrand::surEchantillon() {
    if (!m_propre && !m_regroupe.isActive())
        m_regroupe.start();
}

void FenetreGrand::metAJour() {
    if (m_propre)
        return;
    m_chronoMoteur.actualise(m_moteur.magasin());
    m_graphe->setEtalonnage(m_moteur.etalonnage());
    m_graphe->actualise();
    actualiseEtat();
}

void FenetreGrand::actualiseMarques() {
    const std::vector<core::Evenement>& ev =
        m_propre ? m_evenementsPropres : m_poste.journal.evenements();
    std::vector<graph::Marque> marques;
    marques.reserve(ev.size());
    for (const core::Evenement& e : ev)
        marques.push_back(graph::marquePour(e));
    m_graphe->setMarques(std::move(marques));
    m_graphe->setLimites(graph::limitesBrutes(m_poste.alarme.reglage(), m_moteur.etalonnage()));
}

QString FenetreGrand::fichierAffiche() const {
    if (m_propre)
        return m_cheminPropre;
    return m_moteur.magasin().donneesChargees ? m_moteur.cheminCharge() : m_moteur.cheminEnr();
}

QString FenetreGrand::quand(qint64 i) const {
    const qint64 t = magasin().instant(i);
    return t == 0 ? QString() : texteInstant(t);
}

void FenetreGrand::actualiseEtat() {
    const core::Magasin& m = magasin();
    QString source;
    if (m_propre)
        source = QStringLiteral("Fichier %1").arg(QDir::toNativeSeparators(m_cheminPropre));
    else if (m_moteur.etat() == engine::Etat::Enregistrement)
        source = QStringLiteral("Enregistrement en cours (%1)")
                     .arg(QDir::toNativeSeparators(m_moteur.cheminEnr()));
    else
        source = QStringLiteral("Fenêtre principale (%1)")
                     .arg(QDir::toNativeSeparators(fichierAffiche()));
    const auto [a, b] = m_graphe->visibles();
    QString vue;
    if (b >= a) {
        const QString q0 = quand(a), q1 = quand(b);
        vue = q0.isEmpty() || q1.isEmpty()
                  ? QStringLiteral("mesures %1 à %2").arg(a).arg(b)
                  : QStringLiteral("du %1 au %2 (%3 mesures)").arg(q0, q1).arg(b - a + 1);
    } else {
        vue = QStringLiteral("aucune mesure");
    }
    m_etat->setText(source + QStringLiteral(" — ") + vue);
    m_suivre->setEnabled(m_propre != nullptr);
    setWindowTitle(QStringLiteral("Plovar : graphe en grand — %1")
                       .arg(QFileInfo(fichierAffiche()).fileName()));
    (void)m;
}

void FenetreGrand::suitMoteur() {
    arreteLecture();
    m_propre.reset();
    m_evenementsPropres.clear();
    m_cheminPropre.clear();
    m_chronoPropre = graph::Chronologie();
    m_chronoMoteur.actualise(m_moteur.magasin());
    m_graphe->setDonnees(&m_moteur.magasin(), &m_chronoMoteur);
    actualiseMarques();
    actualiseEtat();
}

void FenetreGrand::ouvre(const QString& chemin) {
    arreteLecture();
    m_progression->setValue(0);
    m_progression->show();
    m_suiviLecture.start();
    m_etat->setText(QStringLiteral("Lecture de %1…").arg(QDir::toNativeSeparators(chemin)));
    // The engine's store, its recording and its timers go on: the file is read in
    // a thread into a store of its own, handed over once complete.
    m_lecture.lit(chemin);
}

void FenetreGrand::finLecture(std::shared_ptr<core::Magasin> m, files::FinChargement fin,
                              files::ArretChargement arret, QString chemin) {
    const bool ok = fin == files::FinChargement::Complet;
    QString raison;
    // Inside a run split by period, the file and its own line.
    const QString ou = arret.fichier.isEmpty()
                           ? QString::number(arret.ligne)
                           : QStringLiteral("%1 de %2").arg(arret.ligne).arg(arret.fichier);
    if (fin == files::FinChargement::ErreurFormat)
        raison = QStringLiteral("une ligne n'a pas de « ; » (ligne %1)")
                     .arg(arret.fichier.isEmpty() ? QString::number(m->NbMesures()) : ou);
    else if (fin == files::FinChargement::Echec)
        raison = arret.ligne > 0 ? QStringLiteral("arrêt à la ligne %1 : %2").arg(ou, arret.raison)
                                 : arret.raison;
    if (!arret.lacunes.isEmpty())
        raison = raison.isEmpty() ? QStringLiteral("enregistrement réparti par période, ouvert en "
                                                   "entier : %1")
                                        .arg(arret.lacunes)
                                  : raison + QStringLiteral(" ; ") + arret.lacunes;
    m_suiviLecture.stop();
    m_progression->hide();
    if (!raison.isEmpty())
        m_dialogues->avertissement(this, QStringLiteral("Lecture de %1 : %2.%3")
                                             .arg(QDir::toNativeSeparators(chemin), raison,
                                                  m->NbMesures() > 0
                                                      ? QStringLiteral(" Les mesures lues sont "
                                                                       "affichées.")
                                                      : QString()));
    if (m->NbMesures() == 0 && !ok) {
        actualiseEtat();
        emit fichierLu(false);
        return;
    }
    // The thread is done with the store; an export under way keeps the one it walks.
    m_propre = std::move(m);
    m_cheminPropre = chemin;
    retiensRecent(chemin);
    const QString cheminEvts = files::cheminEvenements(chemin);
    files::LectureEvenements evenements = files::lisEvenementsSerie(chemin);
    m_evenementsPropres = std::move(evenements.evenements);
    if (!evenements.raison.isEmpty())
        m_dialogues->avertissement(
            this, QStringLiteral("Événements de %1 : %2.")
                      .arg(QDir::toNativeSeparators(cheminEvts), evenements.raison));
    m_chronoPropre = graph::Chronologie();
    m_chronoPropre.actualise(*m_propre);
    m_graphe->setDonnees(m_propre.get(), &m_chronoPropre);
    actualiseMarques();
    actualiseEtat();
    emit fichierLu(ok);
}

bool FenetreGrand::allerA() {
    const core::Magasin& m = magasin();
    const graph::Chronologie& c = m_propre ? m_chronoPropre : m_chronoMoteur;
    const qint64 premier = std::max<qint64>(1, m.premier());
    qint64 min = 0, max = 0;
    for (qint64 i = premier; i <= m.NbMesures() && min == 0; ++i)
        min = m.instant(i);
    for (qint64 i = m.NbMesures(); i >= premier && max == 0; --i)
        max = m.instant(i);
    if (min == 0 || max == 0) {
        m_dialogues->avertissement(this,
                                   QStringLiteral("Les mesures affichées n'ont pas de date."));
        return false;
    }
    const graph::Cadrage cd = m_graphe->cadrage();
    const qint64 milieu =
        std::clamp<qint64>(std::llround(cd.debut + cd.largeur / 2), premier, m.NbMesures());
    const QDateTime propose =
        QDateTime::fromMSecsSinceEpoch(m.instant(milieu) != 0 ? m.instant(milieu) : min);
    const std::optional<QDateTime> choix =
        m_dialogues->allerA(this, propose, QDateTime::fromMSecsSinceEpoch(std::min(min, max)),
                            QDateTime::fromMSecsSinceEpoch(std::max(min, max)));
    if (!choix)
        return false;
    const std::optional<qint64> i = c.indexA(m, choix->toMSecsSinceEpoch());
    if (!i) {
        m_dialogues->avertissement(this, QStringLiteral("Aucune mesure au %1 ni après.")
                                             .arg(texteInstant(choix->toMSecsSinceEpoch())));
        return false;
    }
    // From a view of most of the run, the date is shown with an hour around it.
    double largeur = cd.largeur;
    const graph::Limites l = m_graphe->limites();
    if (largeur >= (l.dernier - l.premier) / 2) {
        const qint64 t = choix->toMSecsSinceEpoch();
        const std::optional<qint64> i0 = c.indexA(m, t - 1'800'000);
        const std::optional<qint64> i1 = c.indexA(m, t + 1'800'000);
        largeur = i0 && i1 && *i1 > *i0 ? static_cast<double>(*i1 - *i0) : 3600.0;
    }
    m_graphe->setCadrage({static_cast<double>(*i) - largeur / 2, largeur});
    return true;
}

graph::SceneGrand FenetreGrand::sceneImage() const {
    graph::SceneGrand s = m_graphe->scene();
    s.clair = m_clair->isChecked();
    s.apercu = false;
    s.legendes = legendes();
    return s;
}

QStringList FenetreGrand::legendes() const {
    QStringList l;
    l << QDir::toNativeSeparators(fichierAffiche());
    const auto [a, b] = m_graphe->visibles();
    if (b < a)
        return l;
    const QString q0 = quand(a), q1 = quand(b);
    l << (q0.isEmpty() || q1.isEmpty() ? QStringLiteral("Mesures %1 à %2").arg(a).arg(b)
                                       : QStringLiteral("Du %1 au %2").arg(q0, q1));
    const core::MinMax mm = magasin().minMax(a, b);
    const core::Etalonnage& e = m_moteur.etalonnage();
    const auto texte = [&e](double v) { return e.actif ? e.texte(v) : QString::number(v, 'g', 6); };
    if (!mm.vide())
        l << QStringLiteral("Minimum %1, maximum %2").arg(texte(mm.min), texte(mm.max));
    return l;
}

void FenetreGrand::copieImage() {
    QImage image(1600, 900, QImage::Format_RGB32);
    QPainter p(&image);
    graph::dessineGrand(p, QRectF(0, 0, 1600, 900), sceneImage());
    p.end();
    QGuiApplication::clipboard()->setImage(image);
}

bool FenetreGrand::enregistreImage(const QString& chemin, const QString& filtre) {
    const graph::SceneGrand s = sceneImage();
    QString erreur;
    const bool ok = graph::exporteDessin(
        chemin, graph::formatImage(chemin, filtre), QSize(1600, 900),
        [&s](QPainter& p, const QRectF& cadre) { graph::dessineGrand(p, cadre, s); }, &erreur);
    return m_actions.suitImage(ok, chemin, erreur);
}

void FenetreGrand::imprime(QPrinter& imprimante) {
    QPainter p(&imprimante);
    // The whole page.
    graph::dessineGrand(p, QRectF(p.viewport()), sceneImage());
}

bool FenetreGrand::exportePartieAffichee(const QString& chemin) {
    return exporte(chemin, true);
}

bool FenetreGrand::exporte(const QString& chemin, bool partieVisible) {
    // The store walked stays as it is until the end, whatever the window shows
    // meanwhile: the engine's is held (a recording start or a load waits), a file of
    // the window's own is kept alive with its events even if another one replaces it.
    std::optional<engine::Moteur::Lecture> lecture;
    const std::shared_ptr<const core::Magasin> propre = m_propre;
    const std::vector<core::Evenement> evenementsPropres = m_evenementsPropres;
    if (!propre)
        lecture.emplace(m_moteur);
    const core::Magasin& m = propre ? *propre : m_moteur.magasin();
    const auto [a, b] =
        partieVisible ? m_graphe->visibles()
                      : std::pair<qint64, qint64>(std::max<qint64>(1, m.premier()), m.NbMesures());
    return m_actions.exporte(chemin, m, a, b, m_moteur.etalonnage(),
                             propre ? evenementsPropres : m_poste.journal.evenements());
}

ui::FenetreStatistiques* FenetreGrand::statistiques() const {
    return m_statistiques;
}

void FenetreGrand::montreStatistiques() {
    if (!m_statistiques) {
        m_statistiques = new ui::FenetreStatistiques(this);
        connect(m_graphe, &graph::GrapheGrand::cadrageChange, m_statistiques, [this] {
            if (m_statistiques && m_statistiques->isVisible())
                montreStatistiques();
        });
    }
    const auto [a, b] = m_graphe->visibles();
    m_statistiques->afficheMagasin(magasin(), m_moteur.etalonnage(), a, b,
                                   [this](qint64 i) { return quand(i); });
    m_statistiques->show();
}

} // namespace app
