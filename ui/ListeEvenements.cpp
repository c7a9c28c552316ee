#include "ui/ListeEvenements.h"

#include <QVBoxLayout>

namespace ui {

ListeEvenements::ListeEvenements(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Événements"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    auto* l = new QVBoxLayout(this);
    m_liste = new QListWidget;
    l->addWidget(m_liste);
    resize(520, 300);
    connect(m_liste, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* i) { choisit(m_liste->row(i)); });
}

void ListeEvenements::affiche(const std::vector<core::Evenement>& evenements) {
    m_liste->clear();
    for (const core::Evenement& e : evenements) {
        auto* i = new QListWidgetItem(QStringLiteral("n° %1 — %2 %3 — %4 : %5")
                                          .arg(e.numero)
                                          .arg(e.date, e.heure, e.type, e.texte));
        i->setData(Qt::UserRole, e.numero);
        m_liste->addItem(i);
    }
}

void ListeEvenements::choisit(int ligne) {
    if (QListWidgetItem* i = m_liste->item(ligne))
        emit choisi(i->data(Qt::UserRole).toLongLong());
}

} // namespace ui
