#include "ui/FenetreStatistiques.h"

#include <QDateTime>
#include <QGridLayout>
#include <QPushButton>

#include <cmath>

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

namespace {

// A French number: decimal comma, no thousands separator, as the calibrated values.
QString nombreFrancais(double v, int decimales) {
    // Never "-0,00".
    if (std::round(v * std::pow(10.0, decimales)) == 0)
        v = 0;
    QString t = QString::number(v, 'f', decimales);
    t.replace(QLatin1Char('.'), QLatin1Char(','));
    return t;
}

} // namespace

void FenetreStatistiques::afficheMagasin(const core::Magasin& m, const core::Etalonnage& e,
                                         qint64 a, qint64 b,
                                         const std::function<QString(qint64)>& quand) {
    affiche(
        m.statistiques(1, m.NbMesures()), m.statistiques(a, b), quand,
        [&e](double v) { return e.actif ? e.texte(v) : nombreFrancais(v, 2); },
        [&e](double ecart) {
            // A spread is a difference: it goes through the calibration's slope only.
            if (!e.actif)
                return nombreFrancais(ecart, 2);
            core::Etalonnage pente = e;
            pente.physique1 = 0;
            pente.physique2 = std::abs(e.physique2 - e.physique1);
            pente.brut2 = pente.brut1 + std::abs(e.brut2 - e.brut1);
            return pente.texte(pente.brut1 + ecart);
        },
        [&m](qint64 i, qint64 j) {
            const qint64 debut = m.instant(i), fin = m.instant(j);
            if (debut == 0 || fin == 0 || fin < debut)
                return QStringLiteral("inconnue (dates illisibles ou dans le désordre)");
            const qint64 s = (fin - debut) / 1000;
            return QStringLiteral("%1 j %2:%3:%4")
                .arg(s / 86400)
                .arg((s / 3600) % 24, 2, 10, QLatin1Char('0'))
                .arg((s / 60) % 60, 2, 10, QLatin1Char('0'))
                .arg(s % 60, 2, 10, QLatin1Char('0'));
        });
}

} // namespace ui
