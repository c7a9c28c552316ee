#include "ui/DialogueProgramme.h"

#include "core/Quand.h"
#include "ui/SaisieDecimale.h"

#include <QButtonGroup>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTimeZone>
#include <QVBoxLayout>

namespace ui {

namespace {

QDoubleSpinBox* niveau(double v, const QString& unite) {
    auto* s = new SaisieDecimale;
    s->setRange(-1e9, 1e9);
    s->setDecimals(3);
    s->setValue(v);
    if (!unite.isEmpty())
        s->setSuffix(QLatin1Char(' ') + unite);
    return s;
}

QComboBox* sens(bool montant) {
    auto* c = new QComboBox;
    c->addItems({core::Seuil{0, true}.sens(), core::Seuil{0, false}.sens()});
    c->setCurrentIndex(montant ? 0 : 1);
    return c;
}

QDateTimeEdit* instant(qint64 ms) {
    auto* e = new QDateTimeEdit(QDateTime::fromMSecsSinceEpoch(ms));
    e->setDisplayFormat(QStringLiteral("dd/MM/yyyy HH:mm:ss"));
    e->setCalendarPopup(true);
    return e;
}

/// Puts `champs` in a row after `case_`, enabled only while it is checked.
QWidget* ligne(QAbstractButton* case_, std::initializer_list<QWidget*> champs) {
    auto* w = new QWidget;
    auto* h = new QHBoxLayout(w);
    h->setContentsMargins(0, 0, 0, 0);
    h->addWidget(case_);
    for (QWidget* c : champs) {
        h->addWidget(c);
        if (qobject_cast<QLabel*>(c) == nullptr) {
            c->setEnabled(case_->isChecked());
            QObject::connect(case_, &QAbstractButton::toggled, c, &QWidget::setEnabled);
        }
    }
    h->addStretch();
    return w;
}

} // namespace

DialogueProgramme::DialogueProgramme(const core::Plan& propose, qint64 maintenantMs,
                                     const QString& unite, bool alarme, QWidget* parent)
    : QDialog(parent), m_maintenantMs(maintenantMs) {
    setWindowTitle(QStringLiteral("Programmer un enregistrement"));
    auto* v = new QVBoxLayout(this);
    // Times proposed on the minute: the next one, and an hour later.
    const qint64 minute = (maintenantMs / 60000 + 1) * 60000;

    auto* debut = new QGroupBox(QStringLiteral("Début"));
    auto* vd = new QVBoxLayout(debut);
    m_maintenant = new QRadioButton(QStringLiteral("Maintenant"));
    m_aLHeure = new QRadioButton(QStringLiteral("Le"));
    m_debut = instant(propose.debutMs.value_or(minute));
    // In rows of their own, the two choices are made exclusive by a group.
    auto* choix = new QButtonGroup(this);
    choix->addButton(m_maintenant);
    choix->addButton(m_aLHeure);
    (propose.debutMs ? m_aLHeure : m_maintenant)->setChecked(true);
    vd->addWidget(m_maintenant);
    vd->addWidget(ligne(m_aLHeure, {m_debut}));
    m_avecDeclencheur = new QCheckBox(QStringLiteral("Attendre que la valeur franchisse"));
    m_avecDeclencheur->setChecked(propose.declencheur.has_value());
    const core::Declencheur d = propose.declencheur.value_or(core::Declencheur());
    m_niveau = niveau(d.seuil.niveau, unite);
    m_sens = sens(d.seuil.montant);
    vd->addWidget(ligne(m_avecDeclencheur, {m_niveau, m_sens}));
    m_avant = new QSpinBox;
    m_avant->setRange(0, core::Declencheur::kAvantMax);
    m_avant->setValue(d.avant);
    auto* garder = new QLabel(QStringLiteral("en gardant les"));
    auto* mesures = new QLabel(QStringLiteral("mesure(s) prises juste avant"));
    auto* rangAvant = new QWidget;
    auto* ha = new QHBoxLayout(rangAvant);
    ha->setContentsMargins(24, 0, 0, 0);
    ha->addWidget(garder);
    ha->addWidget(m_avant);
    ha->addWidget(mesures);
    ha->addStretch();
    m_avant->setEnabled(m_avecDeclencheur->isChecked());
    connect(m_avecDeclencheur, &QCheckBox::toggled, m_avant, &QWidget::setEnabled);
    vd->addWidget(rangAvant);
    v->addWidget(debut);

    auto* arret = new QGroupBox(QStringLiteral("Arrêt (le premier qui arrive)"));
    auto* va = new QVBoxLayout(arret);
    m_avecFin = new QCheckBox(QStringLiteral("Le"));
    m_avecFin->setChecked(propose.finMs.has_value());
    m_fin = instant(propose.finMs.value_or(minute + 3600 * 1000));
    va->addWidget(ligne(m_avecFin, {m_fin}));
    m_avecDuree = new QCheckBox(QStringLiteral("Après"));
    m_avecDuree->setChecked(propose.dureeMs.has_value());
    const qint64 duree = propose.dureeMs.value_or(3600 * 1000);
    m_jours = new QSpinBox;
    m_jours->setRange(0, 3650);
    m_jours->setSuffix(QStringLiteral(" j"));
    m_jours->setValue(static_cast<int>(duree / 86'400'000));
    m_duree = new QTimeEdit(QTime::fromMSecsSinceStartOfDay(static_cast<int>(duree % 86'400'000)));
    m_duree->setDisplayFormat(QStringLiteral("HH 'h' mm 'min' ss 's'"));
    va->addWidget(ligne(m_avecDuree, {m_jours, m_duree}));
    m_arretAlarme = new QCheckBox(QStringLiteral("À la première alarme"));
    m_arretAlarme->setChecked(propose.arretAlarme && alarme);
    m_arretAlarme->setEnabled(alarme);
    if (!alarme)
        m_arretAlarme->setToolTip(QStringLiteral("Aucune alarme n'est réglée (menu du graphe)."));
    va->addWidget(m_arretAlarme);
    m_avecArretNiveau = new QCheckBox(QStringLiteral("Quand la valeur franchit"));
    m_avecArretNiveau->setChecked(propose.arretSeuil.has_value());
    const core::Seuil s = propose.arretSeuil.value_or(core::Seuil());
    m_niveauArret = niveau(s.niveau, unite);
    m_sensArret = sens(s.montant);
    va->addWidget(ligne(m_avecArretNiveau, {m_niveauArret, m_sensArret}));
    v->addWidget(arret);

    m_erreur = new QLabel;
    m_erreur->setWordWrap(true);
    m_erreur->setStyleSheet(QStringLiteral("color: #b00020"));
    m_erreur->hide();
    v->addWidget(m_erreur);
    auto* boutons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    boutons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Programmer"));
    connect(boutons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(boutons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    v->addWidget(boutons);
}

std::optional<core::Plan> DialogueProgramme::valeur(QString* erreur) const {
    const auto refuse = [erreur](const QString& texte) {
        if (erreur)
            *erreur = texte;
        return std::nullopt;
    };
    // The fields show the local wall clock: a time shown twice in autumn, or skipped
    // in spring, is resolved as on the command line.
    const auto resout = [this](const QDateTimeEdit* e) {
        return core::resoutQuand(e->dateTime().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")),
                                 m_maintenantMs, QTimeZone::systemTimeZone());
    };
    core::Plan p;
    if (m_aLHeure->isChecked()) {
        p.debutMs = resout(m_debut);
        if (!p.debutMs || *p.debutMs <= m_maintenantMs)
            return refuse(QStringLiteral("L'heure du début est passée."));
    }
    if (m_avecDeclencheur->isChecked())
        p.declencheur =
            core::Declencheur{{m_niveau->value(), m_sens->currentIndex() == 0}, m_avant->value()};
    if (m_avecFin->isChecked()) {
        p.finMs = resout(m_fin);
        if (!p.finMs)
            return refuse(QStringLiteral("L'heure de fin n'existe pas."));
    }
    if (m_avecDuree->isChecked())
        p.dureeMs = m_jours->value() * 86'400'000LL + m_duree->time().msecsSinceStartOfDay();
    p.arretAlarme = m_arretAlarme->isEnabled() && m_arretAlarme->isChecked();
    if (m_avecArretNiveau->isChecked())
        p.arretSeuil = core::Seuil{m_niveauArret->value(), m_sensArret->currentIndex() == 0};
    if (const std::optional<QString> r = p.refus(m_maintenantMs)) {
        QString texte = *r;
        texte[0] = texte[0].toUpper();
        return refuse(texte + QLatin1Char('.'));
    }
    return p;
}

void DialogueProgramme::accept() {
    QString erreur;
    if (!valeur(&erreur)) {
        m_erreur->setText(erreur);
        m_erreur->show();
        return;
    }
    QDialog::accept();
}

} // namespace ui
