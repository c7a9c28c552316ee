// The graph as a tool: readout under the pointer, context menu, image export,
// printing and statistics.
#include "app/Enregistreur.h"

#include "files/CodecEnr.h"
#include "files/ExportMesures.h"
#include "graph/RenduGraphe.h"
#include "ui/Dialogues.h"
#include "ui/FenetreStatistiques.h"

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

namespace {

// A French number: decimal comma, no thousands separator, as the calibrated values.
QString nombreFrancais(double v, int decimales) {
    // Never "-0,00".
    if (std::round(v * std::pow(10.0, decimales)) == 0)
        v = 0;
    QString t = QString::number(v, 'f', decimales);
    t.replace(QLatin1Char('.'), QLatin1Char(','));
    return t;
}

} // namespace

graph::Vue Enregistreur::vueCourante() const {
    graph::Vue v;
    v.magasin = &m_moteur->magasin();
    v.n = m_moteur->magasin().NbMesures();
    v.debut = m_ui.Ecran1->debut();
    v.largeurEchelle = m_ui.Ecran1->ScaleWidth();
    v.decalageY = m_moteur->cycle().DecalageY;
    return v;
}

QString Enregistreur::quand(qint64 i) const {
    const core::Magasin& m = m_moteur->magasin();
    if (m.instantMs(i) != 0)
        return m.TabDate(i) + QLatin1Char(' ') + m.TabHeure(i);
    // A loaded line keeps its own date and time fields, when it has them.
    const QByteArray ligne = m.LignesFichier(i).toLatin1();
    const files::ChampsEnr champs = files::champsEnr(ligne);
    if (champs.heure.isEmpty() && champs.date.isEmpty())
        return {};
    return QString::fromLatin1(champs.date) + QLatin1Char(' ') + QString::fromLatin1(champs.heure);
}

QDateTime Enregistreur::instant(qint64 i) const {
    const core::Magasin& m = m_moteur->magasin();
    if (m.instantMs(i) != 0)
        return QDateTime::fromMSecsSinceEpoch(m.instantMs(i));
    const QByteArray ligne = m.LignesFichier(i).toLatin1();
    const files::ChampsEnr champs = files::champsEnr(ligne);
    const files::DateHeureEnr d = files::dateHeureEnr(champs.date, champs.heure);
    return d.valide() ? QDateTime(d.date, d.heure) : QDateTime();
}

