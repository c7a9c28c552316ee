#include "app/Enregistreur.h"

#include "app/Recents.h"
#include "files/FichierAlarme.h"
#include "graph/Geometrie.h"
#include "graph/ModeleListe.h"
#include "settings/Form_option.h"
#include "ui/About.h"
#include "ui/BarreChargement.h"
#include "ui/Dialogues.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMimeData>

namespace app {

Enregistreur::Enregistreur(Poste& poste, ui::Dialogues* dialogues, QWidget* parent)
    : QMainWindow(parent), m_dialogues(dialogues), m_moteur(&poste.moteur), m_poste(&poste),
      m_publication(&poste.publication) {
    m_moteur->setDecideur(this);
    const bool manuelles = m_moteur->minuteriesManuelles();
    m_ui.setupUi(this);
    m_policeHeure = m_ui.Label2->font();
    m_policeValeur = m_ui.Label3->font();
    m_modeleListe = new graph::ModeleListe(&m_moteur->magasin(), this);
    m_ui.Text1->setModel(m_modeleListe);
    connect(m_ui.Text1, &graph::ListeMesures::copieRefusee, this, [this](qint64 n) {
        m_dialogues->avertissement(
            this, QStringLiteral("%1 lignes sont sélectionnées : une copie en prend au plus %2. "
                                 "Pour les garder toutes, choisissez « Exporter les mesures… » "
                                 "dans le menu du graphe (clic droit).")
                      .arg(n)
                      .arg(graph::ListeMesures::kLignesCopieMax));
    });

    m_TimerLed.setInterval(500);
    connect(&m_TimerLed, &QTimer::timeout, this, &Enregistreur::TimerLed_Timer);
    if (manuelles)
        m_TimerLed.blockSignals(true);

    engine::Moteur* m = m_moteur;
    m_vue = new VueGraphe(poste, m_ui, m_modeleListe, this);
    m_outils = new OutilsGraphe(poste, *m_vue, m_dialogues, this, m_ui.Ecran1);
    m_vue->apresDessin = [this] { m_outils->actualiseStatistiques(); };

    connect(m, &engine::Moteur::etatChange, this, &Enregistreur::appliqueEtat);
    connect(m, &engine::Moteur::echantillonStocke, m_vue, &VueGraphe::surEchantillon);
    connect(&poste.journal, &evenements::Journal::evenement, m_vue, &VueGraphe::ajouteMarque);
    connect(m, &engine::Moteur::etatChange, m_vue, &VueGraphe::actualiseMarques);
    connect(m, &engine::Moteur::chargementTermine, m_vue, &VueGraphe::actualiseMarques);
    connect(m_outils, &OutilsGraphe::alarmeChoisie, m_vue, &VueGraphe::actualiseMarques);
    connect(&poste.alarme, &evenements::Surveillance::alarmeDeclenchee, this, [this, &poste] {
        if (poste.alarme.reglage().bip)
            m_dialogues->bip();
    });
    connect(m, &engine::Moteur::valeurLue, this, &Enregistreur::surValeur);
    connect(m, &engine::Moteur::alerteChange, this, &Enregistreur::surAlerte);
    connect(m, &engine::Moteur::progressionChargement, this, &Enregistreur::surProgression);
    connect(m, &engine::Moteur::chargementTermine, this, &Enregistreur::surChargementTermine);

    connect(m_ui.CmdRecord, &QPushButton::clicked, this, &Enregistreur::CmdRecord_Click);
    connect(m_ui.menu_nouveau, &QAction::triggered, this, &Enregistreur::menu_nouveau_Click);
    connect(m_ui.menu_charger, &QAction::triggered, this, &Enregistreur::menu_charger_Click);
    connect(m_ui.menuGraphe, &QAction::triggered, this, &Enregistreur::menuGraphe_Click);
    connect(m_ui.menuReglage, &QAction::triggered, this, &Enregistreur::menuReglage_Click);
    connect(m_ui.menu_apropos, &QAction::triggered, this, &Enregistreur::menu_apropos_Click);

    connect(m_outils, &OutilsGraphe::grapheEnGrand, this, &Enregistreur::montreGrapheEnGrand);

    // Runs that start and stop by themselves.
    m_ui.menu_fichier->addSeparator();
    m_menuProgramme = m_ui.menu_fichier->addAction(QStringLiteral("Programmer un enregistrement…"));
    // Ctrl+P prints, in both windows.
    m_menuProgramme->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P));
    connect(m_menuProgramme, &QAction::triggered, this, &Enregistreur::menuProgramme_Click);
    m_menuAnnuleProgramme = m_ui.menu_fichier->addAction(QStringLiteral("Annuler le programme"));
    connect(m_menuAnnuleProgramme, &QAction::triggered, this,
            [this] { m_poste->programme.annule(); });
    connect(&poste.programme, &evenements::Programme::changement, this,
            &Enregistreur::actualiseProgramme);
    // Recent files, printing and quitting, after the window's own entries.
    m_ui.menu_fichier->addSeparator();
    m_menuRecents = m_ui.menu_fichier->addMenu(QStringLiteral("Fichiers &récents"));
    // The large window adds to the list too: read again each time the menu opens
    // (a disabled submenu never announces it is about to show).
    connect(m_ui.menu_fichier, &QMenu::aboutToShow, this, &Enregistreur::actualiseRecents);
    actualiseRecents();
    QAction* imprimer = m_ui.menu_fichier->addAction(QStringLiteral("&Imprimer le graphe…"));
    imprimer->setShortcut(QKeySequence::Print);
    connect(imprimer, &QAction::triggered, m_outils, &OutilsGraphe::menuImprimer);
    m_ui.menu_fichier->addSeparator();
    QAction* quitter = m_ui.menu_fichier->addAction(QStringLiteral("&Quitter"));
    quitter->setShortcut(QKeySequence::Quit);
    connect(quitter, &QAction::triggered, this, &QWidget::close);
    // Record Start/Stop from the keyboard, as the button does.
    auto* record = new QAction(this);
    record->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    connect(record, &QAction::triggered, this, [this] {
        if (m_ui.CmdRecord->isEnabled())
            CmdRecord_Click();
    });
    addAction(record);
    // A record file dropped on the window is opened as Visualiser Enregistrement does.
    setAcceptDrops(true);
    connect(&poste.programme, &evenements::Programme::finAvantDebut, this, [this] {
        m_moteur->signale(engine::Alerte::Info,
                          QStringLiteral("L'heure de fin du programme est passée avant celle du "
                                         "début (l'horloge a changé) : rien n'a été enregistré."));
    });
    connect(&poste.programme, &evenements::Programme::fin, this, [this](const QString& motif) {
        m_moteur->signale(
            engine::Alerte::Info,
            QStringLiteral("Enregistrement arrêté par le programme (%1).").arg(motif));
    });

    // One record file a day, a week or a month, kept with the settings.
    m_menuDecoupage = m_ui.menu_option->addMenu(QStringLiteral("Un fichier par"));
    auto* groupe = new QActionGroup(this);
    for (const core::Decoupage d : {core::Decoupage::Aucun, core::Decoupage::Jour,
                                    core::Decoupage::Semaine, core::Decoupage::Mois}) {
        QAction* a = m_menuDecoupage->addAction(
            d == core::Decoupage::Aucun ? QStringLiteral("enregistrement (un seul fichier)")
                                        : core::texteDecoupage(d));
        a->setCheckable(true);
        a->setData(static_cast<int>(d));
        groupe->addAction(a);
        connect(a, &QAction::triggered, this, [this, d] {
            m_moteur->choisitDecoupage(d, true);
            affiche_barre_titre();
        });
    }
    connect(m_menuDecoupage, &QMenu::aboutToShow, this, [this] {
        for (QAction* a : m_menuDecoupage->actions())
            a->setChecked(a->data().toInt() == static_cast<int>(m_moteur->decoupage()));
    });

    // Publishing to a broker, set in its own dialog after the settings.
    m_menuPublication = m_ui.menu_option->addAction(QStringLiteral("Publication…"));
    connect(m_menuPublication, &QAction::triggered, this, &Enregistreur::menuPublication_Click);
    // A board that prints its readings as text lines, beside the three sources of
    // the settings.
    m_menuSourceTexte = m_ui.menu_option->addAction(QStringLiteral("Source texte…"));
    connect(m_menuSourceTexte, &QAction::triggered, this, &Enregistreur::menuSourceTexte_Click);

    // The menus from the keyboard: Alt and the underlined letter, F10 for the first
    // menu that can be opened, and shortcuts for the commands used most.
    m_ui.menu_fichier->setTitle(QStringLiteral("&Fichier"));
    m_ui.menu_option->setTitle(QStringLiteral("&Option"));
    m_ui.menu_intero->setTitle(QStringLiteral("&?"));
    m_ui.menu_nouveau->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    m_ui.menu_charger->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    m_ui.menuReglage->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    auto* f10 = new QAction(this);
    f10->setShortcut(QKeySequence(Qt::Key_F10));
    connect(f10, &QAction::triggered, this, [this] {
        for (QMenu* menu : {m_ui.menu_fichier, m_ui.menu_option, m_ui.menu_intero})
            if (menu->menuAction()->isEnabled()) {
                menuBar()->setActiveAction(menu->menuAction());
                return;
            }
    });
    addAction(f10);

    // A comment at the newest sample, from the keyboard.
    auto* commentaire = new QAction(this);
    commentaire->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_K));
    connect(commentaire, &QAction::triggered, m_outils, [this] { m_outils->commentaire(); });
    addAction(commentaire);

    // Key preview: the window sees every key typed in it before its controls do.
    qApp->installEventFilter(this);
}

