#include "graph/RenduGraphe.h"
#include "graph/RenduGrand.h"

#include "graph/Couleurs.h"
#include "graph/Geometrie.h"

#include <QFile>
#include <QImage>
#include <QPdfWriter>
#include <QPolygonF>
#include <QSvgGenerator>

#include <climits>
#include <cmath>

namespace graph {

void dessineGraphe(QPainter& p, const QRectF& cadre, const Vue& v, const QStringList& lignes,
                   bool clair) {
    // On paper or in a document, a light background saves ink and reads better; the
    // screen's black is kept when asked for.
    const QColor fond = clair ? QColor(Qt::white) : couleurs::cadreFenetre();
    const QColor axes = clair ? QColor(150, 150, 150) : couleurs::titreInactif();
    const QColor courbe = clair ? QColor(0, 70, 160) : couleurs::trace();
    p.save();
    const QFontMetricsF fm(p.font());
    const double hauteurTexte = fm.height();
    QRectF zone = cadre;
    // The text lines, then room on the right and below for the division numbers. The
    // pen is set before any text: a vector format writes no colour for a pen left as
    // it was at the start, and some renderers then draw nothing.
    p.setPen(QPen(couleurs::texteFenetre(), 0));
    for (int k = 0; k < lignes.size(); ++k)
        p.drawText(
            QRectF(cadre.left(), cadre.top() + k * hauteurTexte, cadre.width(), hauteurTexte),
            Qt::AlignLeft | Qt::AlignVCenter, lignes[k]);
    zone.setTop(cadre.top() + lignes.size() * hauteurTexte + (lignes.isEmpty() ? 0 : 4));
    zone.setRight(cadre.right() - fm.horizontalAdvance(QStringLiteral(" 9 ")) - 8);
    zone.setBottom(cadre.bottom() - hauteurTexte - 8);
    p.fillRect(zone, fond);
    if (clair) {
        p.setPen(QPen(couleurs::texteFenetre(), 0));
        p.drawRect(zone);
    }
    p.setPen(QPen(axes, 0));
    p.drawLine(QPointF(zone.left(), zone.center().y()), QPointF(zone.right(), zone.center().y()));
    p.drawLine(QPointF(zone.center().x(), zone.top()), QPointF(zone.center().x(), zone.bottom()));
    // Ticks and their numbers, at tenths of the area as on screen.
    p.setPen(QPen(couleurs::texteFenetre(), 0));
    for (int k = 1; k <= 9; ++k) {
        const double x = zone.left() + zone.width() * k / 10.0;
        const double y = zone.top() + zone.height() * k / 10.0;
        p.drawLine(QPointF(x, zone.bottom()), QPointF(x, zone.bottom() + 4));
        p.drawLine(QPointF(zone.right(), y), QPointF(zone.right() + 4, y));
        p.drawText(QRectF(x - 20, zone.bottom() + 5, 40, hauteurTexte), Qt::AlignCenter,
                   QString::number(k));
        p.drawText(QRectF(zone.right() + 6, y - hauteurTexte / 2, 30, hauteurTexte),
                   Qt::AlignLeft | Qt::AlignVCenter, QString::number(k));
    }
    if (v.magasin && v.n > 0 && v.largeurEchelle > 0) {
        const double sx = zone.width() / v.largeurEchelle;
        const double sy = zone.height() / 255.0;
        const std::vector<QPointF> u =
            pointsTrace(*v.magasin, v.n, v.debut, sx, static_cast<int>(std::ceil(zone.width())),
                        v.decalageY, 255.f);
        QPolygonF trace;
        trace.reserve(static_cast<qsizetype>(u.size()));
        for (const QPointF& q : u)
            trace << QPointF(zone.left() + q.x() * sx, zone.top() + q.y() * sy);
        p.setClipRect(zone);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(styloTrace(p, courbe, true, 1.2));
        p.drawPolyline(trace);
        for (const double l : v.limites) {
            const double y = zone.top() + (255.0 - (l - v.decalageY)) * sy;
            if (y >= zone.top() && y <= zone.bottom()) {
                p.setPen(QPen(QColor(255, 60, 60), 0, Qt::DotLine));
                p.drawLine(QPointF(zone.left(), y), QPointF(zone.right(), y));
            }
        }
        long dernierePx = LONG_MIN;
        for (const Marque& m : v.marques) {
            const double x = zone.left() + (static_cast<double>(m.index - v.debut)) * sx;
            if (x < zone.left() || x > zone.right() || std::lround(x) == dernierePx)
                continue;
            dernierePx = std::lround(x);
            // The screen's light marks (a yellow start) would vanish on white.
            const QColor couleur =
                clair && m.couleur.lightness() > 140 ? m.couleur.darker(220) : m.couleur;
            p.setPen(QPen(couleur, 0, Qt::DashLine));
            p.drawLine(QPointF(x, zone.top()), QPointF(x, zone.bottom()));
            p.setPen(couleur);
            p.drawText(QPointF(x + 2, zone.top() + fm.ascent()), m.lettre);
        }
    }
    p.restore();
}

FormatImage formatImage(const QString& chemin, const QString& filtre) {
    const QString c = chemin.toLower();
    if (c.endsWith(QStringLiteral(".svg")))
        return FormatImage::Svg;
    if (c.endsWith(QStringLiteral(".pdf")))
        return FormatImage::Pdf;
    if (c.endsWith(QStringLiteral(".png")))
        return FormatImage::Png;
    if (filtre.contains(QStringLiteral("svg"), Qt::CaseInsensitive))
        return FormatImage::Svg;
    if (filtre.contains(QStringLiteral("pdf"), Qt::CaseInsensitive))
        return FormatImage::Pdf;
    return FormatImage::Png;
}

bool exporteImage(const QString& chemin, FormatImage format, const Vue& v,
                  const QStringList& lignes, QString* erreur, bool clair) {
    const QSize taille(1200, 500 + 20 * static_cast<int>(lignes.size()));
    return exporteDessin(
        chemin, format, taille,
        [&](QPainter& p, const QRectF& cadre) {
            // A margin on images; the page's own on paper.
            dessineGraphe(p, format == FormatImage::Pdf ? cadre : cadre.adjusted(8, 8, -8, -8), v,
                          lignes, clair);
        },
        erreur);
}

bool exporteDessin(const QString& chemin, FormatImage format, QSize taille,
                   const std::function<void(QPainter&, const QRectF&)>& dessin, QString* erreur) {
    QFile f(chemin);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        if (erreur)
            *erreur = QStringLiteral("le fichier ne peut pas être écrit (%1)").arg(f.errorString());
        return false;
    }
    bool ok = true;
    switch (format) {
    case FormatImage::Png: {
        QImage image(taille, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter p(&image);
        dessin(p, QRectF(QPointF(0, 0), QSizeF(taille)));
        p.end();
        ok = image.save(&f, "PNG");
        break;
    }
    case FormatImage::Svg: {
        QSvgGenerator svg;
        svg.setOutputDevice(&f);
        svg.setSize(taille);
        svg.setViewBox(QRect(QPoint(0, 0), taille));
        svg.setTitle(QStringLiteral("Plovar"));
        QPainter p(&svg);
        dessin(p, QRectF(QPointF(0, 0), QSizeF(taille)));
        ok = p.end();
        break;
    }
    case FormatImage::Pdf: {
        QPdfWriter pdf(&f);
        // The drawing spaces its labels and sizes its lines in pixels, as on screen:
        // at the writer's own 1200 dots an inch, a hundred labels would pile up in an
        // inch and the curve would be a hairline. A page at the screen's 96 keeps the
        // screen's look, and stays vector.
        pdf.setResolution(96);
        pdf.setPageOrientation(QPageLayout::Landscape);
        pdf.setTitle(QStringLiteral("Plovar"));
        QPainter p(&pdf);
        dessin(p, QRectF(p.viewport()));
        ok = p.end();
        break;
    }
    }
    f.close();
    ok = ok && f.error() == QFileDevice::NoError;
    if (!ok) {
        if (erreur)
            *erreur = QStringLiteral("l'image n'a pas pu être écrite entièrement");
        f.remove();
    }
    return ok;
}

std::optional<core::Statistiques> sousPointeur(const Vue& v, int x, int largeurPixels) {
    if (!v.magasin || v.n <= 0 || v.largeurEchelle <= 0 || largeurPixels <= 0 || x < 0 ||
        x >= largeurPixels)
        return std::nullopt;
    const double sx = largeurPixels / v.largeurEchelle;
    // The samples whose x falls in [x, x + 1): from the first at or after x.
    const qint64 i0 = v.debut + static_cast<qint64>(std::ceil(x / sx));
    qint64 i1 = v.debut + static_cast<qint64>(std::ceil((x + 1) / sx)) - 1;
    if (i1 < i0) {
        // Wider than a pixel a sample: the nearest sample to the column's middle.
        const qint64 i = v.debut + std::llround((x + 0.5) / sx);
        if (i < std::max<qint64>(1, v.magasin->premier()) || i > v.n)
            return std::nullopt;
        return v.magasin->statistiques(i, i);
    }
    i1 = std::min(i1, v.n);
    const core::Statistiques st = v.magasin->statistiques(std::max<qint64>(i0, 1), i1);
    if (st.n == 0)
        return std::nullopt;
    return st;
}

} // namespace graph
