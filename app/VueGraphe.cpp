#include "app/VueGraphe.h"

#include "core/Horodatage.h"
#include "graph/Geometrie.h"
#include "graph/ModeleListe.h"

#include <QCoreApplication>
#include <QSignalBlocker>

#include <climits>
#include <cmath>

namespace app {

namespace {

// A picture box as the axes computation needs it, in window twips.
graph::BoiteImage boite(const QFrame* f) {
    const double t = graph::twipsParPixel();
    graph::BoiteImage b;
    b.gauche = static_cast<float>(f->x() * t);
    b.haut = static_cast<float>(f->y() * t);
    b.largeurExt = static_cast<float>(f->width() * t);
    b.hauteurExt = static_cast<float>(f->height() * t);
    b.largeurInt = static_cast<float>(f->contentsRect().width() * t);
    b.hauteurInt = static_cast<float>(f->contentsRect().height() * t);
    return b;
}

} // namespace

VueGraphe::VueGraphe(Poste& poste, const ui::EnregistreurUi& ui, graph::ModeleListe* liste,
                     QObject* parent)
    : QObject(parent), m_poste(poste), m_moteur(poste.moteur), m_ui(ui), m_liste(liste) {
    m_infoVue = m_ui.Ecran1->etiquette(QStringLiteral("infoVue"), 2);
    m_masqueInfoVue.setSingleShot(true);
    m_masqueInfoVue.setInterval(2000);
    connect(&m_masqueInfoVue, &QTimer::timeout, m_infoVue, &QWidget::hide);
    connect(m_ui.Ecran1, &graph::Ecran::molette, this, &VueGraphe::surMolette);
    connect(m_ui.Ecran1, &graph::Ecran::toucheNavigation, this, &VueGraphe::surToucheGraphe);
}

void VueGraphe::trace_axes() {
    graph::Ecran* e = m_ui.Ecran1;
    e->setScaleHeight(255);
    e->setScaleWidth(360);
    const double t = graph::twipsParPixel();
    const float largeurExt = static_cast<float>(e->width() * t);
    const float hauteurExt = static_cast<float>(e->height() * t);
    // Outer height over (outer height over scale height): the scale height, 255,
    // computed in double so the stored single is exactly 255.
    m_HauteurEcran = static_cast<float>(static_cast<double>(hauteurExt) /
                                        (static_cast<double>(hauteurExt) / e->ScaleHeight()));
    e->placeLigneH(m_HauteurEcran / 2);
    e->placeLigneV(largeurExt / (largeurExt / e->ScaleWidth()) / 2);

    const graph::Axes a = graph::calculeAxes(boite(m_ui.Picture1), boite(m_ui.Picture2));
    for (int k = 1; k <= 9; ++k) {
        const auto i = static_cast<size_t>(k - 1);
        const QString numero = QStringLiteral(" %1 ").arg(k);
        m_ui.Picture1->Line(QPointF(a.tickX[i], 100), QPointF(a.tickX[i], 5));
        m_ui.surface->imprime(QPointF(a.etiquetteX[i], a.etiquetteBasY), numero);
        m_ui.Picture2->Line(QPointF(100, a.tickY[i]), QPointF(50, a.tickY[i]));
        m_ui.surface->imprime(QPointF(a.etiquetteDroiteX, a.tickY[i] >= 0 ? a.etiquetteY[i] : 0),
                              numero);
    }
}

void VueGraphe::raz() {
    m_liste->vide();
    m_ui.Ecran1->Cls();
}

void VueGraphe::affich() {
    const core::Magasin& m = m_moteur.magasin();
    const int z = std::max(1, m_ui.Slider1->value());
    const qint64 n = m.NbMesures();
    // With no sample the previous scale is kept: a width of 0 means nothing.
    if (n > 0)
        m_ui.Ecran1->setScaleWidth(static_cast<float>(graph::EtatVue::largeur(m, z)));
    // The list is refreshed in place (new lines inserted at the top) and the area
    // cleared before the trace.
    m_ui.Ecran1->Cls();
    m_liste->remplit(n, m.donneesChargees);
    m_ui.Text1->ajusteApresAjout();
    const bool enregistrement = m_moteur.etat() == engine::Etat::Enregistrement;
    m_ui.Ecran1->traceMagasin(&m, n, m_etat.DecalageY, m_HauteurEcran,
                              m_etat.debut(m, z, m_ui.Ecran1->ScaleWidth(), enregistrement));
    m_IndexPoint = n + 1;
    if (apresDessin)
        apresDessin();
}

void VueGraphe::surEchantillon(const core::Echantillon& e) {
    m_etat.suitEchantillon(e.numero, e.valeur.nombre(), m_ui.Ecran1->ScaleWidth());
    affich();
}

void VueGraphe::surEtat(engine::Etat avant, engine::Etat etat) {
    if (etat == engine::Etat::Chargement) {
        // A new file is first seen whole: neither the zoom nor the offsets left by
        // the previous one carry over.
        m_etat = graph::EtatVue();
        const QSignalBlocker bloque(m_ui.Slider1);
        m_ui.Slider1->setValue(1);
        raz();
    } else if (etat == engine::Etat::Enregistrement) {
        raz();
        // A range raised for a loaded file is that file's: a recording starts from
        // the usual one.
        if (m_plafondDuFichier) {
            m_etat.PlafondY = graph::EtatVue().PlafondY;
            m_etat.DecalageY = graph::EtatVue().DecalageY;
            m_plafondDuFichier = false;
        }
        m_etat.suitLaFin();
    } else if (avant == engine::Etat::Enregistrement && m_moteur.magasin().NbMesures() > 0) {
        // After a recording the view stays where it was: the next zoom or scroll
        // starts from what the user saw.
        placeDebut(m_ui.Ecran1->debut());
    }
}

void VueGraphe::ajouteMarque(const core::Evenement& e) {
    m_ui.Ecran1->ajouteMarque(graph::marquePour(e));
}

void VueGraphe::actualiseMarques() {
    std::vector<graph::Marque> marques;
    marques.reserve(m_poste.journal.evenements().size());
    for (const core::Evenement& e : m_poste.journal.evenements())
        marques.push_back(graph::marquePour(e));
    m_ui.Ecran1->setMarques(std::move(marques));
    m_ui.Ecran1->setLimites(graph::limitesBrutes(m_poste.alarme.reglage(), m_moteur.etalonnage()));
}

void VueGraphe::apresChargement() {
    const core::Magasin& m = m_moteur.magasin();
    m_ui.HScroll1->setRange(0, static_cast<int>(std::min<qint64>(m.NbMesures(), INT_MAX)));
    // A loaded file's highest value shows, as a recording's does: the range is
    // raised to it, never lowered.
    if (m.NbMesures() > 0) {
        const core::Statistiques st = m.statistiques(1, m.NbMesures());
        if (!st.extremes.vide() && st.extremes.max > m_etat.PlafondY) {
            m_etat.releve(st.extremes.max);
            m_plafondDuFichier = true;
        }
    }
}

void VueGraphe::zoom() {
    // A wheel turned while a file loads waits: the store is being filled.
    if (chargementEnCours())
        return;
    const int z = m_ui.Slider1->value();
    if (z > 1) {
        m_ui.HScroll1->setEnabled(true);
        // The new view keeps the middle of what the user saw.
        const core::Magasin& m = m_moteur.magasin();
        placeDebut(graph::EtatVue::debutAuZoom(m, z, m_ui.Ecran1->nbTrace() == m.NbMesures(),
                                               m_ui.Ecran1->debut(), m_ui.Ecran1->ScaleWidth()));
    } else {
        m_ui.HScroll1->setEnabled(false);
        m_ui.HScroll1->setValue(1);
    }
    // Lets a sampling tick that fell due meanwhile run before the redraw.
    QCoreApplication::processEvents();
    affich();
    montreVue();
}

void VueGraphe::defilement() {
    if (chargementEnCours())
        return;
    m_etat.DecalageX = m_ui.HScroll1->value();
    affich();
}

void VueGraphe::placeDebut(qint64 debut) {
    const qint64 n = m_moteur.magasin().NbMesures();
    debut = m_etat.place(m_moteur.magasin(), m_ui.Slider1->value(), debut);
    const QSignalBlocker bloque(m_ui.HScroll1);
    m_ui.HScroll1->setRange(0, static_cast<int>(std::min<qint64>(n, INT_MAX)));
    m_ui.HScroll1->setValue(static_cast<int>(std::min<qint64>(debut, INT_MAX)));
}

void VueGraphe::defileDe(qint64 echantillons) {
    if (chargementEnCours() || m_ui.Slider1->value() <= 1)
        return;
    placeDebut(m_ui.Ecran1->debut() + echantillons);
    affich();
    montreVue();
}

void VueGraphe::centreSur(qint64 numero) {
    if (chargementEnCours())
        return;
    placeDebut(numero - std::llround(m_ui.Ecran1->ScaleWidth() / 2.0));
    affich();
    montreVue();
}

void VueGraphe::surMolette(int pas, bool decalage) {
    if (decalage) {
        // A notch moves a tenth of what is shown.
        const qint64 dixieme = std::max<qint64>(1, std::llround(m_ui.Ecran1->ScaleWidth() / 10.0));
        defileDe(-pas * dixieme);
        return;
    }
    m_ui.Slider1->setValue(m_ui.Slider1->value() + pas);
}

void VueGraphe::surToucheGraphe(int touche) {
    const qint64 ecran = std::max<qint64>(1, std::llround(m_ui.Ecran1->ScaleWidth()));
    const qint64 n = m_moteur.magasin().NbMesures();
    switch (touche) {
    case Qt::Key_PageUp:
        defileDe(-ecran);
        break;
    case Qt::Key_PageDown:
        defileDe(ecran);
        break;
    case Qt::Key_Home:
        defileDe(-n);
        break;
    case Qt::Key_End:
        defileDe(n);
        break;
    default:
        break;
    }
}

graph::Vue VueGraphe::vue() const {
    graph::Vue v;
    v.magasin = &m_moteur.magasin();
    v.n = m_moteur.magasin().NbMesures();
    v.debut = m_ui.Ecran1->debut();
    v.largeurEchelle = m_ui.Ecran1->ScaleWidth();
    v.decalageY = m_etat.DecalageY;
    v.marques = m_ui.Ecran1->marques();
    v.limites = m_ui.Ecran1->limites();
    return v;
}

graph::Visibles VueGraphe::visibles() const {
    return graph::EtatVue::visibles(m_moteur.magasin(), m_ui.Ecran1->debut(),
                                    m_ui.Ecran1->ScaleWidth());
}

void VueGraphe::montreVue() {
    // Briefly, over the graph: the zoom and the span shown.
    const core::Magasin& m = m_moteur.magasin();
    const graph::Visibles v = visibles();
    if (v.dernier < v.premier)
        return;
    QString etendue;
    if (m.instantMs(v.premier) != 0 && m.instantMs(v.dernier) != 0)
        etendue = core::jourEnClair(m.TabDate(v.premier)) + QLatin1Char(' ') +
                  m.TabHeure(v.premier) + QStringLiteral(" → ") +
                  core::jourEnClair(m.TabDate(v.dernier)) + QLatin1Char(' ') +
                  m.TabHeure(v.dernier);
    else
        etendue = QStringLiteral("mesures %1 à %2").arg(v.premier).arg(v.dernier);
    m_infoVue->setText(QStringLiteral("Zoom ×%1 — %2").arg(m_ui.Slider1->value()).arg(etendue));
    m_infoVue->adjustSize();
    m_infoVue->move(m_ui.Ecran1->contentsRect().topLeft() + QPoint(2, 2));
    m_infoVue->show();
    m_infoVue->raise();
    m_masqueInfoVue.start();
}

} // namespace app
