#include "ui/FormOptionUi.h"

#include "graph/Couleurs.h"
#include "graph/Geometrie.h"
#include "ui/EnregistreurUi.h"
#include "ui/Images.h"

#include <QPainter>

namespace ui {

Trait::Trait(const QColor& couleur, QWidget* parent) : QWidget(parent), m_couleur(couleur) {}

void Trait::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), m_couleur);
}

namespace {

QGroupBox* cadre(QWidget* parent, const QString& titre, int g, int h, int l, int ht) {
    auto* f = new QGroupBox(titre, parent);
    place(f, g, h, l, ht);
    // A frame that reads as one: a visible border in the palette's darker shade, its
    // caption on the border line.
    f->setStyleSheet(QStringLiteral(
        "QGroupBox { border: 1px solid palette(dark); border-radius: 3px; margin-top: 0.6em; }"
        "QGroupBox::title { subcontrol-origin: margin; left: 6px; padding: 0 2px; }"
        "QGroupBox:disabled { border-color: palette(mid); }"));
    return f;
}

QRadioButton* option(QWidget* parent, const QString& texte, int g, int h, int l, int ht) {
    auto* o = new QRadioButton(texte, parent);
    place(o, g, h, l, ht);
    // A caption wider than its button (the Linux fonts are wider than the ones the
    // sizes were chosen for) may use the free room up to the frame's edge rather
    // than be cut.
    const int libre = parent->width() - o->x() - graph::px(60);
    if (o->sizeHint().width() > o->width())
        o->resize(std::max(o->width(), std::min(o->sizeHint().width(), libre)), o->height());
    // Still too wide: wrap onto a second line when the button is tall enough.
    // Before a bracket when there is one, so that "(clavier +/-)" stays together.
    const int crochet = texte.lastIndexOf(QStringLiteral(" ("));
    const int espace = crochet > 0 ? crochet : texte.lastIndexOf(QLatin1Char(' '));
    if (o->sizeHint().width() > o->width() && espace > 0 &&
        o->height() >= 2 * o->fontMetrics().height()) {
        QString deuxLignes = texte;
        deuxLignes[espace] = QLatin1Char('\n');
        o->setText(deuxLignes);
    }
    return o;
}

QLineEdit* boite(QWidget* parent, const QString& texte, int g, int h, int l, int ht) {
    auto* t = new QLineEdit(texte, parent);
    t->setAlignment(Qt::AlignCenter);
    t->setEnabled(false);
    place(t, g, h, l, ht);
    return t;
}

} // namespace

