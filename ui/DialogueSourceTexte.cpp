#include "ui/DialogueSourceTexte.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFormLayout>
#include <QIntValidator>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSerialPortInfo>

namespace ui {

DialogueSourceTexte::DialogueSourceTexte(const core::ReglageTexte& actuel, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Source texte"));
    auto* forme = new QFormLayout(this);
    // No break inside the quotes: the no-break spaces keep "« 512 »" on one line.
    auto* aide = new QLabel(QStringLiteral(
        "Une carte (Arduino, micro:bit, ESP32…) ou un appareil qui envoie une mesure par ligne "
        "de texte sur un port série : «\u00a021.5\u00a0», «\u00a021,5\u00a0», "
        "«\u00a0512\u00a0» ou «\u00a0t:21.5\u00a0h:40\u00a0». Chaque mesure enregistrée "
        "prend la dernière ligne reçue ; sans ligne depuis 2 secondes, la mesure est notée "
        "sans lecture."));
    aide->setWordWrap(true);
    forme->addRow(aide);

    // The ports present, and the links that keep their name when the board is
    // plugged in elsewhere; any other name can be typed.
    m_port = new QComboBox;
    m_port->setEditable(true);
    m_port->setInsertPolicy(QComboBox::NoInsert);
    const QDir parId(QStringLiteral("/dev/serial/by-id"));
    for (const QFileInfo& lien : parId.entryInfoList(QDir::System | QDir::Files, QDir::Name))
        m_port->addItem(lien.absoluteFilePath(), lien.absoluteFilePath());
    for (const QSerialPortInfo& p : QSerialPortInfo::availablePorts()) {
        const QString desc = p.description().isEmpty() ? p.manufacturer() : p.description();
        m_port->addItem(desc.isEmpty() ? p.systemLocation()
                                       : QStringLiteral("%1 (%2)").arg(p.systemLocation(), desc),
                        p.systemLocation());
    }
    const int deja = m_port->findData(actuel.port);
    if (deja >= 0)
        m_port->setCurrentIndex(deja);
    else
        m_port->setEditText(actuel.port);
    m_port->lineEdit()->setPlaceholderText(QStringLiteral("/dev/ttyACM0"));
    forme->addRow(QStringLiteral("Port série :"), m_port);

    m_vitesse = new QComboBox;
    m_vitesse->setEditable(true);
    for (const int v : {300, 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200, 230400, 460800,
                        921600, 1000000, 2000000})
        m_vitesse->addItem(QString::number(v));
    m_vitesse->setValidator(new QIntValidator(1, core::ReglageTexte::kVitesseMax, m_vitesse));
    m_vitesse->setEditText(QString::number(actuel.vitesse));
    forme->addRow(QStringLiteral("Vitesse (bauds) :"), m_vitesse);

    m_etiquette = new QLineEdit(actuel.etiquette);
    m_etiquette->setMaxLength(core::ReglageTexte::kEtiquetteMax);
    m_etiquette->setPlaceholderText(QStringLiteral("vide : le premier nombre de la ligne"));
    forme->addRow(QStringLiteral("Étiquette :"), m_etiquette);

    auto* boutons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    boutons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Annuler"));
    connect(boutons, &QDialogButtonBox::accepted, this, &DialogueSourceTexte::accept);
    connect(boutons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    forme->addRow(boutons);
}

core::ReglageTexte DialogueSourceTexte::valeur() const {
    core::ReglageTexte r;
    // A port picked from the list is its device; a typed one is taken as typed.
    const int i = m_port->currentIndex();
    r.port = i >= 0 && m_port->itemText(i) == m_port->currentText()
                 ? m_port->itemData(i).toString()
                 : m_port->currentText().trimmed();
    bool ok = false;
    r.vitesse = m_vitesse->currentText().toInt(&ok);
    if (!ok)
        r.vitesse = 0;
    r.etiquette = m_etiquette->text().trimmed();
    return r;
}

void DialogueSourceTexte::accept() {
    // The dialog stays open on settings that cannot be used, and says why.
    if (const std::optional<QString> refus = valeur().refus()) {
        QMessageBox::warning(this, windowTitle(),
                             QStringLiteral("Réglage impossible : %1.").arg(*refus));
        return;
    }
    QDialog::accept();
}

} // namespace ui
