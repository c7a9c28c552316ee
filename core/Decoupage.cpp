#include "core/Decoupage.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <utility>

namespace core {

std::optional<Decoupage> decoupage(const QString& texte) {
    if (texte.isEmpty() || texte == QLatin1String("aucun"))
        return Decoupage::Aucun;
    if (texte == QLatin1String("jour"))
        return Decoupage::Jour;
    if (texte == QLatin1String("semaine"))
        return Decoupage::Semaine;
    if (texte == QLatin1String("mois"))
        return Decoupage::Mois;
    return std::nullopt;
}

QString texteDecoupage(Decoupage d) {
    switch (d) {
    case Decoupage::Jour:
        return QStringLiteral("jour");
    case Decoupage::Semaine:
        return QStringLiteral("semaine");
    case Decoupage::Mois:
        return QStringLiteral("mois");
    case Decoupage::Aucun:
        break;
    }
    return QStringLiteral("aucun");
}

namespace {

// The record's name without its extension, and its extension with the dot.
std::pair<QString, QString> nomEtSuffixe(const QFileInfo& info) {
    const QString suffixe = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    QString nom = info.fileName();
    nom.chop(suffixe.size());
    return {nom, suffixe};
}

} // namespace

QString cheminPeriode(const QString& chemin, Decoupage d, const QDate& jour) {
    QString periode;
    switch (d) {
    case Decoupage::Aucun:
        return chemin;
    case Decoupage::Jour:
        periode = jour.toString(QStringLiteral("yyyy-MM-dd"));
        break;
    case Decoupage::Semaine: {
        // The ISO week: the last days of December may be week 1 of the next year.
        int annee = 0;
        const int semaine = jour.weekNumber(&annee);
        periode = QStringLiteral("%1-S%2").arg(annee).arg(semaine, 2, 10, QLatin1Char('0'));
        break;
    }
    case Decoupage::Mois:
        periode = jour.toString(QStringLiteral("yyyy-MM"));
        break;
    }
    const QFileInfo info(chemin);
    const auto [nom, suffixe] = nomEtSuffixe(info);
    return info.dir().filePath(nom + QLatin1Char('_') + periode + suffixe);
}

QStringList cheminsPeriodes(const QString& chemin, Decoupage d) {
    const char* periode = nullptr;
    switch (d) {
    case Decoupage::Aucun:
        return {};
    case Decoupage::Jour:
        periode = "\\d{4}-\\d{2}-\\d{2}";
        break;
    case Decoupage::Semaine:
        periode = "\\d{4}-S\\d{2}";
        break;
    case Decoupage::Mois:
        periode = "\\d{4}-\\d{2}";
        break;
    }
    const QFileInfo info(chemin);
    const auto [nom, suffixe] = nomEtSuffixe(info);
    const QRegularExpression motif(QRegularExpression::anchoredPattern(
        QRegularExpression::escape(nom + QLatin1Char('_')) + QLatin1String(periode) +
        QRegularExpression::escape(suffixe)));
    QStringList r;
    // Named by their period, they sort in time by name.
    const QDir dossier = info.dir();
    for (const QString& f : dossier.entryList(QDir::Files, QDir::Name))
        if (motif.match(f).hasMatch())
            r << dossier.filePath(f);
    return r;
}

} // namespace core
