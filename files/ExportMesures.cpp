#include "files/ExportMesures.h"

#include "files/CodecEnr.h"

#include <QDateTime>
#include <QLocale>
#include <QSaveFile>

#include <cmath>
#include <cstring>
#include <limits>
#include <map>

namespace files {

namespace {

QByteArray nombreFrancais(double v) {
    if (v == std::trunc(v) && std::fabs(v) < 1e15)
        return QByteArray::number(static_cast<qint64>(v));
    QByteArray t = QByteArray::number(v, 'g', 15);
    t.replace('.', ',');
    return t;
}

// True for "mm-dd-yyyy" and "hh:mm:ss" naming a real day and time.
bool champsUsuels(QByteArrayView date, QByteArrayView heure) {
    if (date.size() != 10 || heure.size() != 8 || date[2] != '-' || date[5] != '-' ||
        heure[2] != ':' || heure[5] != ':')
        return false;
    const int mois = chiffresEnr(date.data(), 2), jour = chiffresEnr(date.data() + 3, 2);
    const int annee = chiffresEnr(date.data() + 6, 4);
    const int h = chiffresEnr(heure.data(), 2), mi = chiffresEnr(heure.data() + 3, 2);
    const int se = chiffresEnr(heure.data() + 6, 2);
    return mois >= 1 && mois <= 12 && annee >= 1 && jour >= 1 &&
           jour <= QDate(annee, mois, 1).daysInMonth() && h >= 0 && h < 24 && mi >= 0 && mi < 60 &&
           se >= 0 && se < 60;
}

// "mm-dd-yyyy" and "hh:mm:ss" to ISO; anything else as it stands.
QByteArray dateIso(QByteArrayView date, QByteArrayView heure) {
    if (champsUsuels(date, heure)) {
        // The usual fields: their digits moved in place, with no date object made.
        QByteArray r(19, Qt::Uninitialized);
        char* o = r.data();
        std::memcpy(o, date.data() + 6, 4);
        o[4] = '-';
        std::memcpy(o + 5, date.data(), 2);
        o[7] = '-';
        std::memcpy(o + 8, date.data() + 3, 2);
        o[10] = ' ';
        std::memcpy(o + 11, heure.data(), 8);
        return r;
    }
    const DateHeureEnr d = dateHeureEnr(date, heure);
    if (d.valide())
        return (d.date.toString(Qt::ISODate) + QLatin1Char(' ') +
                d.heure.toString(QStringLiteral("HH:mm:ss")))
            .toUtf8();
    QString brut =
        (QString::fromLatin1(date) + QLatin1Char(' ') + QString::fromLatin1(heure)).trimmed();
    brut.replace(QLatin1Char(';'), QLatin1Char(','));
    return brut.toUtf8();
}

} // namespace

QByteArray champCsv(const QString& texte) {
    // Control characters would break a spreadsheet's reading; a line break is kept,
    // inside quotes, as one line end.
    QString t;
    t.reserve(texte.size());
    bool guillemets = false;
    for (qsizetype i = 0; i < texte.size(); ++i) {
        const QChar c = texte[i];
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            if (c == QLatin1Char('\r') && i + 1 < texte.size() && texte[i + 1] == QLatin1Char('\n'))
                ++i;
            t += QStringLiteral("\r\n");
            guillemets = true;
        } else if (c.category() == QChar::Other_Control) {
            t += QLatin1Char(' ');
        } else {
            if (c == QLatin1Char(';') || c == QLatin1Char('"'))
                guillemets = true;
            t += c;
        }
    }
    if (!guillemets)
        return t.toUtf8();
    t.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return '"' + t.toUtf8() + '"';
}

namespace {

// "yyyy-MM-dd HH:mm:ss" in local time for time stamps that mostly follow each other:
// the offset from UTC is looked up once an hour and the date text once a day.
class HorodatageIso {
public:
    QByteArray texte(qint64 ms) {
        const qint64 heure = floorDiv(ms, 3600000);
        if (heure != m_heure) {
            m_heure = heure;
            m_decalage = QDateTime::fromMSecsSinceEpoch(ms).offsetFromUtc();
        }
        const qint64 s = floorDiv(ms, 1000) + m_decalage;
        const qint64 jour = floorDiv(s, 86400);
        if (jour != m_jour) {
            m_jour = jour;
            m_date = QDate(1970, 1, 1).addDays(jour).toString(Qt::ISODate).toLatin1() + ' ';
        }
        const qint64 dansJour = s - jour * 86400;
        char hms[9];
        const auto deux = [](char* o, qint64 v) {
            o[0] = char('0' + v / 10);
            o[1] = char('0' + v % 10);
        };
        deux(hms, dansJour / 3600);
        hms[2] = ':';
        deux(hms + 3, (dansJour / 60) % 60);
        hms[5] = ':';
        deux(hms + 6, dansJour % 60);
        return m_date + QByteArray(hms, 8);
    }

private:
    static qint64 floorDiv(qint64 a, qint64 b) {
        return a / b - (a % b != 0 && (a < 0) != (b < 0));
    }
    qint64 m_heure = std::numeric_limits<qint64>::min();
    qint64 m_jour = std::numeric_limits<qint64>::min();
    int m_decalage = 0;
    QByteArray m_date;
};

} // namespace

