#include "Enregistreur.h"

#include "About.h"
#include "BarreChargement.h"
#include "Cadences.h"
#include "Dialogues.h"
#include "Form_option.h"
#include "Geometrie.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMenuBar>

namespace app {

namespace {
qint64 msMonotones() {
    static QElapsedTimer t;
    if (!t.isValid())
        t.start();
    return t.elapsed();
}
} // namespace

Enregistreur::Enregistreur(Environnement env, QWidget* parent)
    : QMainWindow(parent), config(env.cheminConfig), rs232(env.portSerie),
      usb(env.bibliothequesCarte, env.piloteSecours, msMonotones), m_env(std::move(env)) {
    ui.setupUi(this);
    modeleListe = new graph::ModeleListe(&magasin, this);
    ui.Text1->setModel(modeleListe);

    Timer1.setInterval(10);
    TimerValActu.setInterval(500);
    TimerLed.setInterval(500);
    TimerVideBufferRS.setInterval(10000);
    connect(&Timer1, &QTimer::timeout, this, &Enregistreur::Timer1_Timer);
    connect(&TimerValActu, &QTimer::timeout, this, &Enregistreur::TimerValActu_Timer);
    connect(&TimerLed, &QTimer::timeout, this, &Enregistreur::TimerLed_Timer);
    connect(&TimerVideBufferRS, &QTimer::timeout, this, &Enregistreur::TimerVideBufferRS_Timer);

    connect(ui.CmdRecord, &QPushButton::clicked, this, &Enregistreur::CmdRecord_Click);
    connect(ui.menu_nouveau, &QAction::triggered, this, &Enregistreur::menu_nouveau_Click);
    connect(ui.menu_charger, &QAction::triggered, this, &Enregistreur::menu_charger_Click);
    connect(ui.menuGraphe, &QAction::triggered, this, &Enregistreur::menuGraphe_Click);
    connect(ui.menuReglage, &QAction::triggered, this, &Enregistreur::menuReglage_Click);
    connect(ui.menu_apropos, &QAction::triggered, this, &Enregistreur::menu_apropos_Click);
    connect(ui.Ecran1, &graph::Ecran::molette, this, &Enregistreur::surMolette);
    connect(&rs232, &sources::Rs232::etatChange, this, &Enregistreur::suitPort);

    // Key preview: the window sees every key typed in it before its controls do.
    qApp->installEventFilter(this);
}

Enregistreur::~Enregistreur() {
    qApp->removeEventFilter(this);
}

void Enregistreur::Form_Load() {
    magasin.TabValeur[static_cast<size_t>(magasin.NbMesures)] = core::ValeurMesure::entier(0);

    // A damaged file is treated like a missing one: defaults, written back.
    const files::LectureConfig lue =
        config.existe() ? config.lit_config(reglages) : files::LectureConfig::Absente;
    if (lue != files::LectureConfig::Lue) {
        core::appliqueDefauts(reglages);
        config.ecrit_config(reglages);
    }
    // The stored rate and source are applied through the dialog's handlers, which
    // write nothing while the dialog is not shown.
    settings::Option1_Click(reglages, reglages.IndexCadence, nullptr);
    settings::Option2_Click(reglages, reglages.TypeSource, *this, nullptr);
    if (reglages.TypeSource == 1)
        usb.ouvre_carte();
    if (reglages.TypeSource == 2) {
        ouvrePort();
        TimerVideBufferRS.start();
    }
    // A relative record name is resolved once, now, against the working directory.
    m_cheminEnr = QDir::current().absoluteFilePath(reglages.NomFichierEnr);

    cycle.PlafondY = 255;
    appliqueLargeur(reglages.LargeurFenetre);
    if (reglages.LargeurFenetre > core::kLargeurEtroite)
        ui.menuGraphe->setChecked(true);
    ui.Slider1->setMinimum(1);
    connect(ui.Slider1, &QSlider::valueChanged, this, &Enregistreur::Slider1_Scroll);
    connect(ui.HScroll1, &QScrollBar::valueChanged, this, &Enregistreur::defilement);
    trace_axes();
    affiche_barre_titre();
    TimerValActu.start();
}

void Enregistreur::appliqueLargeur(int twips) {
    m_largeurTwips = twips;
    const int largeur = std::max(1, graph::px(twips - ui::kBordsLargeur));
    const int hauteur = graph::px(ui::kHauteurClient) + menuBar()->sizeHint().height();
    setFixedSize(largeur, hauteur);
}

void Enregistreur::affiche_barre_titre() {
    if (ui.menuGraphe->isChecked())
        setWindowTitle(QStringLiteral("Plovar                     Fichier en cours : ") +
                       reglages.NomFichierEnr);
    else
        setWindowTitle(QStringLiteral("Plovar : ") + reglages.NomFichierEnr);
}

void Enregistreur::Timer1_Timer() {
    const core::ResultatTick t = core::tickEchantillonnage(
        magasin, cycle, reglages, m_env.horloge->maintenant(), ui.Ecran1->ScaleWidth());
    if (t.plein) {
        arreteEnregistrement();
        m_env.dialogues->avertissement(
            this, QStringLiteral("La mémoire de l'enregistreur est pleine (%1 mesures) : "
                                 "l'enregistrement est arrêté.")
                      .arg(core::Magasin::kCapacite));
        return;
    }
    if (t.echantillon) {
        affich();
        ajoute_ligne();
    }
    if (Timer1.isActive() && t.intervalleMs > 0 && Timer1.interval() != t.intervalleMs)
        Timer1.setInterval(t.intervalleMs);
}

void Enregistreur::TimerValActu_Timer() {
    ui.Label2->setText(
        core::formatHeureLocale(m_env.horloge->maintenant().time(), QLocale::system()));
    if (reglages.TypeSource == 1) {
        usb.ouvre_carte();
        usb.lit_carte(reglages.ValeurBrute);
        if (usb.carteOuverte())
            retireAlerte(Alerte::Carte);
        else
            afficheAlerte(Alerte::Carte,
                          QStringLiteral("Carte USB P8055 introuvable : la dernière valeur reste "
                                         "affichée. Nouvel essai toutes les 3 secondes."));
    } else if (reglages.TypeSource == 2) {
        rs232.lit_port(reglages);
    }
    if (reglages.TypeSource != 1)
        retireAlerte(Alerte::Carte);
    if (reglages.TypeSource != 0)
        ui.Label3->setText(QString::number(core::mise_a_l_echelle(reglages.ValeurBrute)));
    else
        ui.Label3->setText(QString::number(cycle.ValeurTest));
}

void Enregistreur::TimerLed_Timer() {
    if (ui.Frame2->FillColor() == 128)
        ui.Frame2->allume();
    else
        eteint_led();
}

void Enregistreur::eteint_led() {
    ui.Frame2->eteint();
}

void Enregistreur::TimerVideBufferRS_Timer() {
    rs232.vide_buffer();
    // A port that could not be opened, or whose device went away, is tried again.
    if (reglages.TypeSource == 2 && !rs232.estOuvert())
        rs232.ouvre_port();
}

void Enregistreur::Form_KeyPress(int code) {
    core::toucheTest(cycle, code);
}

bool Enregistreur::eventFilter(QObject* o, QEvent* e) {
    if (e->type() == QEvent::KeyPress && o->isWidgetType()) {
        auto* w = static_cast<QWidget*>(o);
        // Seen once per key: where Qt first delivers it, before any propagation.
        QWidget* cible = QApplication::focusWidget();
        if (w->window() == this && (w == cible || (!cible && w == this))) {
            const QString t = static_cast<QKeyEvent*>(e)->text();
            if (t.size() == 1)
                Form_KeyPress(t.at(0).unicode());
        }
    }
    return QMainWindow::eventFilter(o, e);
}

void Enregistreur::appliqueEtatEnregistrement(bool enCours) {
    ui.menu_fichier->menuAction()->setEnabled(!enCours);
    ui.menu_option->menuAction()->setEnabled(!enCours);
    ui.CmdRecord->setText(enCours ? QStringLiteral(" Record  Stop")
                                  : QStringLiteral(" Record   Start"));
    if (enCours) {
        TimerLed.start();
        Timer1.start(10);
    } else {
        Timer1.stop();
        eteint_led();
        TimerLed.stop();
    }
}

void Enregistreur::CmdRecord_Click() {
    if (m_chargement)
        return;
    if (!enregistrement()) {
        raz();
        core::debutEnregistrement(magasin, cycle);
        appliqueEtatEnregistrement(true);
    } else {
        arreteEnregistrement();
    }
}

void Enregistreur::arreteEnregistrement() {
    appliqueEtatEnregistrement(false);
    if (ecrivain.nbEnAttente() > 0)
        sauveAttente(false);
}

void Enregistreur::ajoute_ligne() {
    const auto i = static_cast<size_t>(magasin.NbMesures);
    const QByteArray ligne = files::ligneEnr(magasin.NbMesures, magasin.TabValeur[i],
                                             magasin.TabDate[i], magasin.TabHeure[i]);
    suitEcriture(ecrivain.ajoute(m_cheminEnr, ligne));
}

void Enregistreur::suitEcriture(files::EcrivainEnr::Etat etat) {
    using Etat = files::EcrivainEnr::Etat;
    if (etat == Etat::Echec) {
        afficheAlerte(Alerte::Ecriture,
                      QStringLiteral("Écriture impossible dans %1 (%2). %3 mesure(s) en "
                                     "attente, gardées en mémoire : nouvel essai à chaque "
                                     "mesure.")
                          .arg(QDir::toNativeSeparators(ecrivain.cheminEnAttente()),
                               ecrivain.derniereErreur())
                          .arg(ecrivain.nbEnAttente()));
    } else if (etat == Etat::Retabli) {
        retireAlerte(Alerte::Ecriture);
        afficheAlerte(Alerte::Info, QStringLiteral("Écriture rétablie : toutes les mesures en "
                                                   "attente ont été écrites."));
        QTimer::singleShot(10000, this, [this] { retireAlerte(Alerte::Info); });
    }
}

void Enregistreur::sauveAttente(bool fermeture) {
    if (ecrivain.nbEnAttente() == 0)
        return;
    suitEcriture(ecrivain.reessaie());
    while (ecrivain.nbEnAttente() > 0) {
        m_env.dialogues->avertissement(
            this, QStringLiteral("%1 mesure(s) n'ont pas pu être écrites dans %2.\n"
                                 "Choisissez un fichier où les enregistrer.")
                      .arg(ecrivain.nbEnAttente())
                      .arg(QDir::toNativeSeparators(ecrivain.cheminEnAttente())));
        const QString f = m_env.dialogues->fichierSecours(
            this, QFileInfo(ecrivain.cheminEnAttente()).completeBaseName() +
                      QStringLiteral("_secours.csv"));
        if (f.isEmpty()) {
            if (!fermeture)
                return; // they stay waiting and go first at the next recording
            if (m_env.dialogues->question(this,
                                          QStringLiteral("Les mesures non écrites seront perdues. "
                                                         "Quitter quand même ?")))
                return;
            continue;
        }
        QString erreur;
        if (files::EcrivainEnr::ecritDurable(f, ecrivain.contenuEnAttente(), &erreur)) {
            ecrivain.oublieAttente();
            retireAlerte(Alerte::Ecriture);
        }
    }
}

void Enregistreur::closeEvent(QCloseEvent* e) {
    m_env.dialogues->bip();
    if (!m_env.dialogues->question(this, QStringLiteral("Arrêter l'enregistreur et quitter ?"))) {
        e->ignore();
        return;
    }
    sauveAttente(true);
    Timer1.stop();
    TimerLed.stop();
    TimerValActu.stop();
    TimerVideBufferRS.stop();
    rs232.ferme_port();
    e->accept();
    QCoreApplication::quit();
}

bool Enregistreur::portOuvert() const {
    return rs232.estOuvert();
}
void Enregistreur::ouvrePort() {
    rs232.ouvre_port();
}
void Enregistreur::fermePort() {
    rs232.ferme_port();
}

void Enregistreur::minuterieVidage(bool active) {
    if (active)
        TimerVideBufferRS.start();
    else
        TimerVideBufferRS.stop();
    suitPort();
}

void Enregistreur::suitPort() {
    // The flush timer runs exactly while the serial source is selected.
    if (TimerVideBufferRS.isActive()) {
        if (!rs232.estOuvert() && !rs232.probleme().isEmpty()) {
            afficheAlerte(Alerte::Port,
                          QStringLiteral("Port série COM1 (%1) non ouvert : %2. La dernière "
                                         "valeur reste affichée ; nouvel essai toutes les 10 "
                                         "secondes.")
                              .arg(rs232.nomPort(), rs232.probleme()));
            return;
        }
    }
    retireAlerte(Alerte::Port);
}

void Enregistreur::afficheAlerte(Alerte a, const QString& texte) {
    m_alertes[a] = texte;
    ui.bandeau->setText(QStringList(m_alertes.values()).join(QLatin1Char('\n')));
    ui.bandeau->show();
    ui.bandeau->raise();
}

void Enregistreur::retireAlerte(Alerte a) {
    if (!m_alertes.remove(a))
        return;
    ui.bandeau->setText(QStringList(m_alertes.values()).join(QLatin1Char('\n')));
    ui.bandeau->setVisible(!m_alertes.isEmpty());
}

QString Enregistreur::alerte() const {
    return ui.bandeau->isHidden() ? QString() : ui.bandeau->text();
}

void Enregistreur::menuReglage_Click() {
    // A dialog closed a moment ago is hidden and about to be destroyed.
    if (m_chargement || (formOption && !formOption->isHidden()))
        return;
    setEnabled(false);
    formOption = new settings::Form_option(reglages, config, *this, this);
    formOption->show();
}

void Enregistreur::menu_apropos_Click() {
    if (!about || about->isHidden()) {
        if (about)
            about->deleteLater();
        about = new ui::About(m_env.dialogues, this);
    }
    about->show();
    about->raise();
    about->activateWindow();
}

} // namespace app
