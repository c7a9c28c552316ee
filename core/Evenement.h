#pragma once

#include <QString>

namespace core {

/// Something that happened during a run, kept beside the samples.
struct Evenement {
    /// The record number it stands at: the last sample stored when it happened
    /// (0 before the first sample of a run).
    qint64 numero = 0;
    /// Local date ("mm-dd-yyyy") and time ("hh:mm:ss"), as the record file writes them.
    QString date;
    QString heure;
    /// Its kind, one of the texts below.
    QString type;
    /// What happened, in French.
    QString texte;

    static constexpr const char* kDebut = "début";
    static constexpr const char* kArret = "arrêt";
    static constexpr const char* kAlarme = "alarme";
    static constexpr const char* kFinAlarme = "fin d'alarme";
    static constexpr const char* kCommentaire = "commentaire";
    static constexpr const char* kSourcePerdue = "source perdue";
    static constexpr const char* kSourceRevenue = "source revenue";
    static constexpr const char* kEcritureEchec = "écriture en échec";
    static constexpr const char* kEcritureRetablie = "écriture rétablie";
    static constexpr const char* kHorloge = "saut d'horloge";
    static constexpr const char* kReprise = "reprise";
    static constexpr const char* kDeclenchement = "déclenchement";
};

} // namespace core
