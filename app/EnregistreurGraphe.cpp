// The main window's graph: frame and axes, redraw, zoom, scroll and toggle.
#include "app/Enregistreur.h"

#include "graph/Geometrie.h"
#include "graph/ModeleListe.h"

#include <QApplication>
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

void Enregistreur::trace_axes() {
    graph::Ecran* e = m_ui.Ecran1;
    e->setScaleHeight(255);
    e->setScaleWidth(360);
    m_moteur->setLargeurEchelle(e->ScaleWidth());
    const double t = graph::twipsParPixel();
    const float largeurExt = static_cast<float>(e->width() * t);
    const float hauteurExt = static_cast<float>(e->height() * t);
    e->setPosition(QPointF(largeurExt, hauteurExt));
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

void Enregistreur::raz() {
    m_modeleListe->vide();
    m_ui.Ecran1->Cls();
    const double t = graph::twipsParPixel();
    m_ui.Ecran1->setPosition(QPointF(m_ui.Ecran1->width() * t, m_ui.Ecran1->height() * t));
}

qint64 Enregistreur::debutVue() const {
    const core::Magasin& m = m_moteur->magasin();
    const int z = m_ui.Slider1->value();
    const qint64 n = m.NbMesures();
    // Once the oldest samples have left the store, the view starts at the first kept.
    const qint64 bas = m.premier() > 1 ? m.premier() : 0;
    if (z <= 1 || n <= 0)
        return bas;
    const double largeur = m_ui.Ecran1->ScaleWidth();
    // While recording the newest sample stays in view, unless the user moved back.
    if (enregistrement() && m_suitFin)
        return bas + graph::debutVue(n - bas, largeur, n);
    return bas + graph::debutVue(n - bas, largeur,
                                 static_cast<qint64>(m_moteur->cycle().DecalageX) - bas);
}

void Enregistreur::affich() {
    const core::Magasin& m = m_moteur->magasin();
    const int z = std::max(1, m_ui.Slider1->value());
    const qint64 n = m.NbMesures();
    const qint64 bas = m.premier() > 1 ? m.premier() : 0;
    // With no sample the previous scale is kept: a width of 0 means nothing.
    if (n > 0) {
        m_ui.Ecran1->setScaleWidth(static_cast<float>(static_cast<double>(n - bas) / z));
        m_moteur->setLargeurEchelle(m_ui.Ecran1->ScaleWidth());
    }
    // The list is refreshed in place (new lines inserted at the top), the area
    // cleared and the pen parked, as a full clear would leave them.
    m_ui.Ecran1->Cls();
    m_modeleListe->remplit(n, m.donneesChargees);
    m_ui.Text1->ajusteApresAjout();
    m_ui.Ecran1->traceMagasin(&m, n, m_moteur->cycle().DecalageY, m_HauteurEcran, debutVue());
    m_IndexPoint = n + 1;
    actualiseStatistiques();
    m_ui.Ecran1->setPosition(QPointF(static_cast<double>(n),
                                     m_HauteurEcran - (m.valeur(n) - m_moteur->cycle().DecalageY)));
}

void Enregistreur::Slider1_Scroll() {
    // A wheel turned while a file loads waits: the store is being filled.
    if (chargementEnCours())
        return;
    const int z = m_ui.Slider1->value();
    if (z > 1) {
        m_ui.HScroll1->setEnabled(true);
        // The new view keeps the middle of what the user saw.
        const core::Magasin& m = m_moteur->magasin();
        const qint64 bas = m.premier() > 1 ? m.premier() : 0;
        const double largeur = static_cast<double>(m.NbMesures() - bas) / z;
        const bool vueAJour = m_ui.Ecran1->nbTrace() == m.NbMesures();
        const double milieu = vueAJour ? m_ui.Ecran1->debut() + m_ui.Ecran1->ScaleWidth() / 2.0
                                       : (bas + m.NbMesures()) / 2.0;
        placeDebut(static_cast<qint64>(std::llround(milieu - largeur / 2)));
    } else {
        m_ui.HScroll1->setEnabled(false);
        m_ui.HScroll1->setValue(1);
    }
    // Lets a sampling tick that fell due meanwhile run before the redraw.
    QCoreApplication::processEvents();
    affich();
    montreVue();
}

void Enregistreur::defilement() {
    if (chargementEnCours())
        return;
    m_moteur->cycle().DecalageX = m_ui.HScroll1->value();
    affich();
}

void Enregistreur::placeDebut(qint64 debut) {
    const core::Magasin& m = m_moteur->magasin();
    const qint64 n = m.NbMesures();
    const qint64 bas = m.premier() > 1 ? m.premier() : 0;
    const double largeur = static_cast<double>(n - bas) / std::max(1, m_ui.Slider1->value());
    const qint64 fin = bas + graph::debutVue(n - bas, largeur, n);
    debut = std::clamp(debut, bas, fin);
    // During a recording the view follows the newest sample again once it is
    // brought back to the end.
    m_suitFin = debut >= fin;
    m_moteur->cycle().DecalageX = static_cast<double>(debut);
    const QSignalBlocker bloque(m_ui.HScroll1);
    m_ui.HScroll1->setRange(0, static_cast<int>(std::min<qint64>(n, INT_MAX)));
    m_ui.HScroll1->setValue(static_cast<int>(std::min<qint64>(debut, INT_MAX)));
}

void Enregistreur::defileDe(qint64 echantillons) {
    if (chargementEnCours() || m_ui.Slider1->value() <= 1)
        return;
    placeDebut(m_ui.Ecran1->debut() + echantillons);
    affich();
    montreVue();
}

void Enregistreur::surMolette(int pas, bool decalage) {
    if (decalage) {
        // A notch moves a tenth of what is shown.
        const qint64 dixieme = std::max<qint64>(1, std::llround(m_ui.Ecran1->ScaleWidth() / 10.0));
        defileDe(-pas * dixieme);
        return;
    }
    m_ui.Slider1->setValue(m_ui.Slider1->value() + pas);
}

void Enregistreur::surToucheGraphe(int touche) {
    const qint64 ecran = std::max<qint64>(1, std::llround(m_ui.Ecran1->ScaleWidth()));
    const qint64 n = m_moteur->magasin().NbMesures();
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

void Enregistreur::montreVue() {
    // Briefly, over the graph: the zoom and the span shown.
    const core::Magasin& m = m_moteur->magasin();
    const qint64 debut = std::max<qint64>(m_ui.Ecran1->debut(), 1);
    const qint64 fin = std::min<qint64>(m.NbMesures(), m_ui.Ecran1->debut() +
                                                           std::llround(m_ui.Ecran1->ScaleWidth()));
    if (fin < debut)
        return;
    QString etendue;
    if (m.instantMs(debut) != 0 && m.instantMs(fin) != 0)
        etendue = m.TabDate(debut) + QLatin1Char(' ') + m.TabHeure(debut) + QStringLiteral(" → ") +
                  m.TabDate(fin) + QLatin1Char(' ') + m.TabHeure(fin);
    else
        etendue = QStringLiteral("mesures %1 à %2").arg(debut).arg(fin);
    m_infoVue->setText(QStringLiteral("Zoom ×%1 — %2").arg(m_ui.Slider1->value()).arg(etendue));
    m_infoVue->adjustSize();
    m_infoVue->move(m_ui.Ecran1->contentsRect().topLeft() + QPoint(2, 2));
    m_infoVue->show();
    m_infoVue->raise();
    m_masqueInfoVue.start();
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

} // namespace app
