#include "ui/Dialogues.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>

namespace ui {

namespace {

QString titre() {
    return QString::fromLatin1(kTitreApplication);
}

QString dialogueFichier(QWidget* parent, QFileDialog::AcceptMode mode, const QString& titreDlg,
                        const QString& propose) {
    QFileDialog d(parent, titreDlg);
    d.setAcceptMode(mode);
    d.setFileMode(mode == QFileDialog::AcceptSave ? QFileDialog::AnyFile
                                                  : QFileDialog::ExistingFile);
    d.setDefaultSuffix(QStringLiteral("csv"));
    d.setNameFilter(QStringLiteral("*.csv"));
    d.setOption(QFileDialog::DontUseNativeDialog, true);
    if (!propose.isEmpty())
        d.selectFile(propose);
    if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty())
        return {};
    return d.selectedFiles().constFirst();
}

} // namespace

bool DialoguesQt::question(QWidget* parent, const QString& texte) {
    return QMessageBox::question(parent, titre(), texte, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::Yes) == QMessageBox::Yes;
}

void DialoguesQt::message(QWidget* parent, const QString& texte) {
    QMessageBox b(QMessageBox::NoIcon, titre(), texte, QMessageBox::Ok, parent);
    b.exec();
}

void DialoguesQt::avertissement(QWidget* parent, const QString& texte) {
    QMessageBox::warning(parent, titre(), texte);
}

QString DialoguesQt::nouveauFichier(QWidget* parent) {
    return dialogueFichier(parent, QFileDialog::AcceptSave,
                           QStringLiteral("Nouvel Enregistrement sous :"),
                           QStringLiteral("data_tr.csv"));
}

QString DialoguesQt::ouvreFichier(QWidget* parent) {
    return dialogueFichier(parent, QFileDialog::AcceptOpen, QStringLiteral("ouvrir"), QString());
}

QString DialoguesQt::fichierSecours(QWidget* parent, const QString& propose) {
    // The lines are added at the end of an existing file: nothing is replaced, so
    // the dialog neither asks to replace nor says so.
    QFileDialog d(parent, QStringLiteral("Ajouter les mesures non écrites à la fin de :"));
    d.setAcceptMode(QFileDialog::AcceptSave);
    d.setFileMode(QFileDialog::AnyFile);
    d.setDefaultSuffix(QStringLiteral("csv"));
    d.setNameFilter(QStringLiteral("*.csv"));
    d.setOption(QFileDialog::DontUseNativeDialog, true);
    d.setOption(QFileDialog::DontConfirmOverwrite, true);
    d.setLabelText(QFileDialog::Accept, QStringLiteral("Ajouter"));
    d.selectFile(propose);
    if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty())
        return {};
    return d.selectedFiles().constFirst();
}

void DialoguesQt::bip() {
    QApplication::beep();
}

void DialoguesQt::ouvreLien(const QUrl& url) {
    QDesktopServices::openUrl(url);
}

} // namespace ui