Enregistreur::~Enregistreur() {
    qApp->removeEventFilter(this);
    m_moteur->setDecideur(nullptr);
}

void Enregistreur::Form_Load() {
    m_moteur->demarrage();
    // A width narrower than the value panel (a hand-edited file) shows the panel.
    const int largeur = std::max<int>(m_moteur->reglages().LargeurFenetre, core::kLargeurEtroite);
    appliqueLargeur(largeur);
    if (largeur > core::kLargeurEtroite)
        m_ui.menuGraphe->setChecked(true);
    m_ui.Slider1->setMinimum(1);
    connect(m_ui.Slider1, &QSlider::valueChanged, this, &Enregistreur::Slider1_Scroll);
    connect(m_ui.HScroll1, &QScrollBar::valueChanged, this, &Enregistreur::defilement);
    trace_axes();
    m_vue->actualiseMarques();
    actualiseProgramme();
    affiche_barre_titre();
}

void Enregistreur::appliqueLargeur(int twips) {
    m_largeurTwips = twips;
    const int largeur = std::max(1, graph::px(twips - ui::kBordsLargeur));
    const int hauteur = graph::px(ui::kHauteurClient) + menuBar()->sizeHint().height();
    setFixedSize(largeur, hauteur);
}

void Enregistreur::affiche_barre_titre() {
    const QString& nom = m_moteur->reglages().NomFichierEnr;
    if (m_ui.menuGraphe->isChecked())
        setWindowTitle(QStringLiteral("Plovar                     Fichier en cours : ") + nom);
    else
        setWindowTitle(QStringLiteral("Plovar : ") + nom);
}

