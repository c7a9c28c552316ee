#include "ui/DialogueAlarme.h"
#include "ui/SaisieDecimale.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>

namespace ui {

namespace {

QDoubleSpinBox* nombre(double v, const QString& suffixe) {
    auto* s = new SaisieDecimale;
    s->setRange(-1e9, 1e9);
    s->setDecimals(3);
    s->setValue(v);
    if (!suffixe.isEmpty())
        s->setSuffix(QLatin1Char(' ') + suffixe);
    return s;
}

} // namespace

DialogueAlarme::DialogueAlarme(const core::ReglageAlarme& actuel, const QString& unite,
                               QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Alarme"));
    auto* f = new QFormLayout(this);
    m_avecHaute = new QCheckBox(QStringLiteral("Limite haute"));
    m_avecHaute->setChecked(actuel.haute.has_value());
    m_haute = nombre(actuel.haute.value_or(0), unite);
    f->addRow(m_avecHaute, m_haute);
    m_avecBasse = new QCheckBox(QStringLiteral("Limite basse"));
    m_avecBasse->setChecked(actuel.basse.has_value());
    m_basse = nombre(actuel.basse.value_or(0), unite);
    f->addRow(m_avecBasse, m_basse);
    m_hysteresis = nombre(actuel.hysteresis, unite);
    m_hysteresis->setMinimum(0);
    f->addRow(QStringLiteral("Hystérésis (retour en deçà de la limite)"), m_hysteresis);
    m_maintien = nombre(actuel.maintienMs / 1000.0, QStringLiteral("s"));
    m_maintien->setMinimum(0);
    m_maintien->setDecimals(0);
    f->addRow(QStringLiteral("Durée minimale d'un dépassement"), m_maintien);
    m_bip = new QCheckBox(QStringLiteral("Bip au début de l'alarme"));
    m_bip->setChecked(actuel.bip);
    f->addRow(m_bip);
    m_commande = new QLineEdit(actuel.commande);
    m_commande->setPlaceholderText(QStringLiteral("aucune (PLOVAR_VALEUR, PLOVAR_UNITE… dans "
                                                  "l'environnement)"));
    f->addRow(QStringLiteral("Commande au début de l'alarme"), m_commande);
    auto* boutons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(boutons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(boutons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    f->addRow(boutons);
    for (QCheckBox* c : {m_avecHaute, m_avecBasse}) {
        QDoubleSpinBox* s = c == m_avecHaute ? m_haute : m_basse;
        s->setEnabled(c->isChecked());
        connect(c, &QCheckBox::toggled, s, &QWidget::setEnabled);
    }
}

core::ReglageAlarme DialogueAlarme::valeur() const {
    core::ReglageAlarme r;
    if (m_avecHaute->isChecked())
        r.haute = m_haute->value();
    if (m_avecBasse->isChecked())
        r.basse = m_basse->value();
    r.hysteresis = m_hysteresis->value();
    r.maintienMs = static_cast<qint64>(m_maintien->value() * 1000);
    r.bip = m_bip->isChecked();
    r.commande = m_commande->text().trimmed();
    return r;
}

} // namespace ui
