// The graph as a tool: readout under the pointer, context menu, image export,
// printing and statistics.
#include "app/OutilsGraphe.h"

#include "core/Horodatage.h"
#include "files/CodecEnr.h"
#include "files/ExportMesures.h"
#include "graph/RenduGraphe.h"
#include "ui/Dialogues.h"
#include "ui/EnregistreurUi.h"
#include "ui/FenetreStatistiques.h"
#include "ui/ListeEvenements.h"

#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QMenu>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressDialog>

#include <cmath>

namespace app {

OutilsGraphe::OutilsGraphe(Poste& poste, VueGraphe& vue, ui::Dialogues* dialogues, QWidget* fenetre,
                           graph::Ecran* ecran)
    : QObject(fenetre), m_poste(poste), m_moteur(poste.moteur), m_vue(vue), m_dialogues(dialogues),
      m_fenetre(fenetre), m_ecran(ecran), m_actions(fenetre, dialogues) {
    m_lecture = ecran->etiquette(QStringLiteral("lecture"), 3);
    connect(ecran, &graph::Ecran::survol, this, &OutilsGraphe::surSurvol);
    connect(ecran, &graph::Ecran::menuDemande, this, &OutilsGraphe::surMenuGraphe);
    connect(ecran, &graph::Ecran::doubleClic, this, &OutilsGraphe::grapheEnGrand);
    // The readout follows the data under a pointer that does not move: another file
    // loaded, a new sample. Once the window has taken the change in.
    const auto suit = [this] {
        QMetaObject::invokeMethod(
            this,
            [this] {
                // A store being filled by a load is no data to speak of yet.
                if (m_lecture->isVisible() && m_moteur.etat() != engine::Etat::Chargement)
                    surSurvol(m_survolX, m_survolPosition);
            },
            Qt::QueuedConnection);
    };
    connect(&m_moteur, &engine::Moteur::chargementTermine, this, suit);
    connect(&m_moteur, &engine::Moteur::echantillonStocke, this, suit);
}

QString OutilsGraphe::quand(qint64 i) const {
    const core::Magasin& m = m_moteur.magasin();
    // Day first, as every text of the program's own.
    if (m.instantMs(i) != 0)
        return core::jourEnClair(m.TabDate(i)) + QLatin1Char(' ') + m.TabHeure(i);
    // A loaded line keeps its own date and time fields, when it has them.
    const QByteArray ligne = m.LignesFichier(i).toLatin1();
    const files::ChampsEnr champs = files::champsEnr(ligne);
    if (champs.heure.isEmpty() && champs.date.isEmpty())
        return {};
    return core::jourEnClair(QString::fromLatin1(champs.date)) + QLatin1Char(' ') +
           QString::fromLatin1(champs.heure);
}

QDateTime OutilsGraphe::instant(qint64 i) const {
    const qint64 ms = m_moteur.magasin().instant(i);
    return ms != 0 ? QDateTime::fromMSecsSinceEpoch(ms) : QDateTime();
}

QString OutilsGraphe::texteSousPointeur(int x) const {
    const QString valeurs = texteValeursSousPointeur(x);
    if (valeurs.isEmpty())
        return valeurs;
    const std::optional<core::Statistiques> st =
        graph::sousPointeur(m_vue.vue(), x, m_ecran->zone().width());
    // The events at these samples, after the values.
    QStringList evenements;
    for (const core::Evenement& e : m_poste.journal.evenements())
        if (e.numero >= st->premier && e.numero <= st->dernier)
            evenements << e.type + QStringLiteral(" : ") + e.texte.left(60);
    if (evenements.size() > 2)
        evenements = evenements.mid(0, 2) << QStringLiteral("(+%1)").arg(evenements.size() - 2);
    return evenements.isEmpty() ? valeurs
                                : valeurs + QLatin1Char('\n') + evenements.join(QLatin1Char('\n'));
}

QString OutilsGraphe::texteValeursSousPointeur(int x) const {
    const std::optional<core::Statistiques> st =
        graph::sousPointeur(m_vue.vue(), x, m_ecran->zone().width());
    if (!st)
        return {};
    const core::Magasin& m = m_moteur.magasin();
    const auto nombre = [this](double v) { return texteValeur(v, true); };
    if (st->n == 1) {
        const qint64 i = st->premier;
        const QString q = quand(i);
        return QStringLiteral("n° %1 : %2").arg(i).arg(nombre(m.valeur(i))) +
               (q.isEmpty() ? QString() : QStringLiteral("\n") + q);
    }
    const auto extreme = [&](double v, qint64 i) {
        const QString q = quand(i);
        return q.isEmpty() ? nombre(v) : QStringLiteral("%1 (%2)").arg(nombre(v), q);
    };
    return QStringLiteral("n° %1 à %2\nmin %3\nmax %4")
        .arg(st->premier)
        .arg(st->dernier)
        .arg(extreme(st->extremes.min, st->extremes.iMin),
             extreme(st->extremes.max, st->extremes.iMax));
}

void OutilsGraphe::surSurvol(int x, QPoint position) {
    m_survolX = x;
    m_survolPosition = position;
    const QString texte = x >= 0 ? texteSousPointeur(x) : QString();
    if (texte.isEmpty()) {
        m_lecture->hide();
        return;
    }
    m_lecture->setText(texte);
    m_lecture->adjustSize();
    // Beside the pointer, kept inside the area.
    const QRect z = m_ecran->zone();
    QPoint p = position + QPoint(12, 12);
    if (p.x() + m_lecture->width() > z.right())
        p.setX(std::max(z.left(), position.x() - 12 - m_lecture->width()));
    if (p.y() + m_lecture->height() > z.bottom())
        p.setY(z.bottom() - m_lecture->height());
    m_lecture->move(p);
    m_lecture->show();
    m_lecture->raise();
}

void OutilsGraphe::commentaire(std::optional<qint64> numero) {
    const core::Magasin& m = m_moteur.magasin();
    const qint64 n = std::clamp<qint64>(numero.value_or(m.NbMesures()), 0, m.NbMesures());
    const QString ou = n >= 1 ? QStringLiteral("mesure n° %1, %2").arg(n).arg(quand(n))
                              : QStringLiteral("début de l'enregistrement");
    const std::optional<QString> texte = m_dialogues->commentaire(m_fenetre, ou);
    if (!texte || texte->trimmed().isEmpty())
        return;
    if (!m_poste.journal.ajouteCommentaire(*texte, n))
        m_dialogues->avertissement(m_fenetre,
                                   QStringLiteral("Un commentaire se place pendant un "
                                                  "enregistrement ou sur un fichier chargé."));
}

void OutilsGraphe::montreEvenements() {
    if (!m_listeEvenements) {
        m_listeEvenements = new ui::ListeEvenements(m_fenetre);
        connect(m_listeEvenements, &ui::ListeEvenements::choisi, &m_vue, &VueGraphe::centreSur);
        // It follows the run: each new event is listed.
        connect(&m_poste.journal, &evenements::Journal::evenement, m_listeEvenements,
                [this] { m_listeEvenements->affiche(m_poste.journal.evenements()); });
        connect(&m_moteur, &engine::Moteur::chargementTermine, m_listeEvenements,
                [this] { m_listeEvenements->affiche(m_poste.journal.evenements()); });
    }
    m_listeEvenements->affiche(m_poste.journal.evenements());
    m_listeEvenements->show();
    m_listeEvenements->raise();
    m_listeEvenements->activateWindow();
}

void OutilsGraphe::menuAlarme() {
    core::ReglageAlarme actuel = m_poste.alarme.reglage();
    const core::Etalonnage& e = m_moteur.etalonnage();
    for (;;) {
        const std::optional<core::ReglageAlarme> choisi =
            m_dialogues->alarme(m_fenetre, actuel, e.actif ? e.unite : QString());
        if (!choisi)
            return;
        QString erreur;
        if (m_poste.alarme.choisitAlarme(*choisi, true, &erreur)) {
            emit alarmeChoisie();
            if (!erreur.isEmpty())
                m_dialogues->avertissement(m_fenetre,
                                           erreur.left(1).toUpper() + erreur.mid(1) + '.');
            return;
        }
        // Refused: the dialog comes back with what was typed.
        m_dialogues->avertissement(m_fenetre,
                                   QStringLiteral("Alarme impossible : %1.").arg(erreur));
        actuel = *choisi;
    }
}

void OutilsGraphe::surMenuGraphe(QPoint global) {
    // A comment from the menu goes to the sample under the pointer.
    std::optional<qint64> sousPointeur;
    const QPoint local = m_ecran->mapFromGlobal(global) - m_ecran->zone().topLeft();
    if (const auto st = graph::sousPointeur(m_vue.vue(), local.x(), m_ecran->zone().width()))
        sousPointeur = st->dernier;
    QMenu menu(m_fenetre);
    menu.addAction(QStringLiteral("Copier l'image"), this, &OutilsGraphe::copieImage);
    menu.addAction(QStringLiteral("Enregistrer l'image…"), this,
                   &OutilsGraphe::menuEnregistrerImage);
    menu.addAction(QStringLiteral("Imprimer…"), this, &OutilsGraphe::menuImprimer);
    QAction* clair = menu.addAction(QStringLiteral("Fond clair pour les images et l'impression"));
    clair->setCheckable(true);
    clair->setChecked(m_clair);
    connect(clair, &QAction::toggled, this, [this](bool c) { m_clair = c; });
    menu.addAction(QStringLiteral("Étalonnage…"), this, &OutilsGraphe::menuEtalonnage);
    menu.addAction(QStringLiteral("Exporter les mesures…"), this, &OutilsGraphe::menuExporter);
    menu.addAction(QStringLiteral("Statistiques…"), this, &OutilsGraphe::montreStatistiques);
    menu.addSeparator();
    menu.addAction(QStringLiteral("Commentaire…"), this,
                   [this, sousPointeur] { commentaire(sousPointeur); });
    menu.addAction(QStringLiteral("Alarme…"), this, &OutilsGraphe::menuAlarme);
    menu.addAction(QStringLiteral("Événements…"), this, &OutilsGraphe::montreEvenements);
    menu.addAction(QStringLiteral("Graphe en grand…"), this, &OutilsGraphe::grapheEnGrand);
    menu.exec(global);
}

QStringList OutilsGraphe::legendes() const {
    const auto [premier, dernier] = m_vue.visibles();
    QStringList l;
    l << QDir::toNativeSeparators(fichierAffiche());
    if (dernier < premier)
        return l;
    const QString q0 = quand(premier), q1 = quand(dernier);
    l << (q0.isEmpty() ? QStringLiteral("Mesures %1 à %2").arg(premier).arg(dernier)
                       : QStringLiteral("Du %1 au %2").arg(q0, q1));
    const core::Statistiques st = m_moteur.magasin().statistiques(premier, dernier);
    l << QStringLiteral("Minimum %1, maximum %2")
             .arg(texteValeur(st.extremes.min, false), texteValeur(st.extremes.max, false));
    return l;
}

QString OutilsGraphe::fichierAffiche() const {
    return m_fichierCharge.isEmpty() ? m_moteur.cheminEnr() : m_fichierCharge;
}

QString OutilsGraphe::texteValeur(double brute, bool avecBrute) const {
    const core::Etalonnage& e = m_moteur.etalonnage();
    const QString nombre = QString::number(brute, 'g', 6);
    if (!e.actif)
        return nombre;
    return avecBrute ? QStringLiteral("%1 [%2]").arg(e.texte(brute), nombre) : e.texte(brute);
}

void OutilsGraphe::menuEtalonnage() {
    core::Etalonnage actuel = m_moteur.etalonnage();
    for (;;) {
        const std::optional<core::Etalonnage> choisi = m_dialogues->etalonnage(m_fenetre, actuel);
        if (!choisi)
            return;
        QString erreur;
        if (m_moteur.choisitEtalonnage(*choisi, &erreur)) {
            if (!erreur.isEmpty())
                m_dialogues->avertissement(m_fenetre,
                                           erreur.left(1).toUpper() + erreur.mid(1) + '.');
            actualiseStatistiques();
            return;
        }
        // Refused: the dialog comes back with what was typed.
        m_dialogues->avertissement(m_fenetre,
                                   QStringLiteral("Étalonnage impossible : %1.").arg(erreur));
        actuel = *choisi;
    }
}

bool OutilsGraphe::exporteMesures(const QString& chemin, bool partieVisible) {
    const core::Magasin& m = m_moteur.magasin();
    const graph::Visibles visibles = m_vue.visibles();
    // The store must stay as it is while it is walked: a recording start or a load
    // waits for the end of the export (the engine refuses them meanwhile).
    const engine::Moteur::Lecture lecture = m_moteur.lecture();
    return m_actions.exporte(chemin, m, partieVisible ? visibles.premier : 1,
                             partieVisible ? visibles.dernier : m.NbMesures(),
                             m_moteur.etalonnage(), m_poste.journal.evenements());
}

void OutilsGraphe::menuExporter() {
    m_actions.menuExporter(fichierAffiche(), QStringLiteral("_export.csv"),
                           [this](const QString& c, bool v) { return exporteMesures(c, v); });
}

void OutilsGraphe::copieImage() {
    QImage image(1200, 500, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    graph::dessineGraphe(p, QRectF(8, 8, 1184, 484), m_vue.vue(), {}, m_clair);
    p.end();
    QGuiApplication::clipboard()->setImage(image);
}

bool OutilsGraphe::enregistreImage(const QString& chemin, const QString& filtre) {
    QString erreur;
    const bool ok = graph::exporteImage(chemin, graph::formatImage(chemin, filtre), m_vue.vue(),
                                        legendes(), &erreur, m_clair);
    return m_actions.suitImage(ok, chemin, erreur);
}

void OutilsGraphe::menuEnregistrerImage() {
    m_actions.menuEnregistrerImage(fichierAffiche(), [this](const QString& c, const QString& f) {
        return enregistreImage(c, f);
    });
}

void OutilsGraphe::imprime(QPrinter& imprimante) {
    QPainter p(&imprimante);
    const QRectF page = p.viewport();
    graph::dessineGraphe(p, QRectF(page.left(), page.top(), page.width(), page.height() * 0.6),
                         m_vue.vue(), legendes(), m_clair);
}

void OutilsGraphe::menuImprimer() {
    m_actions.menuImprimer([this](QPrinter& p) { imprime(p); });
}

ui::FenetreStatistiques* OutilsGraphe::statistiques() const {
    return m_statistiques;
}

void OutilsGraphe::montreStatistiques() {
    if (!m_statistiques)
        m_statistiques = new ui::FenetreStatistiques(m_fenetre);
    actualiseStatistiques();
    m_statistiques->show();
    m_statistiques->raise();
    m_statistiques->activateWindow();
}

QString OutilsGraphe::texteAlarmes(qint64 a, qint64 b) const {
    // Each alarm lasts from its event to the next end of alarm (or the last sample).
    const std::vector<core::Evenement>& ev = m_poste.journal.evenements();
    const qint64 n = m_moteur.magasin().NbMesures();
    int nombre = 0;
    qint64 secondes = 0;
    for (size_t k = 0; k < ev.size(); ++k) {
        if (ev[k].type != QString::fromUtf8(core::Evenement::kAlarme))
            continue;
        qint64 fin = n;
        for (size_t l = k + 1; l < ev.size(); ++l)
            if (ev[l].type == QString::fromUtf8(core::Evenement::kFinAlarme) ||
                ev[l].type == QString::fromUtf8(core::Evenement::kArret)) {
                fin = ev[l].numero;
                break;
            }
        const qint64 de = std::max(ev[k].numero, a), jusque = std::min(fin, b);
        if (ev[k].numero >= a && ev[k].numero <= b)
            ++nombre;
        const QDateTime t0 = instant(de), t1 = instant(jusque);
        if (jusque > de && t0.isValid() && t1.isValid())
            secondes += std::max<qint64>(0, t0.secsTo(t1));
    }
    if (nombre == 0 && secondes == 0)
        return QStringLiteral("0");
    return QStringLiteral("%1 (en alarme %2:%3:%4)")
        .arg(nombre)
        .arg(secondes / 3600, 2, 10, QLatin1Char('0'))
        .arg((secondes / 60) % 60, 2, 10, QLatin1Char('0'))
        .arg(secondes % 60, 2, 10, QLatin1Char('0'));
}

void OutilsGraphe::actualiseStatistiques() {
    if (!m_statistiques)
        return;
    const core::Magasin& m = m_moteur.magasin();
    const graph::Visibles v = m_vue.visibles();
    m_statistiques->afficheMagasin(m, m_moteur.etalonnage(), v.premier, v.dernier,
                                   [this](qint64 i) { return quand(i); });
    m_statistiques->afficheAlarmes(texteAlarmes(1, m.NbMesures()),
                                   texteAlarmes(v.premier, v.dernier));
}

} // namespace app
