#pragma once

#include "graph/BandeGraduee.h"
#include "graph/Ecran.h"
#include "graph/ListeMesures.h"
#include "ui/Led.h"
#include "ui/SurfaceFenetre.h"

#include <QAction>
#include <QFrame>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>

namespace ui {

/// Client height of the main window below its menu bar, twips (outer height 4400).
constexpr int kHauteurClient = 3735;
/// Twips the window frame takes from the outer width (7890 outer, 7800 client).
constexpr int kBordsLargeur = 90;

/// Places a widget at a position and size given in twips.
void place(QWidget* w, int gauche, int haut, int largeur, int hauteur);

/// Every control, menu and entry of the main window.
struct EnregistreurUi {
    SurfaceFenetre* surface = nullptr;
    QLabel* Label1 = nullptr;
    graph::ListeMesures* Text1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QFrame* Frame1 = nullptr;
    QPushButton* CmdRecord = nullptr;
    Led* Frame2 = nullptr;
    graph::Ecran* Ecran1 = nullptr;
    graph::BandeGraduee* Picture1 = nullptr;
    graph::BandeGraduee* Picture2 = nullptr;
    QSlider* Slider1 = nullptr;
    QScrollBar* HScroll1 = nullptr;
    /// Non-modal notice over the bottom of the list (write failures, absent source),
    /// in a frame that scrolls when the text is taller than the list.
    QLabel* bandeau = nullptr;
    QScrollArea* cadreBandeau = nullptr;
    /// Places the notice frame over the bottom of the list, as tall as its text
    /// needs and at most as tall as the list.
    void ajusteBandeau();

    QMenu* menu_fichier = nullptr;
    QAction* menu_nouveau = nullptr;
    QAction* menu_charger = nullptr;
    QMenu* menu_option = nullptr;
    QAction* menuGraphe = nullptr;
    QAction* menuReglage = nullptr;
    QMenu* menu_intero = nullptr;
    QAction* menu_aide = nullptr;
    QAction* menu_apropos = nullptr;

    void setupUi(QMainWindow* fenetre);
};

} // namespace ui
