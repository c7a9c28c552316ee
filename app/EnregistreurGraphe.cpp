// The main window's graph: frame and axes, redraw, zoom, scroll and toggle.
#include "app/Enregistreur.h"

#include "graph/Geometrie.h"
#include "graph/ModeleListe.h"

#include <QApplication>

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
    // While recording the newest sample stays in view.
    if (enregistrement())
        return std::max<qint64>(bas, n - static_cast<qint64>(std::floor(largeur)));
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
    m_ui.Text1->ajusteRangees();
    m_ui.Ecran1->traceMagasin(&m, n, m_moteur->cycle().DecalageY, m_HauteurEcran, debutVue());
    m_IndexPoint = n + 1;
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
    } else {
        m_ui.HScroll1->setEnabled(false);
        m_ui.HScroll1->setValue(1);
    }
    // Lets a sampling tick that fell due meanwhile run before the redraw.
    QCoreApplication::processEvents();
    affich();
}

void Enregistreur::defilement() {
    if (chargementEnCours())
        return;
    m_moteur->cycle().DecalageX = static_cast<int16_t>(m_ui.HScroll1->value());
    affich();
}

void Enregistreur::surMolette(int pas, bool decalage) {
    if (decalage) {
        if (m_ui.HScroll1->isEnabled())
            m_ui.HScroll1->setValue(m_ui.HScroll1->value() - pas * m_ui.HScroll1->singleStep());
        return;
    }
    m_ui.Slider1->setValue(m_ui.Slider1->value() + pas);
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
