#include "ui/DialogueEtalonnage.h"
#include "ui/SaisieDecimale.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>

namespace ui {

DialogueEtalonnage::DialogueEtalonnage(const core::Etalonnage& actuel, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Étalonnage"));
    auto* forme = new QFormLayout(this);
    forme->addRow(new QLabel(QStringLiteral("La valeur physique suit la droite qui passe par "
                                            "deux points.")));
    const double bruts[] = {actuel.brut1, actuel.brut2};
    const double physiques[] = {actuel.physique1, actuel.physique2};
    for (int k = 0; k < 2; ++k) {
        m_brut[k] = new SaisieDecimale;
        m_physique[k] = new SaisieDecimale;
        for (QDoubleSpinBox* s : {m_brut[k], m_physique[k]}) {
            s->setRange(-1e9, 1e9);
            s->setDecimals(4);
        }
        m_brut[k]->setValue(bruts[k]);
        m_physique[k]->setValue(physiques[k]);
        forme->addRow(QStringLiteral("Point %1, valeur brute :").arg(k + 1), m_brut[k]);
        forme->addRow(QStringLiteral("Point %1, valeur physique :").arg(k + 1), m_physique[k]);
    }
    m_unite = new QLineEdit(actuel.unite);
    m_unite->setMaxLength(core::Etalonnage::kLongueurUnite);
    m_unite->setPlaceholderText(QStringLiteral("°C, bar, %…"));
    forme->addRow(QStringLiteral("Unité :"), m_unite);
    m_decimales = new QSpinBox;
    m_decimales->setRange(0, 4);
    m_decimales->setValue(actuel.decimales);
    forme->addRow(QStringLiteral("Décimales :"), m_decimales);
    auto* boutons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    boutons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Annuler"));
    QPushButton* aucun = boutons->addButton(QStringLiteral("Aucun"), QDialogButtonBox::ResetRole);
    connect(boutons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(boutons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(aucun, &QPushButton::clicked, this, [this] {
        m_aucun = true;
        accept();
    });
    forme->addRow(boutons);
}

core::Etalonnage DialogueEtalonnage::valeur() const {
    core::Etalonnage e;
    e.actif = !m_aucun;
    e.brut1 = m_brut[0]->value();
    e.physique1 = m_physique[0]->value();
    e.brut2 = m_brut[1]->value();
    e.physique2 = m_physique[1]->value();
    e.unite = m_unite->text();
    e.decimales = m_decimales->value();
    return e;
}

} // namespace ui
