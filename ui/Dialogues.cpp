#include "ui/Dialogues.h"

#include "core/Horodatage.h"
#include "graph/Graduations.h"

#include "ui/DialogueAlarme.h"
#include <QInputDialog>
#include <QLineEdit>

#include "ui/DialogueEtalonnage.h"
#include "ui/DialogueProgramme.h"
#include "ui/DialogueSourceTexte.h"
#include <QApplication>
#include <QDesktopServices>

#include <QCheckBox>
#include <QDateTimeEdit>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSpacerItem>
#include <QTimeZone>
#include <QVBoxLayout>

namespace ui {

namespace {

QString titre() {
    return QString::fromLatin1(kTitreApplication);
}

QString dialogueFichier(QWidget* parent, QFileDialog::AcceptMode mode, const QString& titreDlg,
                        const QString& propose, const QString& dossier) {
    QFileDialog d(parent, titreDlg);
    if (!dossier.isEmpty())
        d.setDirectory(dossier);
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

DialoguesQt::DialoguesQt(QString cheminSouvenirs) : m_souvenirs(std::move(cheminSouvenirs)) {
    if (!m_souvenirs.isEmpty()) {
        const QString d = QSettings(m_souvenirs, QSettings::IniFormat)
                              .value(QStringLiteral("dialogues/dossier"))
                              .toString();
        if (QFileInfo(d).isDir())
            m_dossier = d;
    }
}

QString DialoguesQt::depart(const QString& propose) const {
    if (m_dossier.isEmpty() || QFileInfo(propose).isAbsolute())
        return propose;
    return QDir(m_dossier).filePath(propose);
}

QString DialoguesQt::retiens(const QString& chemin) {
    if (chemin.isEmpty())
        return chemin;
    const QString d = QFileInfo(chemin).absolutePath();
    if (d != m_dossier) {
        m_dossier = d;
        if (!m_souvenirs.isEmpty()) {
            QSettings s(m_souvenirs, QSettings::IniFormat);
            s.setValue(QStringLiteral("dialogues/dossier"), d);
        }
    }
    return chemin;
}

bool DialoguesQt::question(QWidget* parent, const QString& texte) {
    return QMessageBox::question(parent, titre(), texte, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::Yes) == QMessageBox::Yes;
}

void DialoguesQt::message(QWidget* parent, const QString& texte) {
    QMessageBox b(QMessageBox::NoIcon, titre(), texte, QMessageBox::Ok, parent);
    // A short text makes a narrow box whose title bar cuts the caption: the box is
    // kept at least as wide as the caption and the title bar's buttons.
    if (auto* grille = qobject_cast<QGridLayout*>(b.layout())) {
        QFont gras = b.font();
        gras.setBold(true);
        const int largeur = QFontMetrics(gras).horizontalAdvance(titre()) + 140;
        grille->addItem(new QSpacerItem(largeur, 0, QSizePolicy::Minimum, QSizePolicy::Expanding),
                        grille->rowCount(), 0, 1, grille->columnCount());
    }
    b.exec();
}

void DialoguesQt::avertissement(QWidget* parent, const QString& texte) {
    QMessageBox::warning(parent, titre(), texte);
}

QString refusNouveauFichier(const QString& saisie, const QString& choisi) {
    if (saisie.contains(QLatin1Char('"')))
        return QStringLiteral("Le nom du fichier ne peut pas contenir de guillemet (\"). "
                              "Choisissez un autre nom.");
    const QDir dossier = QFileInfo(choisi).absoluteDir();
    if (!dossier.exists())
        return QStringLiteral("Le dossier %1 n'existe pas. Choisissez un dossier existant.")
            .arg(QDir::toNativeSeparators(dossier.path()));
    return {};
}

DialogueNouveauFichier::DialogueNouveauFichier(QWidget* parent)
    : QFileDialog(parent, QStringLiteral("Nouvel Enregistrement sous :")) {
    setAcceptMode(QFileDialog::AcceptSave);
    setFileMode(QFileDialog::AnyFile);
    setDefaultSuffix(QStringLiteral("csv"));
    setNameFilter(QStringLiteral("*.csv"));
    setOption(QFileDialog::DontUseNativeDialog, true);
    selectFile(QStringLiteral("data_tr.csv"));
    avertit = [this](const QString& texte) { QMessageBox::warning(this, titre(), texte); };
}

void DialogueNouveauFichier::accept() {
    // The typed text as it stands: the dialog would read quotes as separators.
    const auto* saisie = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    const QString texte = saisie ? saisie->text() : QString();
    QString choisi = texte;
    if (!texte.isEmpty() && QFileInfo(texte).isRelative())
        choisi = directory().filePath(texte);
    if (texte.isEmpty() && !selectedFiles().isEmpty())
        choisi = selectedFiles().constFirst();
    const QString refus = refusNouveauFichier(texte, choisi);
    if (!refus.isEmpty()) {
        avertit(refus);
        return;
    }
    QFileDialog::accept();
}

QString DialoguesQt::nouveauFichier(QWidget* parent) {
    DialogueNouveauFichier d(parent);
    if (!m_dossier.isEmpty()) {
        d.setDirectory(m_dossier);
        d.selectFile(QStringLiteral("data_tr.csv"));
    }
    if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty())
        return {};
    return retiens(d.selectedFiles().constFirst());
}

QString DialoguesQt::ouvreFichier(QWidget* parent) {
    return retiens(dialogueFichier(parent, QFileDialog::AcceptOpen, QStringLiteral("ouvrir"),
                                   QString(), m_dossier));
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
    d.selectFile(depart(propose));
    if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty())
        return {};
    return retiens(d.selectedFiles().constFirst());
}

QString DialoguesQt::fichierImage(QWidget* parent, const QString& propose, QString* filtre) {
    return retiens(QFileDialog::getSaveFileName(
        parent, QStringLiteral("Enregistrer l'image"), depart(propose),
        QStringLiteral("Image PNG (*.png);;Image SVG (*.svg);;Document PDF (*.pdf)"), filtre,
        QFileDialog::DontUseNativeDialog));
}

std::optional<core::Etalonnage> DialoguesQt::etalonnage(QWidget* parent,
                                                        const core::Etalonnage& actuel) {
    DialogueEtalonnage d(actuel, parent);
    if (d.exec() != QDialog::Accepted)
        return std::nullopt;
    return d.valeur();
}

std::optional<core::ReglageTexte> DialoguesQt::sourceTexte(QWidget* parent,
                                                           const core::ReglageTexte& actuel) {
    DialogueSourceTexte d(actuel, parent);
    if (d.exec() != QDialog::Accepted)
        return std::nullopt;
    return d.valeur();
}

std::optional<core::ReglageAlarme>
DialoguesQt::alarme(QWidget* parent, const core::ReglageAlarme& actuel, const QString& unite) {
    DialogueAlarme d(actuel, unite, parent);
    if (d.exec() != QDialog::Accepted)
        return std::nullopt;
    return d.valeur();
}

std::optional<core::Plan> DialoguesQt::programme(QWidget* parent, const core::Plan& propose,
                                                 qint64 maintenantMs, const QString& unite,
                                                 bool alarme) {
    DialogueProgramme d(propose, maintenantMs, unite, alarme, parent);
    if (d.exec() != QDialog::Accepted)
        return std::nullopt;
    return d.valeur();
}

std::optional<QString> DialoguesQt::commentaire(QWidget* parent, const QString& ou) {
    bool ok = false;
    const QString texte = QInputDialog::getText(parent, QStringLiteral("Commentaire"),
                                                QStringLiteral("Commentaire (%1) :").arg(ou),
                                                QLineEdit::Normal, QString(), &ok);
    if (!ok)
        return std::nullopt;
    return texte;
}

std::optional<QDateTime> DialoguesQt::allerA(QWidget* parent, const QDateTime& propose,
                                             const QDateTime& min, const QDateTime& max) {
    QDialog d(parent);
    d.setWindowTitle(QStringLiteral("Aller à"));
    auto* edition = new QDateTimeEdit(propose, &d);
    edition->setDisplayFormat(QStringLiteral("dd/MM/yyyy HH:mm:ss"));
    edition->setDateTimeRange(min, max);
    edition->setCalendarPopup(true);
    auto* boutons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &d);
    boutons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Annuler"));
    QObject::connect(boutons, &QDialogButtonBox::accepted, &d, &QDialog::accept);
    QObject::connect(boutons, &QDialogButtonBox::rejected, &d, &QDialog::reject);
    auto* l = new QVBoxLayout(&d);
    l->addWidget(new QLabel(QStringLiteral("Date et heure à montrer (du %1 au %2) :")
                                .arg(min.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss")),
                                     max.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"))),
                            &d));
    l->addWidget(edition);
    // A time the autumn clock change shows twice: which of the two.
    auto* premiere = new QRadioButton(&d);
    auto* seconde = new QRadioButton(&d);
    l->addWidget(premiere);
    l->addWidget(seconde);
    const QTimeZone zone = QTimeZone::systemTimeZone();
    const auto instants = [zone](const QDateTime& t) {
        return core::instantsLocaux(core::msNaif(t.date(), t.time()), zone);
    };
    const auto decalage = [zone](qint64 ms) {
        return graph::texteDecalage(
            zone.offsetFromUtc(QDateTime::fromMSecsSinceEpoch(ms, QTimeZone::utc())));
    };
    const auto actualise = [=](const QDateTime& t) {
        const std::vector<qint64> u = instants(t);
        const bool deux = u.size() > 1;
        premiere->setVisible(deux);
        seconde->setVisible(deux);
        if (deux) {
            premiere->setText(QStringLiteral("La première fois (%1)").arg(decalage(u[0])));
            seconde->setText(QStringLiteral("La seconde fois (%1)").arg(decalage(u[1])));
        }
    };
    const std::vector<qint64> u0 = instants(propose);
    (u0.size() > 1 && propose.toMSecsSinceEpoch() == u0[1] ? seconde : premiere)->setChecked(true);
    actualise(propose);
    QObject::connect(edition, &QDateTimeEdit::dateTimeChanged, &d, actualise);
    l->addWidget(boutons);
    if (d.exec() != QDialog::Accepted)
        return std::nullopt;
    const QDateTime choisi = edition->dateTime();
    const std::vector<qint64> u = instants(choisi);
    if (u.size() > 1)
        return QDateTime::fromMSecsSinceEpoch(seconde->isChecked() ? u[1] : u[0]);
    return choisi;
}

QString DialoguesQt::fichierExport(QWidget* parent, const QString& propose, bool* partieVisible) {
    QFileDialog d(parent, QStringLiteral("Exporter les mesures"));
    d.setAcceptMode(QFileDialog::AcceptSave);
    d.setDefaultSuffix(QStringLiteral("csv"));
    d.setNameFilter(QStringLiteral("Tableur, CSV (*.csv)"));
    d.setOption(QFileDialog::DontUseNativeDialog, true);
    d.selectFile(depart(propose));
    auto* visible = new QCheckBox(QStringLiteral("Seulement la partie affichée"), &d);
    if (auto* grille = qobject_cast<QGridLayout*>(d.layout()))
        grille->addWidget(visible, grille->rowCount(), 0, 1, grille->columnCount());
    if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty())
        return {};
    if (partieVisible)
        *partieVisible = visible->isChecked();
    return retiens(d.selectedFiles().constFirst());
}

void DialoguesQt::bip() {
    QApplication::beep();
}

void DialoguesQt::ouvreLien(const QUrl& url) {
    QDesktopServices::openUrl(url);
}

} // namespace ui
