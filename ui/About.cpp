#include "ui/About.h"

#include "graph/Couleurs.h"
#include "graph/Geometrie.h"
#include "ui/Dialogues.h"
#include "ui/EnregistreurUi.h"
#include "ui/Images.h"
#include "ui/Polices.h"

#include <QKeyEvent>
#include <QMouseEvent>

namespace ui {

namespace {

QLabel* etiquette(QWidget* parent, const QString& texte, int g, int h, int l, int ht) {
    auto* e = new QLabel(texte, parent);
    place(e, g, h, l, ht);
    return e;
}

QFrame* zone(QWidget* parent, int g, int h, int l, int ht) {
    auto* f = new QFrame(parent);
    f->setFrameStyle(QFrame::NoFrame);
    f->setMouseTracking(true);
    f->setCursor(Qt::PointingHandCursor);
    place(f, g, h, l, ht);
    return f;
}

} // namespace

About::About(Dialogues* dialogues, QWidget* parent) : QDialog(parent), m_dialogues(dialogues) {
    setObjectName(QStringLiteral("About"));
    setWindowTitle(QStringLiteral("About Zib"));
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::CustomizeWindowHint);
    setWindowIcon(iconeApplication());
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    setFixedSize(graph::px(3750), graph::px(3450));
    setMouseTracking(true);

    Frame1 = new QFrame(this);
    Frame1->setFrameStyle(QFrame::Box | QFrame::Sunken);
    place(Frame1, 120, 120, 3495, 1335);
    Image3 = etiquette(Frame1, QString(), 240, 480, 480, 480);
    Image3->setPixmap(pixmapApplication());
    Label4 = etiquette(Frame1, QStringLiteral("Plovar"), 720, 240, 2655, 615);
    Label4->setAlignment(Qt::AlignCenter);
    Label4->setWordWrap(true);
    Label4->setFont(policeSansSerif(12, true));
    Label3 = etiquette(Frame1, QStringLiteral("V 1.02"), 1080, 915, 615, 255);
    Label3->setAlignment(Qt::AlignCenter);
    Label3->setFont(policeSansSerif(9.75));
    Label5 = etiquette(Frame1, QString::fromUtf8(auteur::kLigneAuteur), 1800, 975, 1335, 135);
    Label5->setFont(policeSerif(6));
    {
        QPalette pal = Label5->palette();
        pal.setColor(QPalette::WindowText, graph::couleurs::ombreBouton());
        Label5->setPalette(pal);
    }

    Mail = zone(this, 240, 1560, 3015, 615);
    Image1 = etiquette(Mail, QString(), 120, 120, 480, 480);
    Image1->setPixmap(pixmapLettre());
    Label1 = etiquette(Mail, QString::fromUtf8(auteur::kAdresseMail), 720, 240, 2175, 255);

    SiteZib = zone(this, 0, 2280, 3615, 615);
    Image2 = etiquette(SiteZib, QString(), 120, 0, 1095, 495);
    Image2->setPixmap(pixmapBanniere());
    Image2->setScaledContents(true);
    // The pointer over the banner counts as over its zone: mouse events pass
    // through it (it stays drawn in full colour).
    Image2->setAttribute(Qt::WA_TransparentForMouseEvents);
    Label2 = etiquette(SiteZib, QString::fromUtf8(auteur::kSiteWeb), 1320, 120, 2295, 255);

    for (QLabel* l : {Label1, Label2}) {
        QPalette pal = l->palette();
        pal.setColor(QPalette::WindowText, QColor(0, 128, 0));
        l->setPalette(pal);
    }
    // Over these the underline does not change: their moves stop here.
    for (QWidget* w : {static_cast<QWidget*>(Label1), static_cast<QWidget*>(Label2),
                       static_cast<QWidget*>(Image1), static_cast<QWidget*>(Frame1)}) {
        w->setAttribute(Qt::WA_NoMousePropagation);
        w->setMouseTracking(true);
    }
    for (QWidget* w : {static_cast<QWidget*>(Image1), static_cast<QWidget*>(Label1),
                       static_cast<QWidget*>(Image2), static_cast<QWidget*>(Label2)})
        w->setCursor(Qt::PointingHandCursor);
    for (QObject* o : {static_cast<QObject*>(Mail), static_cast<QObject*>(SiteZib),
                       static_cast<QObject*>(Label1), static_cast<QObject*>(Label2),
                       static_cast<QObject*>(Image1)})
        o->installEventFilter(this);

    Command1 = new QPushButton(QStringLiteral("OK"), this);
    place(Command1, 1200, 3000, 975, 375);
    Command1->setDefault(true);
    Command1->setFocus();
    Command1->setAttribute(Qt::WA_NoMousePropagation);
    Command1->setMouseTracking(true);
    connect(Command1, &QPushButton::clicked, this, &QDialog::close);
}

QUrl About::lienMail() {
    return QUrl(QStringLiteral("mailto:") + QString::fromUtf8(auteur::kAdresseMail) +
                QStringLiteral("?Subject=") + QString::fromUtf8(auteur::kSujetMail));
}

QUrl About::lienSite() {
    return QUrl(QString::fromUtf8(auteur::kSiteWeb));
}

void About::envoie_mail() {
    m_dialogues->ouvreLien(lienMail());
}
void About::ouvre_site() {
    m_dialogues->ouvreLien(lienSite());
}

void About::souligne(QLabel* l, bool oui) {
    QFont f = l->font();
    if (f.underline() != oui) {
        f.setUnderline(oui);
        l->setFont(f);
    }
}

bool About::eventFilter(QObject* o, QEvent* e) {
    if (e->type() == QEvent::MouseMove) {
        if (o == Mail)
            souligne(Label1, true);
        else if (o == SiteZib)
            souligne(Label2, true);
        return o == Mail || o == SiteZib;
    }
    if (e->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton) {
        if (o == Mail || o == Label1 || o == Image1) {
            envoie_mail();
            return true;
        }
        if (o == SiteZib || o == Label2) {
            ouvre_site();
            return true;
        }
    }
    return QDialog::eventFilter(o, e);
}

void About::mouseMoveEvent(QMouseEvent* e) {
    souligne(Label1, false);
    souligne(Label2, false);
    QDialog::mouseMoveEvent(e);
}

void About::keyPressEvent(QKeyEvent* e) {
    // No cancel button: Escape does nothing.
    if (e->key() == Qt::Key_Escape) {
        e->accept();
        return;
    }
    QDialog::keyPressEvent(e);
}

} // namespace ui
