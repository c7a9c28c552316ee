#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

#include <optional>

namespace core {

/// How a run's record is split into files: one file, or one a day (from local
/// midnight), a week (from Monday) or a month (from the 1st).
enum class Decoupage { Aucun, Jour, Semaine, Mois };

/// "jour", "semaine", "mois" (and "" for one file); nullopt for anything else.
std::optional<Decoupage> decoupage(const QString& texte);
QString texteDecoupage(Decoupage d);

/// The file of the period holding local date `jour`: the record name with the
/// period after it, "mesures.csv" giving "mesures_2026-12-08.csv" (the day),
/// "mesures_2026-S50.csv" (the ISO week) or "mesures_2026-12.csv" (the month).
/// The name itself for one file.
QString cheminPeriode(const QString& chemin, Decoupage d, const QDate& jour);
/// The period files of the record `chemin` found on disk, oldest period first
/// (one kind of period only: days, weeks or months).
QStringList cheminsPeriodes(const QString& chemin, Decoupage d);

} // namespace core
