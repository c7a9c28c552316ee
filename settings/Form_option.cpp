#include "settings/Form_option.h"

#include "engine/Moteur.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QKeyEvent>

namespace settings {

Form_option::Form_option(engine::Moteur& moteur, QWidget* fenetrePrincipale)
    : QDialog(nullptr), m_moteur(moteur), m_principale(fenetrePrincipale) {
    ui.setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    // Loading selects the values in force; the dialog is not visible yet, so
    // nothing is written.
    const core::Reglages& r = m_moteur.reglages();
    if (auto* o = ui.groupeCadence->button(r.IndexCadence))
        o->setChecked(true);
    if (auto* o = ui.groupeCapteur->button(r.TypeSource)) {
        o->setChecked(true);
    } else {
        // The text-line board is none of the three: none is shown as in force.
        ui.groupeCapteur->setExclusive(false);
        for (QAbstractButton* b : ui.groupeCapteur->buttons())
            b->setChecked(false);
        ui.groupeCapteur->setExclusive(true);
    }
    for (int i = 1; i <= 10; ++i)
        connect(ui.Option1[static_cast<size_t>(i)], &QRadioButton::clicked, this,
                [this, i] { Option1_Click(m_moteur, i, isVisible()); });
    for (int i = 0; i <= 2; ++i)
        connect(ui.Option2[static_cast<size_t>(i)], &QRadioButton::clicked, this,
                [this, i] { Option2_Click(m_moteur, i, isVisible()); });
    connect(ui.Command1, &QPushButton::clicked, this, &QDialog::close);
}

Form_option::~Form_option() {
    if (m_principale)
        m_principale->setEnabled(true);
}

void Form_option::closeEvent(QCloseEvent* e) {
    if (m_principale)
        m_principale->setEnabled(true);
    QDialog::closeEvent(e);
}

bool Form_option::focusNextPrevChild(bool suivant) {
    QWidget* w = focusWidget();
    if (!w)
        return QDialog::focusNextPrevChild(suivant);
    for (QWidget* c = suivant ? w->nextInFocusChain() : w->previousInFocusChain(); c != w;
         c = suivant ? c->nextInFocusChain() : c->previousInFocusChain()) {
        if (!isAncestorOf(c) || !c->isEnabled() || !c->isVisible())
            continue;
        // In a group with a checked button, that one only (Qt moves the Tab stop of a
        // group to the last button that had the focus, not to the checked one).
        const auto* b = qobject_cast<QAbstractButton*>(c);
        if (b && b->group() && b->group()->checkedButton()) {
            if (!b->isChecked())
                continue;
        } else if (!(c->focusPolicy() & Qt::TabFocus)) {
            continue;
        }
        c->setFocus(suivant ? Qt::TabFocusReason : Qt::BacktabFocusReason);
        return true;
    }
    return false;
}

void Form_option::keyPressEvent(QKeyEvent* e) {
    // "OK" is the only way out besides the close box; Escape does nothing.
    if (e->key() == Qt::Key_Escape) {
        e->accept();
        return;
    }
    QDialog::keyPressEvent(e);
}

} // namespace settings