void FormOptionUi::setupUi(QDialog* d) {
    d->setObjectName(QStringLiteral("Form_option"));
    d->setWindowTitle(QStringLiteral("   Réglages"));
    d->setWindowIcon(iconeApplication());
    d->setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                      Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);
    d->setFixedSize(graph::px(4800), graph::px(3705));

    Frame1 = cadre(d, QStringLiteral("Time Rec"), 120, 120, 975, 3015);
    struct Ligne {
        const char* texte;
        int largeur;
        const char* bulle;
    };
    const std::array<Ligne, 10> lignes{{{"1\"", 495, "8h record"},
                                        {"10\"", 615, "17h record"},
                                        {"1 '", 615, "2days record"},
                                        {"15 '", 615, "3days record"},
                                        {"30 '", 615, "7days record"},
                                        {"1h", 495, "22 days record"},
                                        {"3h", 495, nullptr},
                                        {"6h", 495, nullptr},
                                        {"12h", 615, nullptr},
                                        {"24h", 615, nullptr}}};
    groupeCadence = new QButtonGroup(d);
    for (int i = 1; i <= 10; ++i) {
        const Ligne& l = lignes[static_cast<size_t>(i - 1)];
        auto* o = option(Frame1, QString::fromUtf8(l.texte), 240, 120 + 240 * i, l.largeur, 255);
        o->setObjectName(QStringLiteral("Option1_%1").arg(i));
        if (l.bulle)
            o->setToolTip(QString::fromUtf8(l.bulle));
        Option1[static_cast<size_t>(i)] = o;
        groupeCadence->addButton(o, i);
    }

    Frame2 = cadre(d, QStringLiteral("Echelle Capteur"), 1200, 120, 1455, 3015);
    Frame2->setEnabled(false);
    Label1 = new QLabel(QStringLiteral("Entrer valeur Max:"), Frame2);
    Label1->setWordWrap(true);
    place(Label1, 240, 360, 975, 375);
    Text1 = boite(Frame2, QStringLiteral("1000"), 240, 960, 855, 285);
    Label2 = new QLabel(QStringLiteral("Entrer valeur Min :"), Frame2);
    Label2->setWordWrap(true);
    place(Label2, 240, 1680, 975, 375);
    Text2 = boite(Frame2, QStringLiteral("0"), 240, 2250, 855, 285);
    // The labels of the disabled frame are drawn normally.
    for (QLabel* l : {Label1, Label2}) {
        QPalette pal = l->palette();
        pal.setColor(QPalette::Disabled, QPalette::WindowText,
                     pal.color(QPalette::Active, QPalette::WindowText));
        l->setPalette(pal);
    }

    Capteur = cadre(d, QStringLiteral("Capteur"), 2760, 120, 1935, 3015);
    Capteur->setObjectName(QStringLiteral("Capteur"));
    groupeCapteur = new QButtonGroup(d);
    Option2[1] = option(Capteur, QStringLiteral("USB P8055"), 120, 360, 1215, 255);
    Line2[0] = new Trait(graph::couleurs::titreInactif(), Capteur);
    place(Line2[0], 120, 720, 1680, 15);
    Line1[0] = new Trait(graph::couleurs::fondFenetre(), Capteur);
    place(Line1[0], 120, 740, 1680, 15);
    Option2[2] = option(Capteur, QStringLiteral("RS232 com N°"), 120, 840, 1455, 375);
    Text3 = boite(Capteur, QStringLiteral("1"), 1540, 840, 240, 285);
    Text3->setMaxLength(1);
    Text3->setToolTip(QStringLiteral("Entrer N° de port com"));
    Option3[0] = option(Capteur, QStringLiteral("Voie 0"), 120, 1320, 855, 255);
    Option3[1] = option(Capteur, QStringLiteral("Voie 1"), 960, 1320, 855, 255);
    Option3[2] = option(Capteur, QStringLiteral("Voie 2"), 120, 1560, 855, 255);
    Option3[3] = option(Capteur, QStringLiteral("Voie 3"), 960, 1560, 855, 255);
    for (int k : {0, 1, 3})
        Option3[static_cast<size_t>(k)]->setEnabled(false);
    Line2[1] = new Trait(graph::couleurs::titreInactif(), Capteur);
    place(Line2[1], 120, 2040, 1680, 15);
    Line1[1] = new Trait(graph::couleurs::fondFenetre(), Capteur);
    place(Line1[1], 120, 2060, 1680, 15);
    Option2[0] = option(Capteur, QStringLiteral("Mode Test (clavier +/-)"), 120, 2280, 1215, 375);
    for (int i = 0; i < 3; ++i) {
        Option2[static_cast<size_t>(i)]->setObjectName(QStringLiteral("Option2_%1").arg(i));
        groupeCapteur->addButton(Option2[static_cast<size_t>(i)], i);
    }
    for (int i = 0; i < 4; ++i) {
        Option3[static_cast<size_t>(i)]->setObjectName(QStringLiteral("Option3_%1").arg(i));
        groupeCapteur->addButton(Option3[static_cast<size_t>(i)], 10 + i);
    }

    Command1 = new QPushButton(QStringLiteral("OK"), d);
    Command1->setObjectName(QStringLiteral("Command1"));
    place(Command1, 1800, 3240, 1095, 375);

    // Focus order of the dialog; disabled controls are skipped by Qt.
    QWidget* ordre[] = {Option1[10], Option1[9], Option1[8], Option1[7], Option1[6], Option1[5],
                        Option1[4],  Option1[3], Option1[2], Option1[1], Text1,      Text2,
                        Option2[0],  Option2[1], Option2[2], Command1,   Text3,      Option3[0],
                        Option3[1],  Option3[2], Option3[3]};
    for (size_t k = 0; k + 1 < std::size(ordre); ++k)
        QWidget::setTabOrder(ordre[k], ordre[k + 1]);
}

} // namespace ui
