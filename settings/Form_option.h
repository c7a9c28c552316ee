#pragma once

#include "settings/GestionReglages.h"
#include "ui/FormOptionUi.h"

#include <QDialog>
#include <QPointer>

namespace engine {
class Moteur;
}

namespace settings {

/// The settings dialog: a click on a rate or a source takes effect at once and,
/// while the dialog is shown, is written to the configuration. It disables the
/// main window while it is open and is destroyed when closed.
class Form_option : public QDialog {
    Q_OBJECT
public:
    Form_option(engine::Moteur& moteur, QWidget* fenetrePrincipale);
    ~Form_option() override;

    ui::FormOptionUi ui;

protected:
    void closeEvent(QCloseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    /// Tab and Shift+Tab stop on the checked button of each group only; the arrow
    /// keys move within a group.
    bool focusNextPrevChild(bool suivant) override;

private:
    engine::Moteur& m_moteur;
    QPointer<QWidget> m_principale;
};

} // namespace settings
