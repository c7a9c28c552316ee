#include "files/CodecEnr.h"

#include <QLocale>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

namespace files {

QByteArray enteteEnr() {
    return QByteArray("N\xB0Record;Valeur;Date;Time\r\n");
}

QByteArray ligneEnr(qint64 numero, const core::ValeurMesure& valeur, const QString& date,
                    const QString& heure) {
    QByteArray l = QByteArray::number(numero);
    l += ';';
    l += valeur.texte().toLatin1();
    l += ';';
    l += date.toLatin1();
    l += ';';
    l += heure.toLatin1();
    l += "\r\n";
    return l;
}

QByteArray ligneEnr(const core::Echantillon& e) {
    return ligneEnr(e.numero, e.valeur, e.date, e.heure);
}

ResultatAnalyse analyse_ligne(QByteArrayView ligne) {
    const auto* trouve =
        ligne.isEmpty() ? nullptr
                        : static_cast<const char*>(
                              std::memchr(ligne.data(), ';', static_cast<size_t>(ligne.size())));
    return analyse_ligne(ligne, trouve ? trouve - ligne.data() : -1);
}

ResultatAnalyse analyse_ligne(QByteArrayView ligne, qsizetype sep) {
    ResultatAnalyse r;
    if (sep < 0) {
        r.type = ResultatAnalyse::Type::ErreurFormat;
        return r;
    }
    // The first character after the separator is always taken; the next three
    // only while no further separator is met.
    qsizetype fin = std::min(sep + 2, ligne.size());
    while (fin < ligne.size() && fin <= sep + 4 && ligne[fin] != ';')
        ++fin;
    return analyseValeur(ligne.sliced(sep + 1, fin - sep - 1));
}

ResultatAnalyse analyseValeur(QByteArrayView texte) {
    ResultatAnalyse r;
    // Plain whole numbers, by far the usual case, are read here; anything else goes
    // through the C locale's number reading.
    qsizetype k = texte.startsWith('-') || texte.startsWith('+') ? 1 : 0;
    if (k < texte.size()) {
        double v = 0;
        qsizetype c = k;
        for (; c < texte.size() && texte[c] >= '0' && texte[c] <= '9'; ++c)
            v = v * 10 + (texte[c] - '0');
        if (c == texte.size()) {
            r.type = ResultatAnalyse::Type::Valeur;
            r.valeur = texte.startsWith('-') ? -v : v;
            return r;
        }
    }
    // A plain decimal number is read in place, with no allocation; anything else (spaces,
    // a "+", an exponent...) goes through the C locale's number reading.
    {
        const char* debut = texte.data();
        const char* fin = texte.data() + texte.size();
        double v = 0;
        const auto [ou, err] = std::from_chars(debut, fin, v, std::chars_format::fixed);
        if (err == std::errc() && ou == fin && texte.size() > 0 && std::isfinite(v)) {
            r.type = ResultatAnalyse::Type::Valeur;
            r.valeur = v;
            return r;
        }
    }
    bool ok = false;
    const double v = QLocale::c().toDouble(QString::fromLatin1(texte).trimmed(), &ok);
    if (!ok || !std::isfinite(v)) {
        r.type = ResultatAnalyse::Type::PasUnNombre;
        return r;
    }
    r.type = ResultatAnalyse::Type::Valeur;
    r.valeur = v;
    return r;
}

ResultatAnalyse analyse_ligne(const QString& ligne) {
    const QByteArray octets = ligne.toLatin1();
    return analyse_ligne(QByteArrayView(octets));
}

namespace {

// The four fields of a line whose first `trouves` separators (at most four) are at
// `seps`: a field ends at its separator or at the line's end; a line with fewer
// fields leaves the last ones empty.
ChampsEnr coupeChamps(QByteArrayView ligne, const qsizetype* seps, int trouves) {
    ChampsEnr c;
    QByteArrayView* champs[] = {&c.numero, &c.valeur, &c.date, &c.heure};
    const qsizetype n = ligne.size();
    qsizetype debut = 0;
    int k = 0;
    for (QByteArrayView* champ : champs) {
        if (debut > n)
            break;
        const qsizetype fin = k < trouves ? seps[k++] : n;
        *champ = ligne.sliced(debut, fin - debut);
        debut = fin + 1;
    }
    return c;
}

} // namespace

ChampsEnr champsEnr(QByteArrayView ligne) {
    const char* p = ligne.data();
    const qsizetype n = ligne.size();
    qsizetype seps[4];
    int trouves = 0;
    for (qsizetype debut = 0; trouves < 4 && debut < n;) {
        const auto* sep =
            static_cast<const char*>(std::memchr(p + debut, ';', static_cast<size_t>(n - debut)));
        if (!sep)
            break;
        seps[trouves] = sep - p;
        debut = seps[trouves++] + 1;
    }
    return coupeChamps(ligne, seps, trouves);
}

namespace {

// The high bit of each byte of `x` that is zero, and of no other byte.
inline uint64_t octetsNuls(uint64_t x) {
    constexpr uint64_t k7F = 0x7F7F7F7F7F7F7F7FULL;
    return ~(((x & k7F) + k7F) | x | k7F);
}

} // namespace

ChampsEnr champsEnrLu(QByteArrayView ligne, bool& retourSeul) {
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    retourSeul = false;
    const char* p = ligne.data();
    const qsizetype n = ligne.size();
    // The first four separators, and every carriage return, in one pass.
    qsizetype seps[4];
    int trouves = 0;
    for (qsizetype o = 0; o < n; o += 8) {
        uint64_t w;
        std::memcpy(&w, p + o, 8);
        uint64_t pv = octetsNuls(w ^ 0x3B3B3B3B3B3B3B3BULL);
        uint64_t cr = octetsNuls(w ^ 0x0D0D0D0D0D0D0D0DULL);
        if (n - o < 8) {
            // The bytes after the line are not looked at.
            const uint64_t dedans = (uint64_t(1) << ((n - o) * 8)) - 1;
            pv &= dedans;
            cr &= dedans;
        }
        for (; pv != 0 && trouves < 4; pv &= pv - 1)
            seps[trouves++] = o + (__builtin_ctzll(pv) >> 3);
        for (; cr != 0; cr &= cr - 1) {
            const qsizetype i = o + (__builtin_ctzll(cr) >> 3);
            if (i + 1 < n && p[i + 1] != '\0')
                retourSeul = true;
        }
    }
    return coupeChamps(ligne, seps, trouves);
#else
    retourSeul = retourChariotSeul(ligne);
    return champsEnr(ligne);
#endif
}

bool retourChariotSeul(QByteArrayView l) {
    if (l.isEmpty())
        return false;
    const char* fin = l.data() + l.size();
    for (const char* p = l.data();; ++p) {
        p = static_cast<const char*>(std::memchr(p, '\r', static_cast<size_t>(fin - p)));
        if (!p || p + 1 >= fin)
            return false;
        if (p[1] != '\0')
            return true;
    }
}

std::optional<qint64> numeroEnr(QByteArrayView ligne) {
    return numeroChamp(champsEnr(ligne).numero);
}

int chiffresEnr(const char* p, int n) {
    int v = 0;
    for (int k = 0; k < n; ++k) {
        if (p[k] < '0' || p[k] > '9')
            return -1;
        v = v * 10 + (p[k] - '0');
    }
    return v;
}

std::optional<qint64> numeroChamp(QByteArrayView n) {
    if (n.isEmpty() || n.size() > 18)
        return std::nullopt;
    qint64 v = 0;
    for (const char c : n) {
        if (c < '0' || c > '9')
            return std::nullopt;
        v = v * 10 + (c - '0');
    }
    return v;
}

bool estLigneEnr(QByteArrayView ligne) {
    return numeroEnr(ligne) && analyse_ligne(ligne).type == ResultatAnalyse::Type::Valeur;
}

DateHeureEnr dateHeureEnr(QByteArrayView date, QByteArrayView heure) {
    if (date.size() != 10 || heure.size() != 8)
        return {};
    DateHeureEnr r{QDate::fromString(QString::fromLatin1(date), QStringLiteral("MM-dd-yyyy")),
                   QTime::fromString(QString::fromLatin1(heure), QStringLiteral("HH:mm:ss"))};
    return r.valide() ? r : DateHeureEnr{};
}

} // namespace files
