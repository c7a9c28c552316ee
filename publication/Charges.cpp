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
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(tMs, Qt::OffsetFromUTC, decalage);
    const int a = std::abs(decalage);
    char zone[16];
    std::snprintf(zone, sizeof zone, "%c%02d:%02d", decalage < 0 ? '-' : '+', a / 3600,
                  a / 60 % 60);
    return local.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")).toLatin1() + zone;
}

QByteArray chargeMesure(const Mesure& m) {
    QByteArray r;
    r.reserve(220);
    r += "{\"poste\":" + chaine(m.poste);
    r += ",\"session\":" + chaine(m.session);
    r += ",\"n\":" + QByteArray::number(m.n);
    r += ",\"t_ms\":" + QByteArray::number(m.tMs);
    r += ",\"t\":\"" + texteIso(m.tMs, m.decalage) + '"';
    r += ",\"brut\":" + nombre(m.brut);
    r += ",\"valeur\":" + nombre(m.valeur);
    r += ",\"unite\":" + chaine(m.unite) + '}';
    return r;
}

QByteArray sujet(const QString& poste, const char* feuille) {
    return "plovar/" + poste.toUtf8() + '/' + feuille;
}

QByteArray sujetDecouverte(const QString& poste) {
    return "homeassistant/sensor/plovar_" + poste.toUtf8() + "/config";
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
    r += ",\"device\":{\"identifiers\":[" + chaine(QStringLiteral("plovar_") + poste) +
         "],\"name\":" + chaine(QStringLiteral("Plovar ") + poste) +
         ",\"manufacturer\":\"Plovar\"}}";
    return r;
}

} // namespace publication
