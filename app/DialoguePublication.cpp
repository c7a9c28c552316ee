#include "app/DialoguePublication.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QSysInfo>
#include <QTimer>

namespace app {

DialoguePublication::DialoguePublication(publication::Publication& publication, QWidget* parent)
    : QDialog(parent), m_publication(publication) {
    setWindowTitle(QStringLiteral("Publication"));
    const publication::ReglagePublication& r = publication.reglage();
    auto* forme = new QFormLayout;
    m_actif = new QCheckBox(QStringLiteral("Publier les mesures sur un courtier MQTT"), this);
    m_actif->setChecked(r.actif);
    forme->addRow(m_actif);
    m_hote = new QLineEdit(r.hote, this);
    m_hote->setPlaceholderText(QStringLiteral("nom ou adresse du courtier"));
    forme->addRow(QStringLiteral("&Courtier :"), m_hote);
    m_port = new QSpinBox(this);
    m_port->setRange(1, 65535);
    m_port->setValue(r.port);
    forme->addRow(QStringLiteral("&Port :"), m_port);
    m_poste = new QLineEdit(r.poste, this);
    m_poste->setPlaceholderText(publication::nettoiePoste(QSysInfo::machineHostName()));
    forme->addRow(QStringLiteral("P&oste :"), m_poste);
    m_utilisateur = new QLineEdit(r.utilisateur, this);
    forme->addRow(QStringLiteral("&Utilisateur :"), m_utilisateur);
    m_motDePasse = new QLineEdit(r.motDePasse, this);
    m_motDePasseFichier = r.motDePasseFichier;
    m_motDePasse->setEchoMode(QLineEdit::Password);
    forme->addRow(QStringLiteral("&Mot de passe :"), m_motDePasse);
    m_ca = new QLineEdit(r.ca, this);
    m_ca->setPlaceholderText(QStringLiteral("vide : sans chiffrement"));
    auto* choisir = new QPushButton(QStringLiteral("…"), this);
    connect(choisir, &QPushButton::clicked, this, [this] {
        const QString f = QFileDialog::getOpenFileName(
            this, QStringLiteral("Autorité de certification"), m_ca->text(),
            QStringLiteral("Certificats (*.pem *.crt);;Tous les fichiers (*)"));
        if (!f.isEmpty())
            m_ca->setText(f);
    });
    auto* ligneCa = new QHBoxLayout;
    ligneCa->addWidget(m_ca);
    ligneCa->addWidget(choisir);
    forme->addRow(QStringLiteral("Autorité (TLS) :"), ligneCa);
    m_cadence = new QSpinBox(this);
    m_cadence->setRange(1, 1'000'000);
    m_cadence->setSuffix(QStringLiteral(" mesures/s"));
    m_cadence->setValue(r.cadenceRejeu);
    forme->addRow(QStringLiteral("&Rattrapage :"), m_cadence);
    m_etat = new QLabel(this);
    m_etat->setWordWrap(true);
    m_etat->setMinimumWidth(380);
    forme->addRow(QStringLiteral("État :"), m_etat);
    m_erreur = new QLabel(this);
    m_erreur->setWordWrap(true);
    m_erreur->setStyleSheet(QStringLiteral("color: #b00000"));
    forme->addRow(m_erreur);
    auto* boutons = new QDialogButtonBox(
        QDialogButtonBox::Ok | QDialogButtonBox::Apply | QDialogButtonBox::Cancel, this);
    boutons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Annuler"));
    boutons->button(QDialogButtonBox::Apply)->setText(QStringLiteral("Appliquer"));
    connect(boutons, &QDialogButtonBox::accepted, this, [this] {
        if (valide())
            accept();
    });
    connect(boutons->button(QDialogButtonBox::Apply), &QPushButton::clicked, this,
            &DialoguePublication::valide);
    connect(boutons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* l = new QVBoxLayout(this);
    l->addLayout(forme);
    l->addWidget(boutons);
    // The state as it goes.
    auto* rafraichit = new QTimer(this);
    connect(rafraichit, &QTimer::timeout, this, &DialoguePublication::actualiseEtat);
    rafraichit->start(1000);
    connect(&m_publication, &publication::Publication::bilanChange, this,
            &DialoguePublication::actualiseEtat);
    actualiseEtat();
}

publication::ReglagePublication DialoguePublication::saisie() const {
    publication::ReglagePublication r;
    r.actif = m_actif->isChecked();
    r.hote = m_hote->text().trimmed();
    r.port = m_port->value();
    r.poste = m_poste->text().trimmed();
    r.utilisateur = m_utilisateur->text();
    r.motDePasse = m_motDePasse->text();
    r.motDePasseFichier = m_motDePasseFichier;
    r.ca = m_ca->text().trimmed();
    r.cadenceRejeu = m_cadence->value();
    return r;
}

bool DialoguePublication::valide() {
    const publication::ReglagePublication r = saisie();
    QString erreur;
    if (r.actif) {
        if (const std::optional<QString> refus = r.refus())
            erreur = *refus;
        else if (!r.poste.isEmpty() && publication::nettoiePoste(r.poste) != r.poste)
            erreur = QStringLiteral("le nom du poste ne peut avoir que des lettres sans accent, "
                                    "des chiffres, _ et -");
    }
    if (erreur.isEmpty() && !m_publication.applique(r, &erreur) && erreur.isEmpty())
        erreur = QStringLiteral("les réglages n'ont pas pu être enregistrés");
    m_erreur->setText(erreur.isEmpty() ? QString()
                                       : erreur.left(1).toUpper() + erreur.mid(1) + '.');
    actualiseEtat();
    return erreur.isEmpty();
}

void DialoguePublication::actualiseEtat() {
    m_etat->setText(m_publication.texteEtat());
    // A longer state or error wraps onto more lines: the dialog grows to show them
    // whole (a window does not follow its wrapped labels' height by itself).
    m_etat->updateGeometry();
    if (QLayout* l = layout()) {
        l->activate();
        const int voulu =
            l->hasHeightForWidth() ? l->totalHeightForWidth(width()) : l->totalSizeHint().height();
        if (voulu > height())
            resize(width(), voulu);
    }
}

} // namespace app
