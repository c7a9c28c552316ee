#include "files/FichierEvenements.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "files/SerieEnr.h"

#include <iterator>

namespace files {

QString cheminEvenements(const QString& cheminEnr) {
    const QFileInfo info(cheminEnr);
    return info.dir().filePath(info.completeBaseName() + QStringLiteral("_evenements.csv"));
}

QByteArray enteteEvenements() {
    return QByteArray("N\xC2\xB0Record;Date;Time;Type;Texte\r\n");
}

QByteArray ligneEvenement(const core::Evenement& e) {
    QString texte = e.texte;
    texte.replace(QLatin1Char(';'), QLatin1Char(','));
    // Control characters (a NUL, an escape, line ends) never reach the file.
    for (QChar& c : texte)
        if (c.category() == QChar::Other_Control)
            c = QLatin1Char(' ');
    QByteArray l = QByteArray::number(e.numero);
    for (const QString& champ : {e.date, e.heure, e.type, texte}) {
        l += ';';
        l += champ.toUtf8();
    }
    l += "\r\n";
    return l;
}

std::optional<core::Evenement> evenementDeLigne(QByteArrayView ligne) {
    const QList<QByteArray> champs = QByteArray(ligne.data(), ligne.size()).split(';');
    bool ok = false;
    core::Evenement e;
    e.numero = champs.value(0).toLongLong(&ok);
    if (!ok || e.numero < 0 || champs.size() < 5 || champs[1].size() != 10 || champs[2].size() != 8)
        return std::nullopt;
    e.date = QString::fromUtf8(champs[1]);
    e.heure = QString::fromUtf8(champs[2]);
    e.type = QString::fromUtf8(champs[3]);
    e.texte = QString::fromUtf8(champs.mid(4).join(';'));
    return e;
}

LectureEvenements lisEvenements(const QString& chemin) {
    LectureEvenements r;
    QFile f(chemin);
    if (!QFileInfo(chemin).exists())
        return r;
    if (!QFileInfo(chemin).isFile() || !f.open(QIODevice::ReadOnly)) {
        r.raison = QStringLiteral("le fichier d'événements %1 ne peut pas être lu").arg(chemin);
        return r;
    }
    // Small beside the record: read whole, at most a few megabytes of events.
    constexpr qint64 kTailleMax = 64 << 20;
    const QByteArray contenu = f.read(kTailleMax);
    const QList<QByteArray> lignes = contenu.split('\n');
    for (qsizetype k = 0; k < lignes.size(); ++k) {
        QByteArray l = lignes[k];
        if (l.endsWith('\r'))
            l.chop(1);
        if (k == lignes.size() - 1 && l.isEmpty())
            break;
        // The header names its columns; a file without it starts with an event.
        if (k == 0 && l.startsWith('N'))
            continue;
        std::optional<core::Evenement> e = evenementDeLigne(l);
        if (!e) {
            if (r.ignorees++ == 0)
                r.ligne = k + 1;
            continue;
        }
        r.evenements.push_back(std::move(*e));
    }
    if (r.ignorees > 0)
        r.raison = QStringLiteral("%1 ligne(s) illisible(s) passée(s) (la première : ligne %2), "
                                  "les autres événements sont lus")
                       .arg(r.ignorees)
                       .arg(r.ligne);
    if (f.size() > kTailleMax) {
        if (!r.raison.isEmpty())
            r.raison += QStringLiteral(" ; ");
        r.raison += QStringLiteral("fichier d'événements trop grand : seuls les %1 premiers "
                                   "Mo sont lus")
                        .arg(kTailleMax >> 20);
        if (r.ligne == 0)
            r.ligne = lignes.size();
    }
    return r;
}

LectureEvenements lisEvenementsSerie(const QString& cheminEnr) {
    const QStringList fichiers = fichiersDeLaSerie(cheminEnr);
    if (fichiers.size() == 1)
        return lisEvenements(cheminEvenements(cheminEnr));
    LectureEvenements r;
    QStringList raisons;
    for (const QString& f : fichiers) {
        LectureEvenements lus = lisEvenements(cheminEvenements(f));
        std::move(lus.evenements.begin(), lus.evenements.end(), std::back_inserter(r.evenements));
        if (!lus.raison.isEmpty()) {
            raisons << QStringLiteral("%1 : %2").arg(QFileInfo(cheminEvenements(f)).fileName(),
                                                     lus.raison);
            r.ligne = r.ligne ? r.ligne : lus.ligne;
        }
        r.ignorees += lus.ignorees;
    }
    r.raison = raisons.join(QStringLiteral(" ; "));
    return r;
}

} // namespace files
