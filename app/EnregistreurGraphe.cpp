// The main window's graph: frame and axes, redraw, zoom, scroll and toggle.
#include "Enregistreur.h"

#include "Geometrie.h"

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
    graph::Ecran* e = ui.Ecran1;
    e->setScaleHeight(255);
    e->setScaleWidth(360);
    const double t = graph::twipsParPixel();
    const float largeurExt = static_cast<float>(e->width() * t);
    const float hauteurExt = static_cast<float>(e->height() * t);
    e->setPosition(QPointF(largeurExt, hauteurExt));
    // Outer height over (outer height over scale height): the scale height, 255,
    // computed in double so the stored single is exactly 255.
    HauteurEcran = static_cast<float>(static_cast<double>(hauteurExt) /
                                      (static_cast<double>(hauteurExt) / e->ScaleHeight()));
    e->placeLigneH(HauteurEcran / 2);
    e->placeLigneV(largeurExt / (largeurExt / e->ScaleWidth()) / 2);

    const graph::Axes a = graph::calculeAxes(boite(ui.Picture1), boite(ui.Picture2));
    for (int k = 1; k <= 9; ++k) {
        const auto i = static_cast<size_t>(k - 1);
        const QString numero = QStringLiteral(" %1 ").arg(k);
        ui.Picture1->Line(QPointF(a.tickX[i], 100), QPointF(a.tickX[i], 5));
        ui.surface->imprime(QPointF(a.etiquetteX[i], a.etiquetteBasY), numero);
        ui.Picture2->Line(QPointF(100, a.tickY[i]), QPointF(50, a.tickY[i]));
        ui.surface->imprime(QPointF(a.etiquetteDroiteX, a.tickY[i] >= 0 ? a.etiquetteY[i] : 0),
                            numero);
    }
}

void Enregistreur::raz() {
    modeleListe->vide();
    ui.Ecran1->Cls();
    const double t = graph::twipsParPixel();
    ui.Ecran1->setPosition(QPointF(ui.Ecran1->width() * t, ui.Ecran1->height() * t));
}

int Enregistreur::debutVue() const {
    const int z = ui.Slider1->value();
    const int n = magasin.NbMesures;
    if (z <= 1 || n <= 0)
        return 0;
    const double largeur = ui.Ecran1->ScaleWidth();
    // While recording the newest sample stays in view.
    if (enregistrement())
        return std::max(0, n - static_cast<int>(std::floor(largeur)));
    return graph::debutVue(n, largeur, static_cast<int>(cycle.DecalageX));
}

void Enregistreur::affich() {
    const int z = std::max(1, ui.Slider1->value());
    const int n = magasin.NbMesures;
    // With no sample the previous scale is kept: a width of 0 means nothing.
    if (n > 0)
        ui.Ecran1->setScaleWidth(static_cast<float>(static_cast<double>(n) / z));
    // The list is refreshed in place (new lines inserted at the top), the area
    // cleared and the pen parked, as a full clear would leave them.
    ui.Ecran1->Cls();
    modeleListe->remplit(n, magasin.donneesChargees);
    ui.Ecran1->traceMagasin(&magasin, n, cycle.DecalageY, HauteurEcran, debutVue());
    IndexPoint = n + 1;
    ui.Ecran1->setPosition(QPointF(n, HauteurEcran - (magasin.valeur(n) - cycle.DecalageY)));
}

void Enregistreur::Slider1_Scroll() {
    // A wheel turned while a file loads waits: the store is being filled.
    if (m_chargement)
        return;
    const int z = ui.Slider1->value();
    if (z > 1) {
        ui.HScroll1->setEnabled(true);
    } else {
        ui.HScroll1->setEnabled(false);
        ui.HScroll1->setValue(1);
    }
    // Lets a sampling tick that fell due meanwhile run before the redraw.
    QCoreApplication::processEvents();
    affich();
}

void Enregistreur::defilement() {
    if (m_chargement)
        return;
    cycle.DecalageX = static_cast<int16_t>(ui.HScroll1->value());
    affich();
}

void Enregistreur::surMolette(int pas, bool decalage) {
    if (decalage) {
        if (ui.HScroll1->isEnabled())
            ui.HScroll1->setValue(ui.HScroll1->value() - pas * ui.HScroll1->singleStep());
        return;
    }
    ui.Slider1->setValue(ui.Slider1->value() + pas);
}

void Enregistreur::menuGraphe_Click() {
    if (m_chargement) {
        ui.menuGraphe->setChecked(m_largeurTwips > core::kLargeurEtroite);
        return;
    }
    if (m_largeurTwips == core::kLargeurLarge) {
        appliqueLargeur(core::kLargeurEtroite);
        ui.menuGraphe->setChecked(false);
    } else {
        ui.menuGraphe->setChecked(true);
        appliqueLargeur(core::kLargeurLarge);
    }
    reglages.LargeurFenetre = static_cast<int16_t>(m_largeurTwips);
    affiche_barre_titre();
    config.ecrit_config(reglages);
}

} // namespace app