QString Enregistreur::texteSousPointeur(int x) const {
    const std::optional<core::Statistiques> st =
        graph::sousPointeur(vueCourante(), x, m_ui.Ecran1->zone().width());
    if (!st)
        return {};
    const core::Magasin& m = m_moteur->magasin();
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

void Enregistreur::surSurvol(int x, QPoint position) {
    const QString texte = x >= 0 ? texteSousPointeur(x) : QString();
    if (texte.isEmpty()) {
        m_lecture->hide();
        return;
    }
    m_lecture->setText(texte);
    m_lecture->adjustSize();
    // Beside the pointer, kept inside the area.
    const QRect z = m_ui.Ecran1->zone();
    QPoint p = position + QPoint(12, 12);
    if (p.x() + m_lecture->width() > z.right())
        p.setX(std::max(z.left(), position.x() - 12 - m_lecture->width()));
    if (p.y() + m_lecture->height() > z.bottom())
        p.setY(z.bottom() - m_lecture->height());
    m_lecture->move(p);
    m_lecture->show();
    m_lecture->raise();
}

void Enregistreur::surMenuGraphe(QPoint global) {
    QMenu menu(this);
    menu.addAction(QStringLiteral("Copier l'image"), this, &Enregistreur::copieImage);
    menu.addAction(QStringLiteral("Enregistrer l'image…"), this,
                   &Enregistreur::menuEnregistrerImage);
    menu.addAction(QStringLiteral("Imprimer…"), this, &Enregistreur::menuImprimer);
    menu.addAction(QStringLiteral("Étalonnage…"), this, &Enregistreur::menuEtalonnage);
    menu.addAction(QStringLiteral("Exporter les mesures…"), this, &Enregistreur::menuExporter);
    menu.addAction(QStringLiteral("Statistiques…"), this, &Enregistreur::montreStatistiques);
    menu.exec(global);
}

QStringList Enregistreur::legendes() const {
    const graph::Vue v = vueCourante();
    const qint64 premier = std::max<qint64>(v.debut, 1);
    const qint64 dernier =
        std::min<qint64>(v.n, v.debut + static_cast<qint64>(std::llround(v.largeurEchelle)));
    QStringList l;
    l << QDir::toNativeSeparators(fichierAffiche());
    if (dernier < premier)
        return l;
    const QString q0 = quand(premier), q1 = quand(dernier);
    l << (q0.isEmpty() ? QStringLiteral("Mesures %1 à %2").arg(premier).arg(dernier)
                       : QStringLiteral("Du %1 au %2").arg(q0, q1));
    const core::Statistiques st = v.magasin->statistiques(premier, dernier);
    l << QStringLiteral("Minimum %1, maximum %2")
             .arg(texteValeur(st.extremes.min, false), texteValeur(st.extremes.max, false));
    return l;
}

QString Enregistreur::fichierAffiche() const {
    return m_fichierAffiche.isEmpty() ? m_moteur->cheminEnr() : m_fichierAffiche;
}

QString Enregistreur::texteValeur(double brute, bool avecBrute) const {
    const core::Etalonnage& e = m_moteur->etalonnage();
    const QString nombre = QString::number(brute, 'g', 6);
    if (!e.actif)
        return nombre;
    return avecBrute ? QStringLiteral("%1 [%2]").arg(e.texte(brute), nombre) : e.texte(brute);
}

void Enregistreur::menuEtalonnage() {
    core::Etalonnage actuel = m_moteur->etalonnage();
    for (;;) {
        const std::optional<core::Etalonnage> choisi = m_dialogues->etalonnage(this, actuel);
        if (!choisi)
            return;
        QString erreur;
        if (m_moteur->choisitEtalonnage(*choisi, &erreur)) {
            if (!erreur.isEmpty())
                m_dialogues->avertissement(this, erreur.left(1).toUpper() + erreur.mid(1) + '.');
            actualiseStatistiques();
            return;
        }
        // Refused: the dialog comes back with what was typed.
        m_dialogues->avertissement(this, QStringLiteral("Étalonnage impossible : %1.").arg(erreur));
        actuel = *choisi;
    }
}

bool Enregistreur::exporteMesures(const QString& chemin, bool partieVisible) {
    const core::Magasin& m = m_moteur->magasin();
    const graph::Vue v = vueCourante();
    const qint64 a = partieVisible ? std::max<qint64>(v.debut, 1) : 1;
    const qint64 b = partieVisible
                         ? std::min<qint64>(m.NbMesures(), v.debut + std::llround(v.largeurEchelle))
                         : m.NbMesures();
    // A large export shows its progress and can be stopped.
    QProgressDialog progression(QStringLiteral("Export des mesures…"), QStringLiteral("Annuler"), 0,
                                1000, this);
    progression.setWindowTitle(QString::fromLatin1(ui::kTitreApplication));
    progression.setWindowModality(Qt::WindowModal);
    progression.setMinimumDuration(500);
    QString erreur;
    const bool ok = files::exporteMesures(
        chemin, m, a, b, m_moteur->etalonnage(),
        [&](qint64 fait, qint64 total) {
            progression.setValue(total > 0 ? static_cast<int>(fait * 1000 / total) : 1000);
            QCoreApplication::processEvents();
            return !progression.wasCanceled() && !m_annuleExport;
        },
        &erreur);
    if (!ok && !erreur.isEmpty())
        m_dialogues->avertissement(this, QStringLiteral("Impossible d'exporter les mesures dans "
                                                        "%1 : %2.")
                                             .arg(QDir::toNativeSeparators(chemin), erreur));
    return ok;
}

void Enregistreur::menuExporter() {
    const QString base = QFileInfo(fichierAffiche()).completeBaseName();
    bool visible = false;
    const QString chemin =
        m_dialogues->fichierExport(this, base + QStringLiteral("_export.csv"), &visible);
    if (!chemin.isEmpty())
        exporteMesures(chemin, visible);
}

void Enregistreur::copieImage() {
    QImage image(1200, 500, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    graph::dessineGraphe(p, QRectF(8, 8, 1184, 484), vueCourante());
    p.end();
    QGuiApplication::clipboard()->setImage(image);
}

bool Enregistreur::enregistreImage(const QString& chemin, const QString& filtre) {
    QString erreur;
    if (graph::exporteImage(chemin, graph::formatImage(chemin, filtre), vueCourante(), legendes(),
                            &erreur))
        return true;
    m_dialogues->avertissement(this, QStringLiteral("Impossible d'enregistrer l'image dans %1 : "
                                                    "%2.")
                                         .arg(QDir::toNativeSeparators(chemin), erreur));
    return false;
}

void Enregistreur::menuEnregistrerImage() {
    const QString base = QFileInfo(fichierAffiche()).completeBaseName();
    QString filtre;
    const QString chemin = m_dialogues->fichierImage(this, base + QStringLiteral(".png"), &filtre);
    if (!chemin.isEmpty())
        enregistreImage(chemin, filtre);
}

void Enregistreur::imprime(QPrinter& imprimante) {
    QPainter p(&imprimante);
    const QRectF page = p.viewport();
    graph::dessineGraphe(p, QRectF(page.left(), page.top(), page.width(), page.height() * 0.6),
                         vueCourante(), legendes());
}

void Enregistreur::menuImprimer() {
    QPrinter imprimante;
    imprimante.setPageOrientation(QPageLayout::Landscape);
    QPrintDialog d(&imprimante, this);
    d.setWindowTitle(QStringLiteral("Imprimer le graphe"));
    if (d.exec() == QDialog::Accepted)
        imprime(imprimante);
}

void Enregistreur::montreStatistiques() {
    if (!m_statistiques)
        m_statistiques = new ui::FenetreStatistiques(this);
    actualiseStatistiques();
    m_statistiques->show();
    m_statistiques->raise();
    m_statistiques->activateWindow();
}

void Enregistreur::actualiseStatistiques() {
    if (!m_statistiques)
        return;
    const core::Magasin& m = m_moteur->magasin();
    const graph::Vue v = vueCourante();
    const core::Statistiques tout = m.statistiques(1, m.NbMesures());
    const core::Statistiques visible =
        m.statistiques(std::max<qint64>(v.debut, 1),
                       v.debut + static_cast<qint64>(std::llround(v.largeurEchelle)));
    m_statistiques->affiche(
        tout, visible, [this](qint64 i) { return quand(i); },
        [this](double v) {
            const core::Etalonnage& e = m_moteur->etalonnage();
            return e.actif ? e.texte(v) : nombreFrancais(v, 2);
        },
        [this](double ecart) {
            // A spread is a difference: it goes through the calibration's slope only.
            const core::Etalonnage& e = m_moteur->etalonnage();
            if (!e.actif)
                return nombreFrancais(ecart, 2);
            core::Etalonnage pente = e;
            pente.physique1 = 0;
            pente.physique2 = std::abs(e.physique2 - e.physique1);
            pente.brut2 = pente.brut1 + std::abs(e.brut2 - e.brut1);
            return pente.texte(pente.brut1 + ecart);
        },
        [this](qint64 a, qint64 b) {
            const QDateTime debut = instant(a), fin = instant(b);
            if (!debut.isValid() || !fin.isValid() || fin < debut)
                return QStringLiteral("inconnue (dates illisibles ou dans le désordre)");
            const qint64 s = debut.secsTo(fin);
            return QStringLiteral("%1 j %2:%3:%4")
                .arg(s / 86400)
                .arg((s / 3600) % 24, 2, 10, QLatin1Char('0'))
                .arg((s / 60) % 60, 2, 10, QLatin1Char('0'))
                .arg(s % 60, 2, 10, QLatin1Char('0'));
        });
}

} // namespace app
