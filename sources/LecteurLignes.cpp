#include "sources/LecteurLignes.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

namespace sources {

namespace {

bool espace(char c) {
    return c == ' ' || c == '\t';
}

bool chiffre(char c) {
    return c >= '0' && c <= '9';
}

// Printable UTF-8 (tabs allowed): noise received at a wrong speed is neither.
bool texteValide(QByteArrayView l) {
    const auto* p = reinterpret_cast<const unsigned char*>(l.data());
    const qsizetype n = l.size();
    for (qsizetype i = 0; i < n;) {
        const unsigned char c = p[i];
        if (c < 0x80) {
            if ((c < 0x20 && c != '\t') || c == 0x7f)
                return false;
            ++i;
            continue;
        }
        int suite = 0;
        if (c >= 0xc2 && c <= 0xdf)
            suite = 1;
        else if (c >= 0xe0 && c <= 0xef)
            suite = 2;
        else if (c >= 0xf0 && c <= 0xf4)
            suite = 3;
        else
            return false;
        if (i + suite >= n)
            return false;
        for (int k = 1; k <= suite; ++k)
            if ((p[i + k] & 0xc0) != 0x80)
                return false;
        // Overlong and out-of-range forms.
        if ((c == 0xe0 && p[i + 1] < 0xa0) || (c == 0xf0 && p[i + 1] < 0x90) ||
            (c == 0xf4 && p[i + 1] > 0x8f) || (c == 0xed && p[i + 1] > 0x9f))
            return false;
        i += suite + 1;
    }
    return true;
}

// The number that starts at `i`, if one does and it ends cleanly: at the end of the
// line, before a space, a separator (, ;) or a unit sign (% or °).
std::optional<double> nombreA(QByteArrayView l, qsizetype i) {
    const qsizetype n = l.size();
    char tampon[64];
    int t = 0;
    const auto met = [&](char c) {
        if (t >= static_cast<int>(sizeof tampon))
            return false;
        tampon[t++] = c;
        return true;
    };
    if (i < n && (l[i] == '+' || l[i] == '-')) {
        if (l[i] == '-')
            met('-');
        ++i;
    }
    int chiffres = 0;
    while (i < n && chiffre(l[i])) {
        if (!met(l[i++]))
            return std::nullopt;
        ++chiffres;
    }
    // A decimal point, or a comma followed by a digit ("21,5"; "21.5,h:40" keeps
    // its comma as a separator).
    if (i < n && (l[i] == '.' || (l[i] == ',' && i + 1 < n && chiffre(l[i + 1])))) {
        ++i;
        met('.');
        while (i < n && chiffre(l[i])) {
            if (!met(l[i++]))
                return std::nullopt;
            ++chiffres;
        }
    }
    if (chiffres == 0)
        return std::nullopt;
    if (i < n && (l[i] == 'e' || l[i] == 'E')) {
        qsizetype j = i + 1;
        if (j < n && (l[j] == '+' || l[j] == '-'))
            ++j;
        if (j < n && chiffre(l[j])) {
            met('e');
            if (l[i + 1] == '-')
                met('-');
            i = j;
            while (i < n && chiffre(l[i]))
                if (!met(l[i++]))
                    return std::nullopt;
        }
    }
    if (i < n) {
        const char c = l[i];
        const bool degre = static_cast<unsigned char>(c) == 0xc2 && i + 1 < n &&
                           static_cast<unsigned char>(l[i + 1]) == 0xb0;
        if (!espace(c) && c != ',' && c != ';' && c != '%' && !degre)
            return std::nullopt;
    }
    double v = 0;
    const std::from_chars_result r = std::from_chars(tampon, tampon + t, v);
    if (r.ec != std::errc() || r.ptr != tampon + t || !std::isfinite(v))
        return std::nullopt;
    return v;
}

qsizetype sauteEspaces(QByteArrayView l, qsizetype i) {
    while (i < l.size() && espace(l[i]))
        ++i;
    return i;
}

std::optional<double> premierNombre(QByteArrayView l) {
    qsizetype i = sauteEspaces(l, 0);
    if (i < l.size() && !chiffre(l[i]) && l[i] != '+' && l[i] != '-' && l[i] != '.') {
        // One word ending in ':' or '=' may come first ("Temp: 21.5", "t=21.5").
        qsizetype j = i;
        while (j < l.size() && !espace(l[j]) && l[j] != ':' && l[j] != '=' && l[j] != ',' &&
               l[j] != ';')
            ++j;
        if (j >= l.size() || (l[j] != ':' && l[j] != '='))
            return std::nullopt;
        i = sauteEspaces(l, j + 1);
    }
    return nombreA(l, i);
}

std::optional<double> valeurEtiquette(QByteArrayView l, QByteArrayView etiquette) {
    // "t:21.5 h:40", "t=21.5,h=40", "h:40;t: 21.5": the label starts a pair.
    for (qsizetype i = 0; i + etiquette.size() <= l.size(); ++i) {
        if (i > 0 && !espace(l[i - 1]) && l[i - 1] != ',' && l[i - 1] != ';')
            continue;
        if (std::memcmp(l.data() + i, etiquette.data(), size_t(etiquette.size())) != 0)
            continue;
        qsizetype j = sauteEspaces(l, i + etiquette.size());
        if (j >= l.size() || (l[j] != ':' && l[j] != '='))
            continue;
        return nombreA(l, sauteEspaces(l, j + 1));
    }
    return std::nullopt;
}

} // namespace

std::optional<double> LecteurLignes::valeurLigne(QByteArrayView ligne, QByteArrayView etiquette) {
    if (!texteValide(ligne))
        return std::nullopt;
    return etiquette.isEmpty() ? premierNombre(ligne) : valeurEtiquette(ligne, etiquette);
}

void LecteurLignes::ajoute(QByteArrayView octets, qint64 instantMs) {
    const char* p = octets.data();
    const char* const fin = p + octets.size();
    while (p < fin) {
        // Up to the next line end: CR, LF, or both (an empty line between them).
        const char* q = p;
        while (q < fin && *q != '\n' && *q != '\r')
            ++q;
        if (!m_tropLongue) {
            if (m_ligne.size() + (q - p) > kLigneMax) {
                m_tropLongue = true;
                m_ligne.clear();
            } else {
                m_ligne.append(p, q - p);
            }
        }
        if (q == fin)
            return;
        finLigne(instantMs);
        p = q + 1;
    }
}

void LecteurLignes::finLigne(qint64 instantMs) {
    if (m_tropLongue) {
        m_tropLongue = false;
        refuse(QByteArrayView("(ligne de plus de 256 octets)"));
        return;
    }
    const QByteArrayView l(m_ligne);
    if (sauteEspaces(l, 0) == l.size()) {
        // An empty line (the LF of a CR LF, a blank println) says nothing.
        m_ligne.clear();
        return;
    }
    if (const std::optional<double> v = valeurLigne(l, m_etiquette)) {
        m_derniere = Lecture{*v, instantMs};
        ++m_nbLues;
    } else {
        refuse(l);
    }
    m_ligne.clear();
}

void LecteurLignes::refuse(QByteArrayView ligne) {
    ++m_nbRefusees;
    QByteArray montre = ligne.first(std::min<qsizetype>(ligne.size(), 40)).toByteArray();
    for (char& c : montre)
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7f)
            c = '?';
    m_derniereRefusee = montre;
}

void LecteurLignes::oubliePartielle() {
    m_ligne.clear();
    m_tropLongue = false;
}

} // namespace sources
