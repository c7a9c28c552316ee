#include "ui/FenetreStatistiques.h"

#include <QGridLayout>
#include <QPushButton>

namespace ui {

FenetreStatistiques::FenetreStatistiques(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Statistiques"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    auto* grille = new QGridLayout(this);
    const QString titres[] = {QStringLiteral("Mesures"),
                              QStringLiteral("Minimum"),
                              QStringLiteral("Maximum"),
                              QStringLiteral("Moyenne"),
                              QStringLiteral("Écart type (population)"),
                              QStringLiteral("Durée"),
                              QStringLiteral("Alarmes")};
    grille->addWidget(new QLabel(QStringLiteral("<b>Tout l'enregistrement</b>")), 0, 1);
    grille->addWidget(new QLabel(QStringLiteral("<b>Partie affichée</b>")), 0, 2);
    for (int l = 0; l < 7; ++l) {
        grille->addWidget(new QLabel(titres[l]), l + 1, 0);
        for (int c = 0; c < 2; ++c) {
            auto* cellule = new QLabel(QStringLiteral("—"));
            cellule->setTextInteractionFlags(Qt::TextSelectableByMouse);
            grille->addWidget(cellule, l + 1, c + 1);
            m_cellules[static_cast<size_t>(l)][static_cast<size_t>(c)] = cellule;
        }
    }
    auto* fermer = new QPushButton(QStringLiteral("Fermer"));
    connect(fermer, &QPushButton::clicked, this, &QDialog::close);
    grille->addWidget(fermer, 8, 2, Qt::AlignRight);
}

void FenetreStatistiques::affiche(const core::Statistiques& tout, const core::Statistiques& visible,
                                  const std::function<QString(qint64)>& quand,
                                  const std::function<QString(double)>& valeur,
                                  const std::function<QString(double)>& ecart,
                                  const std::function<QString(qint64, qint64)>& duree) {
    const auto& nombre = valeur;
    const auto extreme = [&](double v, qint64 i) {
        const QString q = quand(i);
        return q.isEmpty() ? QStringLiteral("%1 (n° %2)").arg(nombre(v)).arg(i)
                           : QStringLiteral("%1 le %2").arg(nombre(v), q);
    };
    const core::Statistiques* s[] = {&tout, &visible};
    for (size_t c = 0; c < 2; ++c) {
        const core::Statistiques& st = *s[c];
        if (st.n == 0) {
            for (auto& ligne : m_cellules)
                ligne[c]->setText(QStringLiteral("—"));
            continue;
        }
        m_cellules[0][c]->setText(QString::number(st.n));
        m_cellules[1][c]->setText(extreme(st.extremes.min, st.extremes.iMin));
        m_cellules[2][c]->setText(extreme(st.extremes.max, st.extremes.iMax));
        m_cellules[3][c]->setText(nombre(st.moyenne));
        m_cellules[4][c]->setText(ecart(st.ecartType));
        m_cellules[5][c]->setText(duree(st.premier, st.dernier));
    }
}

void FenetreStatistiques::afficheAlarmes(const QString& tout, const QString& visible) {
    m_cellules[6][0]->setText(tout);
    m_cellules[6][1]->setText(visible);
}

QString FenetreStatistiques::cellule(int ligne, int colonne) const {
    return m_cellules[static_cast<size_t>(ligne)][static_cast<size_t>(colonne)]->text();
}

} // namespace ui
