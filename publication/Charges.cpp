#include "publication/Charges.h"

#include <QDateTime>

#include <cmath>
#include <cstdio>

namespace publication {

namespace {

// A JSON string: quotes, backslashes and control characters escaped.
QByteArray chaine(const QString& s) {
    QByteArray r = "\"";
    for (const char c : s.toUtf8()) {
        if (c == '"' || c == '\\') {
            r += '\\';
            r += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char u[8];
            std::snprintf(u, sizeof u, "\\u%04x", c);
            r += u;
        } else {
            r += c;
        }
    }
    return r + '"';
}

} // namespace

QByteArray nombre(double v) {
    if (!std::isfinite(v))
        return "null";
    // QByteArray::number ignores the locale: always a dot, never a grouping.
    if (v == 0)
        return "0"; // never "-0"
    return QByteArray::number(v, 'g', 15);
}

QByteArray texteIso(qint64 tMs, int decalage) {
    // The civil date of a day count (proleptic Gregorian), without QDateTime: this
    // runs for every sample published.
    const qint64 secondes = (tMs >= 0 ? tMs / 1000 : (tMs - 999) / 1000) + decalage;
    qint64 jours = secondes >= 0 ? secondes / 86400 : (secondes - 86399) / 86400;
    const qint64 s = secondes - jours * 86400;
    jours += 719468;
    const qint64 ere = (jours >= 0 ? jours : jours - 146096) / 146097;
    const qint64 jDansEre = jours - ere * 146097;
    const qint64 aDansEre =
        (jDansEre - jDansEre / 1460 + jDansEre / 36524 - jDansEre / 146096) / 365;
    const qint64 jDansAn = jDansEre - (365 * aDansEre + aDansEre / 4 - aDansEre / 100);
    const qint64 mp = (5 * jDansAn + 2) / 153;
    const qint64 jour = jDansAn - (153 * mp + 2) / 5 + 1;
    const qint64 mois = mp < 10 ? mp + 3 : mp - 9;
    const qint64 annee = aDansEre + ere * 400 + (mois <= 2);
    const int a = std::abs(decalage);
    char texte[96];
    std::snprintf(texte, sizeof texte, "%04lld-%02lld-%02lldT%02lld:%02lld:%02lld%c%02d:%02d",
                  static_cast<long long>(annee), static_cast<long long>(mois),
                  static_cast<long long>(jour), static_cast<long long>(s / 3600),
                  static_cast<long long>(s / 60 % 60), static_cast<long long>(s % 60),
                  decalage < 0 ? '-' : '+', a / 3600, a / 60 % 60);
    return QByteArray(texte);
}

QByteArray chargeMesure(const Mesure& m) {
    QByteArray r;
    r.reserve(220);
    r += "{\"poste\":" + chaine(m.poste);
    r += ",\"session\":" + chaine(m.session);
    r += ",\"n\":" + QByteArray::number(m.n);
    r += ",\"t_ms\":" + QByteArray::number(m.tMs);
    r += ",\"t\":\"" + texteIso(m.tMs, m.decalage) + '"';
    if (m.lu) {
        r += ",\"brut\":" + nombre(m.brut);
        r += ",\"valeur\":" + nombre(m.valeur);
    } else {
        r += ",\"brut\":null,\"valeur\":null,\"lu\":false";
    }
    r += ",\"unite\":" + chaine(m.unite) + '}';
    return r;
}

QByteArray chargeEvenement(const QString& poste, const QString& session, qint64 n, qint64 tMs,
                           int decalage, const QString& type, const QString& texte, qint64 mesure) {
    QByteArray r = "{\"poste\":" + chaine(poste);
    r += ",\"session\":" + chaine(session);
    r += ",\"n\":" + QByteArray::number(n);
    r += ",\"t_ms\":" + QByteArray::number(tMs);
    r += ",\"t\":\"" + texteIso(tMs, decalage) + '"';
    r += ",\"type\":" + chaine(type);
    r += ",\"texte\":" + chaine(texte);
    r += ",\"mesure\":" + QByteArray::number(mesure) + '}';
    return r;
}

QByteArray sujet(const QString& poste, const char* feuille) {
    return "plovar/" + poste.toUtf8() + '/' + feuille;
}

QByteArray sujetDecouverte(const QString& poste) {
    return "homeassistant/sensor/plovar_" + poste.toUtf8() + "/config";
}

QByteArray sujetDecouverteAlarme(const QString& poste) {
    return "homeassistant/binary_sensor/plovar_" + poste.toUtf8() + "/config";
}

namespace {

QByteArray appareil(const QString& poste) {
    return ",\"device\":{\"identifiers\":[" + chaine(QStringLiteral("plovar_") + poste) +
           "],\"name\":" + chaine(QStringLiteral("Plovar ") + poste) +
           ",\"manufacturer\":\"Plovar\"}}";
}

} // namespace

QByteArray chargeDecouverteAlarme(const QString& poste) {
    QByteArray r =
        "{\"name\":" + chaine(QStringLiteral("Plovar ") + poste + QStringLiteral(" alarme"));
    r += ",\"unique_id\":" + chaine(QStringLiteral("plovar_") + poste + QStringLiteral("_alarme"));
    r += ",\"state_topic\":" + chaine(QString::fromUtf8(sujet(poste, "alarme")));
    r += ",\"payload_on\":\"ON\",\"payload_off\":\"OFF\",\"device_class\":\"problem\"";
    r += ",\"availability_topic\":" + chaine(QString::fromUtf8(sujet(poste, "etat")));
    r += ",\"payload_available\":\"online\",\"payload_not_available\":\"offline\"";
    return r + appareil(poste);
}

QByteArray chargeDecouverte(const QString& poste, const QString& unite) {
    QByteArray r = "{\"name\":" + chaine(QStringLiteral("Plovar ") + poste);
    r += ",\"unique_id\":" + chaine(QStringLiteral("plovar_") + poste);
    r += ",\"state_topic\":" + chaine(QString::fromUtf8(sujet(poste, "valeur")));
    r += ",\"availability_topic\":" + chaine(QString::fromUtf8(sujet(poste, "etat")));
    r += ",\"payload_available\":\"online\",\"payload_not_available\":\"offline\"";
    if (!unite.isEmpty())
        r += ",\"unit_of_measurement\":" + chaine(unite);
    r += ",\"state_class\":\"measurement\"";
    return r + appareil(poste);
}

} // namespace publication
