#include "graph/RenduGrand.h"

#include "graph/Couleurs.h"
#include "graph/Geometrie.h"
#include "graph/Graduations.h"

#include <QPaintEngine>
#include <QPolygonF>

#include <algorithm>
#include <climits>
#include <cmath>

namespace graph {

namespace {

struct Teintes {
    QColor fond, zone, grille, trace, texte, rupture, apercu, vue;
};

Teintes teintes(bool clair) {
    if (clair)
        return {Qt::white,
                Qt::white,
                QColor(225, 225, 225),
                QColor(0, 70, 160),
                QColor(20, 20, 20),
                QColor(150, 150, 150),
                QColor(110, 110, 110),
                QColor(0, 70, 160, 40)};
    return {QColor(32, 34, 38),    QColor(10, 12, 14),       QColor(48, 54, 60),
            couleurs::trace(),     QColor(220, 220, 220),    QColor(130, 130, 140),
            QColor(120, 170, 120), QColor(255, 255, 255, 45)};
}

constexpr double kHauteurApercu = 44;

// Visible samples, whole indices, inside the store.
std::pair<qint64, qint64> visibles(const SceneGrand& s) {
    const qint64 premier = std::max<qint64>(1, s.magasin->premier());
    const qint64 a = std::max(premier, static_cast<qint64>(std::floor(s.cadrage.debut)));
    const qint64 b =
        std::min(s.magasin->NbMesures(), static_cast<qint64>(std::ceil(s.cadrage.fin())));
    return {a, b};
}

QString duree(qint64 ms) {
    const qint64 s = std::abs(ms) / 1000;
    if (s >= 86400)
        return QStringLiteral("%1 j %2 h").arg(s / 86400).arg((s / 3600) % 24);
    if (s >= 3600)
        return QStringLiteral("%1 h %2").arg(s / 3600).arg((s / 60) % 60, 2, 10, QLatin1Char('0'));
    if (s >= 60)
        return QStringLiteral("%1 min %2 s").arg(s / 60).arg(s % 60);
    return QStringLiteral("%1 s").arg(s);
}

// The trace of samples a to b (whole view) as pixel polylines, one per stretch.
std::vector<QPolygonF> traces(const SceneGrand& s, const PlanGrand& plan) {
    std::vector<QPolygonF> r;
    const core::Magasin& m = *s.magasin;
    const Cadrage& c = s.cadrage;
    const qint64 n = m.NbMesures();
    if (n < 1 || c.largeur <= 0)
        return r;
    const qint64 debut = static_cast<qint64>(std::floor(c.debut));
    const double sx = plan.trace.width() / c.largeur;
    const int largeur = static_cast<int>(std::ceil(plan.trace.width())) + 1;
    const std::vector<QPointF> u = pointsTrace(m, n, debut, sx, largeur, 0, 0.f);
    const std::vector<Rupture>& ruptures =
        s.chronologie ? s.chronologie->ruptures() : std::vector<Rupture>();
    auto prochaine = std::upper_bound(ruptures.begin(), ruptures.end(), debut,
                                      [](qint64 v, const Rupture& x) { return v < x.index; });
    r.emplace_back();
    r.back().reserve(static_cast<qsizetype>(u.size()));
    for (const QPointF& q : u) {
        const qint64 i = debut + std::llround(q.x());
        if (i < 1)
            continue; // the starting point 0 is no sample here
        if (prochaine != ruptures.end() && i >= prochaine->index) {
            while (prochaine != ruptures.end() && i >= prochaine->index)
                ++prochaine;
            r.emplace_back();
        }
        r.back() << QPointF(plan.x(static_cast<double>(i), c),
                            plan.y(valeurAffichee(s.etalonnage, -q.y())));
    }
    return r;
}

} // namespace

bool vectoriel(const QPainter& p) {
    const QPaintEngine* moteur = p.paintEngine();
    return moteur && (moteur->type() == QPaintEngine::Pdf || moteur->type() == QPaintEngine::SVG ||
                      moteur->type() == QPaintEngine::Picture);
}

QPen styloTrace(const QPainter& p, const QColor& couleur, bool lisse, double largeurVectorielle) {
    if (vectoriel(p))
        return QPen(couleur, largeurVectorielle);
    QPen stylo(couleur, lisse ? 1 : 0);
    stylo.setCosmetic(true);
    return stylo;
}

double valeurAffichee(const core::Etalonnage& e, double brute) {
    return e.actif ? e.physique(brute) : brute;
}

double PlanGrand::x(double i, const Cadrage& c) const {
    return c.largeur > 0 ? trace.left() + (i - c.debut) * trace.width() / c.largeur
                         : trace.center().x();
}

double PlanGrand::index(double px, const Cadrage& c) const {
    return c.debut + (px - trace.left()) * c.largeur / std::max(1.0, trace.width());
}

double PlanGrand::y(double v) const {
    return trace.bottom() - (v - yBas) * trace.height() / (yHaut - yBas);
}

double PlanGrand::xApercu(double i, double premier, double dernier) const {
    return dernier > premier ? apercu.left() + (i - premier) * apercu.width() / (dernier - premier)
                             : apercu.left();
}

PlanGrand planGrand(const QRectF& cadre, const QFontMetricsF& fm, const SceneGrand& s) {
    PlanGrand plan;
    const double h = fm.height();
    QRectF z = cadre;
    z.setTop(cadre.top() + s.legendes.size() * h + h / 2 + 4);
    if (s.apercu) {
        plan.apercu = QRectF(cadre.left() + 8, cadre.bottom() - kHauteurApercu, cadre.width() - 16,
                             kHauteurApercu - 4);
        z.setBottom(plan.apercu.top() - 8);
    }
    // Time labels take two lines below; values take the width of the widest label.
    z.setBottom(z.bottom() - 2 * h - 8);
    double lo = 0, hi = 1;
    if (s.magasin && s.magasin->NbMesures() > 0) {
        const auto [a, b] = visibles(s);
        const core::MinMax mm = s.magasin->minMax(a, b);
        if (!mm.vide()) {
            lo = valeurAffichee(s.etalonnage, mm.min);
            hi = valeurAffichee(s.etalonnage, mm.max);
        }
    }
    std::tie(plan.yBas, plan.yHaut) = plageValeurs(lo, hi);
    const QString unite = s.etalonnage.actif ? s.etalonnage.unite : QString();
    const double pas = choisitPasValeur(plan.yHaut - plan.yBas, std::max(50.0, z.height()));
    double largeurTexte = fm.horizontalAdvance(QStringLiteral("0000"));
    for (const GraduationValeur& g : graduationsValeur(plan.yBas, plan.yHaut, pas, unite))
        largeurTexte = std::max(largeurTexte, fm.horizontalAdvance(g.texte));
    z.setLeft(cadre.left() + largeurTexte + 12);
    z.setRight(cadre.right() - 12);
    plan.trace = z;
    return plan;
}

PlanGrand dessineGrand(QPainter& p, const QRectF& cadre, const SceneGrand& s) {
    const PlanGrand plan = planGrand(cadre, QFontMetricsF(p.font()), s);
    const Teintes t = teintes(s.clair);
    const QFontMetricsF fm(p.font());
    const double h = fm.height();
    p.save();
    p.fillRect(cadre, t.fond);
    p.setPen(QPen(t.texte, 0));
    for (int k = 0; k < s.legendes.size(); ++k)
        p.drawText(QRectF(cadre.left() + 8, cadre.top() + 2 + k * h, cadre.width() - 16, h),
                   Qt::AlignLeft | Qt::AlignVCenter, s.legendes[k]);
    p.fillRect(plan.trace, t.zone);
    const Cadrage& c = s.cadrage;
    const bool donnees = s.magasin && s.magasin->NbMesures() > 0 && c.largeur >= 0;

    // Value graduations and their grid.
    const QString unite = s.etalonnage.actif ? s.etalonnage.unite : QString();
    const double pasY =
        choisitPasValeur(plan.yHaut - plan.yBas, std::max(50.0, plan.trace.height()));
    for (const GraduationValeur& g : graduationsValeur(plan.yBas, plan.yHaut, pasY, unite)) {
        const double y = plan.y(g.valeur);
        p.setPen(QPen(t.grille, 0));
        p.drawLine(QPointF(plan.trace.left(), y), QPointF(plan.trace.right(), y));
        p.setPen(QPen(t.texte, 0));
        p.drawText(QRectF(cadre.left(), y - h / 2, plan.trace.left() - cadre.left() - 6, h),
                   Qt::AlignRight | Qt::AlignVCenter, g.texte);
    }

    if (donnees) {
        const core::Magasin& m = *s.magasin;
        const auto [a, b] = visibles(s);
        // Time graduations, stretch by stretch: a time is placed at the samples
        // around it, so a stop or a clock change never makes the axis run back.
        std::vector<std::pair<qint64, qint64>> troncons;
        for (qint64 i = a; i <= b && troncons.size() < 500;) {
            auto tr = s.chronologie ? s.chronologie->troncon(i) : std::make_pair(a, b);
            tr.first = std::max(tr.first, a);
            tr.second = std::min(tr.second, b);
            if (tr.second < tr.first)
                break;
            troncons.push_back(tr);
            i = tr.second + 1;
        }
        qint64 msVisibles = 0;
        double pxVisibles = 0;
        for (const auto& [i0, i1] : troncons)
            if (m.instant(i0) != 0 && m.instant(i1) > m.instant(i0)) {
                msVisibles += m.instant(i1) - m.instant(i0);
                pxVisibles +=
                    plan.x(static_cast<double>(i1), c) - plan.x(static_cast<double>(i0), c);
            }
        if (msVisibles > 0 && pxVisibles > 0) {
            const PasTemps pas = choisitPasTemps(msVisibles / pxVisibles, 110);
            double dernierTexte = -1e9;
            for (const auto& [i0, i1] : troncons) {
                if (m.instant(i0) == 0 || m.instant(i1) < m.instant(i0))
                    continue;
                const std::vector<GraduationTemps> gs =
                    graduationsTemps(m.instant(i0), m.instant(i1), pas, s.zone);
                qint64 j = i0;
                for (const GraduationTemps& g : gs) {
                    // The first sample at or after the graduation, then between it and
                    // the one before.
                    qint64 lo = j, hi = i1;
                    while (lo < hi) {
                        const qint64 mid = lo + (hi - lo) / 2;
                        if (m.instant(mid) < g.instantMs)
                            lo = mid + 1;
                        else
                            hi = mid;
                    }
                    j = lo;
                    double pos = static_cast<double>(j);
                    if (j > i0 && m.instant(j) > m.instant(j - 1))
                        pos = static_cast<double>(j - 1) +
                              static_cast<double>(g.instantMs - m.instant(j - 1)) /
                                  static_cast<double>(m.instant(j) - m.instant(j - 1));
                    const double x = plan.x(pos, c);
                    if (x < plan.trace.left() || x > plan.trace.right())
                        continue;
                    p.setPen(QPen(t.grille, 0));
                    p.drawLine(QPointF(x, plan.trace.top()), QPointF(x, plan.trace.bottom()));
                    if (x - dernierTexte < 70)
                        continue;
                    dernierTexte = x;
                    p.setPen(QPen(t.texte, 0));
                    p.drawLine(QPointF(x, plan.trace.bottom()),
                               QPointF(x, plan.trace.bottom() + 4));
                    // Centred under its tick, kept inside the frame.
                    const double gauche = std::clamp(x - 60, cadre.left(),
                                                     std::max(cadre.left(), cadre.right() - 120));
                    p.drawText(QRectF(gauche, plan.trace.bottom() + 4, 120, h), Qt::AlignCenter,
                               g.texte);
                    if (!g.date.isEmpty())
                        p.drawText(QRectF(gauche, plan.trace.bottom() + 4 + h, 120, h),
                                   Qt::AlignCenter, g.date);
                }
            }
        }
        p.setClipRect(plan.trace);
        // Breaks between stretches.
        if (s.chronologie) {
            const std::vector<Rupture>& rs = s.chronologie->ruptures();
            auto r = std::lower_bound(rs.begin(), rs.end(), a,
                                      [](const Rupture& x, qint64 v) { return x.index < v; });
            double dernierX = -1e9;
            for (; r != rs.end() && r->index <= b; ++r) {
                const double x = plan.x(static_cast<double>(r->index) - 0.5, c);
                if (x - dernierX < 2)
                    continue;
                p.setPen(QPen(t.rupture, 0, Qt::DashDotLine));
                p.drawLine(QPointF(x, plan.trace.top()), QPointF(x, plan.trace.bottom()));
                if (x - dernierX < 90) {
                    dernierX = x;
                    continue;
                }
                dernierX = x;
                QString texte;
                switch (r->genre) {
                case Rupture::Genre::Serie:
                    texte = QStringLiteral("série %1").arg(s.chronologie->serie(r->index));
                    break;
                case Rupture::Genre::Saut:
                    texte = QStringLiteral("+%1").arg(duree(r->ecartMs));
                    break;
                case Rupture::Genre::Recul:
                    texte = QStringLiteral("−%1").arg(duree(r->ecartMs));
                    break;
                }
                p.setPen(QPen(t.rupture, 0));
                p.drawText(QPointF(x + 3, plan.trace.bottom() - 4), texte);
            }
        }
        for (const double l : s.limites) {
            const double y = plan.y(valeurAffichee(s.etalonnage, l));
            p.setPen(QPen(QColor(230, 60, 60), 0, Qt::DotLine));
            p.drawLine(QPointF(plan.trace.left(), y), QPointF(plan.trace.right(), y));
        }
        // The trace: a thin line joins few samples smoothly; many are drawn as
        // they fall on pixels. On a screen or an image the line is one device pixel
        // wide, which the painter draws along its length whatever the slope (a wider
        // pen is outlined and filled segment by segment: a hundred times slower for a
        // noisy quarter of an hour); a PDF or SVG gets a line of its own width.
        const std::vector<QPolygonF> lignes = traces(s, plan);
        const bool lisse = c.largeur < plan.trace.width() / 2;
        p.setRenderHint(QPainter::Antialiasing, lisse || vectoriel(p));
        p.setPen(styloTrace(p, t.trace, lisse, 1.5));
        // Samples far apart are marked each with a dot.
        const bool points = c.largeur > 0 && plan.trace.width() / c.largeur >= 8;
        for (const QPolygonF& l : lignes) {
            if (l.size() > 1)
                p.drawPolyline(l);
            if (points || l.size() == 1) {
                p.setBrush(t.trace);
                for (const QPointF& q : l)
                    p.drawEllipse(q, 2.0, 2.0);
                p.setBrush(Qt::NoBrush);
            }
        }
        p.setRenderHint(QPainter::Antialiasing, false);
        long dernierePx = LONG_MIN;
        for (const Marque& mq : s.marques) {
            const double x = plan.x(static_cast<double>(mq.index), c);
            if (x < plan.trace.left() || x > plan.trace.right() || std::lround(x) == dernierePx)
                continue;
            dernierePx = std::lround(x);
            p.setPen(QPen(mq.couleur, 0, Qt::DashLine));
            p.drawLine(QPointF(x, plan.trace.top()), QPointF(x, plan.trace.bottom()));
            p.setPen(mq.couleur);
            p.drawText(QPointF(x + 2, plan.trace.top() + fm.ascent()), mq.lettre);
        }
        p.setClipping(false);
    }
    p.setPen(QPen(t.texte, 0));
    p.setBrush(Qt::NoBrush);
    p.drawRect(plan.trace);

    if (s.apercu && !plan.apercu.isEmpty()) {
        p.fillRect(plan.apercu, t.zone);
        if (donnees) {
            const core::Magasin& m = *s.magasin;
            const double premier = static_cast<double>(std::max<qint64>(1, m.premier()));
            const double dernier = static_cast<double>(m.NbMesures());
            const core::MinMax mm = m.minMax(1, m.NbMesures());
            const double lo = mm.vide() ? 0 : mm.min, hi = mm.vide() ? 1 : mm.max;
            const double etendue = hi > lo ? hi - lo : 1;
            const double sx = plan.apercu.width() / std::max(1.0, dernier - premier);
            const std::vector<QPointF> u =
                pointsTrace(m, m.NbMesures(), static_cast<qint64>(premier), sx,
                            static_cast<int>(std::ceil(plan.apercu.width())) + 1, 0, 0.f);
            QPolygonF l;
            for (const QPointF& q : u)
                l << QPointF(plan.apercu.left() + q.x() * sx,
                             plan.apercu.bottom() - 2 -
                                 (-q.y() - lo) / etendue * (plan.apercu.height() - 4));
            p.save();
            p.setClipRect(plan.apercu);
            p.setPen(QPen(t.apercu, 0));
            p.drawPolyline(l);
            p.restore();
            const double x0 = plan.xApercu(c.debut, premier, dernier);
            const double x1 = std::max(x0 + 2, plan.xApercu(c.fin(), premier, dernier));
            const QRectF vue(x0, plan.apercu.top(), x1 - x0, plan.apercu.height());
            p.fillRect(vue, t.vue);
            p.setPen(QPen(t.texte, 0));
            p.drawRect(vue);
        }
        p.setPen(QPen(t.rupture, 0));
        p.drawRect(plan.apercu);
    }
    p.restore();
    return plan;
}

} // namespace graph
