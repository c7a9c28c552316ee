#include "ui/EnregistreurUi.h"

#include "graph/Couleurs.h"
#include "graph/Geometrie.h"
#include "ui/Images.h"
#include "ui/Polices.h"

#include <QMenuBar>

namespace ui {

void place(QWidget* w, int gauche, int haut, int largeur, int hauteur) {
    w->setGeometry(graph::px(gauche), graph::px(haut), graph::px(largeur), graph::px(hauteur));
}

namespace {

QLabel* afficheur(QWidget* parent, const QString& texte, const QFont& police) {
    auto* l = new QLabel(texte, parent);
    l->setAutoFillBackground(true);
    QPalette pal = l->palette();
    pal.setColor(QPalette::Window, QColor(0, 0, 0));
    pal.setColor(QPalette::WindowText, QColor(192, 0, 0));
    l->setPalette(pal);
    l->setFrameStyle(QFrame::Box | QFrame::Plain);
    l->setLineWidth(1);
    l->setAlignment(Qt::AlignCenter);
    l->setFont(police);
    return l;
}

} // namespace

void EnregistreurUi::ajusteBandeau() {
    // Over the bottom of the list, inside its frame.
    const QRect liste =
        Text1->geometry().adjusted(2, 2, -2 - Text1->verticalScrollBar()->sizeHint().width(), -2);
    const int cadre = 2 * cadreBandeau->frameWidth();
    const int texte = bandeau->heightForWidth(liste.width() - cadre);
    const int hauteur = std::min(liste.height(), texte + cadre);
    cadreBandeau->setGeometry(liste.left(), liste.bottom() + 1 - hauteur, liste.width(), hauteur);
    cadreBandeau->setVerticalScrollBarPolicy(
        texte + cadre > liste.height() ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    // The lines it covers scroll above it.
    Text1->reserveBas(bandeau->text().isEmpty() ? 0 : hauteur);
}

void EnregistreurUi::setupUi(QMainWindow* fenetre) {
    fenetre->setObjectName(QStringLiteral("Enregistreur"));
    fenetre->setWindowTitle(QStringLiteral("Plovar"));
    fenetre->setWindowIcon(iconeApplication());
    fenetre->setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                            Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                            Qt::CustomizeWindowHint);

    surface = new SurfaceFenetre(fenetre);
    surface->setObjectName(QStringLiteral("surface"));
    fenetre->setCentralWidget(surface);

    Label1 = new QLabel(QStringLiteral("     N° Record - Valeur - Date - Time"), surface);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setAutoFillBackground(true);
    {
        QPalette pal = Label1->palette();
        pal.setColor(QPalette::Window, graph::couleurs::bordureActive());
        pal.setColor(QPalette::WindowText, graph::couleurs::texteFenetre());
        Label1->setPalette(pal);
    }
    place(Label1, 120, 120, 3015, 255);

    Text1 = new graph::ListeMesures(surface);
    Text1->setObjectName(QStringLiteral("Text1"));
    place(Text1, 120, 360, 3255, 2415);

    Label2 = afficheur(surface, QStringLiteral("00.00"), policeSansSerif(9.75));
    Label2->setObjectName(QStringLiteral("Label2"));
    place(Label2, 240, 2880, 855, 295);

    Label3 = afficheur(surface, QStringLiteral("Valeur"), policeSansSerif(12, true));
    Label3->setObjectName(QStringLiteral("Label3"));
    place(Label3, 240, 3240, 855, 375);

    Frame1 = new QFrame(surface);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setFrameStyle(QFrame::Box | QFrame::Sunken);
    place(Frame1, 1200, 2760, 2055, 855);

    CmdRecord = new QPushButton(QStringLiteral(" Record   Start"), Frame1);
    CmdRecord->setObjectName(QStringLiteral("CmdRecord"));
    CmdRecord->setAutoDefault(false);
    place(CmdRecord, 240, 240, 1215, 495);

    Frame2 = new Led(Frame1);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    place(Frame2, 1560, 240, 375, 480);

    Ecran1 = new graph::Ecran(surface);
    Ecran1->setObjectName(QStringLiteral("Ecran1"));
    place(Ecran1, 3600, 120, 3495, 2655);

    Picture1 = new graph::BandeGraduee(surface);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    place(Picture1, 3600, 2880, 3495, 255);

    Picture2 = new graph::BandeGraduee(surface);
    Picture2->setObjectName(QStringLiteral("Picture2"));
    place(Picture2, 7200, 120, 255, 2655);

    Slider1 = new QSlider(Qt::Horizontal, surface);
    Slider1->setObjectName(QStringLiteral("Slider1"));
    Slider1->setRange(0, 10);
    Slider1->setSingleStep(1);
    Slider1->setPageStep(5);
    Slider1->setTickInterval(1);
    Slider1->setTickPosition(QSlider::TicksBelow);
    Slider1->setValue(0);
    place(Slider1, 3600, 3720, 3495, 255);
    Slider1->hide();

    HScroll1 = new QScrollBar(Qt::Horizontal, surface);
    HScroll1->setObjectName(QStringLiteral("HScroll1"));
    // The scroll position counts samples from the start; Qt keeps ranges ordered,
    // so the range runs 0..32767.
    HScroll1->setRange(0, 32767);
    HScroll1->setSingleStep(10);
    HScroll1->setValue(0);
    HScroll1->setEnabled(false);
    place(HScroll1, 2760, 4320, 4815, 135);
    HScroll1->hide();

    cadreBandeau = new QScrollArea(surface);
    cadreBandeau->setObjectName(QStringLiteral("cadreBandeau"));
    cadreBandeau->setFrameStyle(QFrame::Box | QFrame::Plain);
    cadreBandeau->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    cadreBandeau->setWidgetResizable(true);
    cadreBandeau->setFocusPolicy(Qt::NoFocus);
    bandeau = new QLabel;
    bandeau->setObjectName(QStringLiteral("bandeau"));
    bandeau->setWordWrap(true);
    bandeau->setAutoFillBackground(true);
    bandeau->setMargin(2);
    bandeau->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    {
        QPalette pal = bandeau->palette();
        pal.setColor(QPalette::Window, QColor(255, 240, 160));
        pal.setColor(QPalette::WindowText, QColor(0, 0, 0));
        bandeau->setPalette(pal);
    }
    cadreBandeau->setWidget(bandeau);
    place(cadreBandeau, 150, 2040, 2880, 705);
    cadreBandeau->hide();

    // Tab cycle: list, drawing area, the two strips, record button.
    QWidget::setTabOrder(Text1, Ecran1);
    QWidget::setTabOrder(Ecran1, Picture1);
    QWidget::setTabOrder(Picture1, Picture2);
    QWidget::setTabOrder(Picture2, CmdRecord);
    Slider1->setFocusPolicy(Qt::NoFocus);
    HScroll1->setFocusPolicy(Qt::NoFocus);
    Text1->setFocus();

    QMenuBar* barre = fenetre->menuBar();
    menu_fichier = barre->addMenu(QStringLiteral("Fichier"));
    menu_fichier->setObjectName(QStringLiteral("menu_fichier"));
    menu_nouveau = menu_fichier->addAction(QStringLiteral("Nouvel Enregistrement"));
    menu_nouveau->setObjectName(QStringLiteral("menu_nouveau"));
    menu_fichier->addSeparator()->setObjectName(QStringLiteral("menusepar1"));
    menu_charger = menu_fichier->addAction(QStringLiteral("Visualiser Enregistrement"));
    menu_charger->setObjectName(QStringLiteral("menu_charger"));

    menu_option = barre->addMenu(QStringLiteral("Option"));
    menu_option->setObjectName(QStringLiteral("menu_option"));
    menuGraphe = menu_option->addAction(QStringLiteral("Graphe on/off"));
    menuGraphe->setObjectName(QStringLiteral("menuGraphe"));
    menuGraphe->setCheckable(true);
    menu_option->addSeparator()->setObjectName(QStringLiteral("separ1"));
    menuReglage = menu_option->addAction(QStringLiteral("Réglages"));
    menuReglage->setObjectName(QStringLiteral("menuReglage"));

    menu_intero = barre->addMenu(QStringLiteral("?"));
    menu_intero->setObjectName(QStringLiteral("menu_intero"));
    menu_aide = menu_intero->addAction(QStringLiteral("Aide"));
    menu_aide->setObjectName(QStringLiteral("menu_aide"));
    menu_aide->setEnabled(false);
    menu_apropos = menu_intero->addAction(QStringLiteral("à Propos"));
    menu_apropos->setObjectName(QStringLiteral("menu_apropos"));
}

} // namespace ui
