#pragma once

#include "FormOptionUi.h"
#include "GestionReglages.h"

#include <QDialog>
#include <QPointer>

namespace files {
class FichierConfig;
}

namespace settings {

/// The settings dialog: a click on a rate or a source takes effect at once and,
/// while the dialog is shown, is written to the configuration. It disables the
/// main window while it is open and is destroyed when closed.
class Form_option : public QDialog {
    Q_OBJECT
public:
    Form_option(core::Reglages& r, const files::FichierConfig& config, ActionsSource& sources,
                QWidget* fenetrePrincipale);
    ~Form_option() override;

    ui::FormOptionUi ui;

protected:
    void closeEvent(QCloseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    const files::FichierConfig* configSiVisible() const;

    core::Reglages& m_reglages;
    const files::FichierConfig& m_config;
    ActionsSource& m_sources;
    QPointer<QWidget> m_principale;
};

} // namespace settings
