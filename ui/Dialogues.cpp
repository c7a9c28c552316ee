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
    return dialogueFichier(parent, QFileDialog::AcceptSave,
                           QStringLiteral("Enregistrer les mesures non écrites sous :"), propose);
}

void DialoguesQt::bip() {
    QApplication::beep();
}

void DialoguesQt::ouvreLien(const QUrl& url) {
    QDesktopServices::openUrl(url);
}

} // namespace ui