void Enregistreur::trace_axes() {
    m_vue->trace_axes();
}

void Enregistreur::raz() {
    m_vue->raz();
}

void Enregistreur::affich() {
    m_vue->affich();
}

void Enregistreur::Slider1_Scroll() {
    m_vue->zoom();
}

void Enregistreur::defilement() {
    m_vue->defilement();
}

void Enregistreur::menuGraphe_Click() {
    const int largeur =
        m_largeurTwips == core::kLargeurLarge ? core::kLargeurEtroite : core::kLargeurLarge;
    if (!m_moteur->choisitLargeur(largeur)) {
        m_ui.menuGraphe->setChecked(m_largeurTwips > core::kLargeurEtroite);
        return;
    }
    m_ui.menuGraphe->setChecked(largeur == core::kLargeurLarge);
    appliqueLargeur(largeur);
    affiche_barre_titre();
}

void Enregistreur::Timer1_Timer() {
    m_moteur->Timer1_Timer();
}

void Enregistreur::TimerValActu_Timer() {
    m_moteur->TimerValActu_Timer();
}

void Enregistreur::TimerVideBufferRS_Timer() {
    m_moteur->TimerVideBufferRS_Timer();
}

void Enregistreur::surValeur(const QDateTime& instant, std::optional<double> valeur) {
    const QString heure = core::formatHeureLocale(instant.time(), QLocale::system());
    if (heure.size() != m_ui.Label2->text().size())
        ajustePolice(m_ui.Label2, heure, m_policeHeure);
    m_ui.Label2->setText(heure);
    // No reading yet is no value: a 0 there would look like one. With a calibration
    // the value is the physical one with its unit, in a font that fits.
    const core::Etalonnage& e = m_moteur->etalonnage();
    QString texte = QStringLiteral("---");
    if (valeur) {
        // A text line's reading keeps its decimals, with a French comma ("21,5").
        texte = e.actif ? e.texte(*valeur) : QString::number(*valeur, 'g', 10);
        texte.replace(QLatin1Char('.'), QLatin1Char(','));
    }
    if (texte != m_ui.Label3->text()) {
        if (e.actif || m_ui.Label3->font() != m_policeValeur)
            ajustePolice(m_ui.Label3, texte, m_policeValeur);
        m_ui.Label3->setText(texte);
    }
}

