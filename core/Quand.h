#pragma once

#include <QString>
#include <QTimeZone>

#include <optional>

namespace core {

/// The instant (UTC ms) a scheduled start or end names, on the local wall clock of
/// `zone`:
/// - "HH:MM" or "HH:MM:SS": the next time after `maintenantMs` the clock reads it
///   (today, else tomorrow);
/// - "AAAA-MM-JJTHH:MM[:SS]": that date and time.
/// A time the autumn change shows twice is the first of the two still to come
/// (for a given date: the first); a time the spring change skips is the moment the
/// clock jumps over it. nullopt, with `erreur` in French, for anything else.
std::optional<qint64> resoutQuand(const QString& texte, qint64 maintenantMs, const QTimeZone& zone,
                                  QString* erreur = nullptr);

} // namespace core