bool exporteMesures(QIODevice& sortie, const core::Magasin& m, qint64 a, qint64 b,
                    const core::Etalonnage& etalonnage,
                    const std::function<bool(qint64, qint64)>& progression,
                    const std::vector<core::Evenement>& evenements, QString* erreur) {
    // The events by record number, for the last column.
    std::multimap<qint64, QString> parNumero;
    for (const core::Evenement& e : evenements)
        parNumero.emplace(e.numero, e.type + QStringLiteral(" : ") + e.texte);
    a = std::max(a, std::max<qint64>(m.premier(), 1));
    b = std::min(b, m.NbMesures());
    const qint64 total = std::max<qint64>(0, b - a + 1);
    QByteArray bloc = "\xEF\xBB\xBF";
    bloc += "N\xC2\xB0;Date et heure;Valeur brute";
    if (etalonnage.actif)
        bloc += ";Valeur;Unit\xC3\xA9";
    if (!evenements.empty())
        bloc += ";\xC3\x89v\xC3\xA9nements";
    bloc += "\r\n";
    const QByteArray unite = champCsv(etalonnage.unite);
    HorodatageIso horodatage;
    for (qint64 i = a; i <= b; ++i) {
        qint64 numero = i;
        if (m.instantMs(i) != 0) {
            bloc += QByteArray::number(i);
            bloc += ';';
            bloc += horodatage.texte(m.instantMs(i));
        } else {
            // A loaded line keeps its own record number, date and time.
            const QByteArray ligne = m.ligneLue(i);
            if (ligne.isEmpty()) {
                if (erreur)
                    *erreur = QStringLiteral("le fichier lu a changé depuis son chargement "
                                             "(ligne %1) ; ouvrez-le de nouveau")
                                  .arg(i);
                return false;
            }
            const ChampsEnr champs = champsEnr(ligne);
            numero = numeroEnr(ligne).value_or(i);
            bloc += QByteArray::number(numero);
            bloc += ';';
            bloc += dateIso(champs.date, champs.heure);
        }
        bloc += ';';
        bloc += nombreFrancais(m.valeur(i));
        if (etalonnage.actif) {
            bloc += ';';
            bloc += etalonnage.nombreOctets(m.valeur(i));
            bloc += ';';
            bloc += unite;
        }
        if (!evenements.empty()) {
            bloc += ';';
            const auto [de, a2] = parNumero.equal_range(numero);
            QString cellule;
            for (auto k = de; k != a2; ++k) {
                if (k != de)
                    cellule += QStringLiteral(" | ");
                cellule += k->second;
            }
            bloc += champCsv(cellule);
        }
        bloc += "\r\n";
        if (bloc.size() > (1 << 20) || i == b) {
            if (sortie.write(bloc) != bloc.size())
                return false;
            bloc.clear();
            if (progression && !progression(i - a + 1, total))
                return false;
        }
    }
    if (!bloc.isEmpty() && sortie.write(bloc) != bloc.size())
        return false;
    return true;
}

bool exporteMesures(const QString& chemin, const core::Magasin& m, qint64 a, qint64 b,
                    const core::Etalonnage& etalonnage,
                    const std::function<bool(qint64, qint64)>& progression, QString* erreur,
                    const std::vector<core::Evenement>& evenements) {
    // Written aside and put in place at the end: a cancelled or failed export
    // leaves nothing, and never half a file.
    QSaveFile f(chemin);
    f.setDirectWriteFallback(false);
    if (!f.open(QIODevice::WriteOnly)) {
        if (erreur)
            *erreur = QStringLiteral("le fichier ne peut pas être créé (%1)").arg(f.errorString());
        return false;
    }
    bool annule = false;
    QString raison;
    const bool ok = exporteMesures(
        f, m, a, b, etalonnage,
        [&](qint64 fait, qint64 total) {
            if (progression && !progression(fait, total)) {
                annule = true;
                return false;
            }
            return true;
        },
        evenements, &raison);
    if (!ok) {
        f.cancelWriting();
        if (erreur)
            *erreur = annule             ? QString()
                      : raison.isEmpty() ? QStringLiteral("l'écriture a échoué")
                                         : raison;
        return false;
    }
    if (!f.commit()) {
        if (erreur)
            *erreur = QStringLiteral("l'écriture a échoué (%1)").arg(f.errorString());
        return false;
    }
    return true;
}

} // namespace files