void Enregistreur::ajustePolice(QLabel* l, const QString& texte, const QFont& police) {
    // The system's time format may be longer (a 12-hour clock with AM/PM): the font
    // shrinks until the text fits, never below 6 points.
    QFont f = police;
    const int place = l->contentsRect().width() - 2;
    while (f.pointSizeF() > 6 && QFontMetrics(f).horizontalAdvance(texte) > place)
        f.setPointSizeF(f.pointSizeF() - 0.25);
    l->setFont(f);
}

void Enregistreur::TimerLed_Timer() {
    if (m_ui.Frame2->FillColor() == 128)
        m_ui.Frame2->allume();
    else
        eteint_led();
}

void Enregistreur::eteint_led() {
    m_ui.Frame2->eteint();
}

void Enregistreur::Form_KeyPress(int code) {
    m_moteur->toucheTest(code);
}

void Enregistreur::changeEvent(QEvent* e) {
    // Clicked while the settings dialog holds it disabled: the dialog comes to the
    // front rather than hide behind a window that takes no input.
    if (e->type() == QEvent::ActivationChange && isActiveWindow() && !isEnabled() && m_formOption &&
        m_formOption->isVisible())
        QTimer::singleShot(0, this, [this] {
            if (m_formOption && m_formOption->isVisible()) {
                m_formOption->raise();
                m_formOption->activateWindow();
            }
        });
    QMainWindow::changeEvent(e);
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

void Enregistreur::appliqueEtat(engine::Etat etat) {
    const engine::Etat avant = m_etatAffiche;
    m_etatAffiche = etat;
    const bool enCours = etat == engine::Etat::Enregistrement;
    const bool libre = etat == engine::Etat::Repos;
    m_ui.menu_fichier->menuAction()->setEnabled(libre);
    m_ui.menu_option->menuAction()->setEnabled(libre);
    // Their shortcuts follow the menus.
    for (QAction* a : {m_ui.menu_nouveau, m_ui.menu_charger, m_ui.menuReglage})
        a->setEnabled(libre);
    actualiseProgramme();
    m_ui.CmdRecord->setText(enCours ? QStringLiteral(" Record  Stop")
                                    : QStringLiteral(" Record   Start"));
    m_vue->surEtat(avant, etat);
    if (etat == engine::Etat::Chargement)
        setCursor(Qt::WaitCursor);
    if (enCours) {
        m_outils->setFichierCharge(QString());
        m_TimerLed.start();
    } else {
        eteint_led();
        m_TimerLed.stop();
    }
}

void Enregistreur::actualiseProgramme() {
    const bool libre = m_moteur->etat() == engine::Etat::Repos;
    const bool programme = m_poste->programme.phase() != evenements::Programme::Phase::Aucune;
    m_menuProgramme->setEnabled(libre && !programme);
    m_menuAnnuleProgramme->setEnabled(programme);
}

void Enregistreur::menuProgramme_Click() {
    if (!m_menuProgramme->isEnabled())
        return;
    const core::Etalonnage& e = m_moteur->etalonnage();
    const qint64 maintenant = m_moteur->horloge().maintenant().toMSecsSinceEpoch();
    const std::optional<core::Plan> plan =
        m_dialogues->programme(this, m_dernierPlan, maintenant, e.actif ? e.unite : QString(),
                               m_poste->alarme.reglage().active());
    if (!plan)
        return;
    m_dernierPlan = *plan;
    QString erreur;
    // The clock may have moved while the dialog was open: the plan is judged again.
    if (!m_poste->programme.lance(*plan, &erreur))
        m_dialogues->avertissement(
            this, QStringLiteral("Enregistrement non programmé : %1.").arg(erreur));
}

void Enregistreur::CmdRecord_Click() {
    if (!m_moteur->arrete())
        m_moteur->demarre();
}

QString Enregistreur::fichierSecours(const QString& chemin, int nb, bool, bool evenements) {
    m_dialogues->avertissement(
        this, (evenements ? QStringLiteral("%1 événement(s) n'ont pas pu être écrits dans %2.\n"
                                           "Choisissez un fichier où les ajouter (à la fin, "
                                           "s'il existe déjà).")
                          : QStringLiteral("%1 mesure(s) n'ont pas pu être écrites dans %2.\n"
                                           "Choisissez un fichier où les ajouter (à la fin, "
                                           "s'il existe déjà)."))
                  .arg(nb)
                  .arg(QDir::toNativeSeparators(chemin)));
    return m_dialogues->fichierSecours(this, QFileInfo(chemin).completeBaseName() +
                                                 QStringLiteral("_secours.csv"));
}

bool Enregistreur::abandonneAttente(const QString& chemin, int nb) {
    return m_dialogues->question(
        this, QStringLiteral("Les %1 mesure(s) non écrites dans %2 seront perdues. Quitter quand "
                             "même ?")
                  .arg(nb)
                  .arg(QDir::toNativeSeparators(chemin)));
}

void Enregistreur::nonConfirmees(const QString& chemin, int nb, const QByteArray&) {
    m_dialogues->avertissement(
        this, QStringLiteral("Le disque ne répond plus : %1 mesure(s) ne sont pas confirmées "
                             "dans %2 ; elles y manquent peut-être (elles restent dans la liste "
                             "des mesures jusqu'à la fermeture).")
                  .arg(nb)
                  .arg(QDir::toNativeSeparators(chemin)));
}

void Enregistreur::actualiseRecents() {
    m_menuRecents->clear();
    const QStringList l = Recents(m_moteur->cheminConfiguration()).liste();
    for (int k = 0; k < l.size(); ++k) {
        QAction* a = m_menuRecents->addAction(
            QStringLiteral("&%1 %2").arg(k + 1).arg(QFileInfo(l[k]).fileName()), this,
            [this, chemin = l[k]] { visualise(chemin); });
        a->setToolTip(QDir::toNativeSeparators(l[k]));
    }
    m_menuRecents->setEnabled(!l.isEmpty());
}

void Enregistreur::dragEnterEvent(QDragEnterEvent* e) {
    if (fichierDepose(e->mimeData()) && m_moteur->accepte(engine::Commande::Charger))
        e->acceptProposedAction();
}

void Enregistreur::dropEvent(QDropEvent* e) {
    if (const std::optional<QString> chemin = fichierDepose(e->mimeData())) {
        e->acceptProposedAction();
        visualise(*chemin);
    }
}

void Enregistreur::closeEvent(QCloseEvent* e) {
    m_dialogues->bip();
    if (!m_dialogues->question(this, QStringLiteral("Arrêter l'enregistreur et quitter ?"))) {
        e->ignore();
        return;
    }
    m_moteur->termine();
    m_TimerLed.stop();
    if (m_grand)
        m_grand->close();
    e->accept();
    QCoreApplication::quit();
}

void Enregistreur::surAlerte() {
    const QStringList textes = m_moteur->alertes();
    m_ui.bandeau->setText(textes.join(QLatin1Char('\n')));
    m_ui.ajusteBandeau();
    m_ui.cadreBandeau->setVisible(!textes.isEmpty());
    if (!textes.isEmpty())
        m_ui.cadreBandeau->raise();
}

QString Enregistreur::alerte() const {
    return m_ui.cadreBandeau->isHidden() ? QString() : m_ui.bandeau->text();
}

settings::Form_option* Enregistreur::formOption() const {
    return m_formOption;
}

ui::About* Enregistreur::about() const {
    return m_about;
}

void Enregistreur::menuReglage_Click() {
    // A dialog closed a moment ago is hidden and about to be destroyed.
    if (!m_moteur->accepte(engine::Commande::Cadence) ||
        (m_formOption && !m_formOption->isHidden()))
        return;
    setEnabled(false);
    m_formOption = new settings::Form_option(*m_moteur, this);
    m_formOption->show();
}

void Enregistreur::montreGrapheEnGrand() {
    // A window of its own, not kept above this small one.
    if (!m_grand) {
        m_grand = std::make_unique<FenetreGrand>(*m_poste, m_dialogues);
        connect(m_grand.get(), &FenetreGrand::quitte, this, &QWidget::close, Qt::QueuedConnection);
    }
    m_grand->show();
    m_grand->raise();
    m_grand->activateWindow();
}

void Enregistreur::menuPublication_Click() {
    if (!m_dialoguePublication) {
        m_dialoguePublication = new DialoguePublication(*m_publication, this);
        m_dialoguePublication->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_dialoguePublication->show();
    m_dialoguePublication->raise();
    m_dialoguePublication->activateWindow();
}

void Enregistreur::menuSourceTexte_Click() {
    core::ReglageTexte actuel = m_moteur->reglageTexte();
    for (;;) {
        const std::optional<core::ReglageTexte> choisi = m_dialogues->sourceTexte(this, actuel);
        if (!choisi)
            return;
        QString erreur;
        if (m_moteur->choisitSourceTexte(*choisi, true, &erreur))
            return;
        // Refused (a run started meanwhile, or the settings cannot be used).
        if (erreur.isEmpty())
            return;
        m_dialogues->avertissement(this,
                                   QStringLiteral("Source texte impossible : %1.").arg(erreur));
        actuel = *choisi;
    }
}

DialoguePublication* Enregistreur::dialoguePublication() const {
    return m_dialoguePublication;
}

void Enregistreur::menu_apropos_Click() {
    if (!m_about || m_about->isHidden()) {
        if (m_about)
            m_about->deleteLater();
        m_about = new ui::About(m_dialogues, this);
    }
    m_about->show();
    m_about->raise();
    m_about->activateWindow();
}

} // namespace app
