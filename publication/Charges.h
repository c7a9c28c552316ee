#pragma once

#include <QByteArray>
#include <QString>

namespace publication {

/// One sample as published.
struct Mesure {
    QString poste;
    QString session;  ///< the run: date and time of its first line, "2026-12-07T14:05:09+01:00"
    qint64 n = 0;     ///< record number
    qint64 tMs = 0;   ///< UTC ms
    int decalage = 0; ///< offset from UTC of the local time written, seconds
    double brut = 0;
    double valeur = 0;
    QString unite;
    /// False when no reading stands behind it: value and raw value are null.
    bool lu = true;
};

/// A number for a payload: a dot, no exponent for usual values, never nan or inf
/// ("null" then).
QByteArray nombre(double v);
/// "2026-12-07T14:05:09+01:00".
QByteArray texteIso(qint64 tMs, int decalage);
/// The JSON object of a sample.
QByteArray chargeMesure(const Mesure& m);
/// The JSON object of an event: `n` is its rank in its run, `mesure` the record
/// number it stands at.
QByteArray chargeEvenement(const QString& poste, const QString& session, qint64 n, qint64 tMs,
                           int decalage, const QString& type, const QString& texte, qint64 mesure);
/// Home Assistant's discovery config for a station.
QByteArray chargeDecouverte(const QString& poste, const QString& unite);
/// Topics.
QByteArray sujet(const QString& poste, const char* feuille);
QByteArray sujetDecouverte(const QString& poste);
/// The alarm as a Home Assistant binary sensor ("ON" while an alarm is in force).
QByteArray chargeDecouverteAlarme(const QString& poste);
QByteArray sujetDecouverteAlarme(const QString& poste);

} // namespace publication
