#include "publication/Lacunes.h"

#include "core/Evenement.h"
#include "files/FichierEvenements.h"

#include <QDateTime>
#include <QFileInfo>

#include <limits>

namespace publication {

namespace {

// The start mark and the first sample of a run are taken in the same second or so.
constexpr qint64 kEcartDebutMs = 5000;

qint64 instantLocal(const QString& date, const QString& heure) {
    const QDateTime t = QDateTime::fromString(date + QLatin1Char(' ') + heure,
                                              QStringLiteral("MM-dd-yyyy HH:mm:ss"));
    return t.isValid() ? t.toMSecsSinceEpoch() : std::numeric_limits<qint64>::min();
}

} // namespace

Lacunes::Lacunes(const QString& cheminEnr) : m_chemin(files::cheminEvenements(cheminEnr)) {}

void Lacunes::actualise() {
    const QFileInfo info(m_chemin);
    const qint64 taille = info.exists() ? info.size() : -1;
    const qint64 modifie = info.exists() ? info.lastModified().toMSecsSinceEpoch() : -1;
    if (taille == m_taille && modifie == m_modifie)
        return;
    m_taille = taille;
    m_modifie = modifie;
    m_series.clear();
    m_sessionConnue.clear();
    m_serieConnue = nullptr;
    const QString debut = QString::fromUtf8(core::Evenement::kDebut);
    const QString perdue = QString::fromUtf8(core::Evenement::kSourcePerdue);
    const QString revenue = QString::fromUtf8(core::Evenement::kSourceRevenue);
    for (const core::Evenement& e : files::lisEvenements(m_chemin).evenements) {
        if (e.type == debut) {
            m_series.push_back({instantLocal(e.date, e.heure), {}});
        } else if (!m_series.empty()) {
            auto& trous = m_series.back().trous;
            const bool ouvert =
                !trous.empty() && trous.back().second == std::numeric_limits<qint64>::max();
            if (e.type == perdue && !ouvert)
                trous.push_back({e.numero, std::numeric_limits<qint64>::max()});
            else if (e.type == revenue && ouvert)
                trous.back().second = e.numero;
        }
    }
}

const Lacunes::Serie* Lacunes::serie(const QString& session) {
    if (session == m_sessionConnue)
        return m_serieConnue;
    m_sessionConnue = session;
    m_serieConnue = nullptr;
    // "2026-12-07T14:05:09+01:00"; an older cursor's session has no offset: local time.
    const QDateTime t = QDateTime::fromString(session, Qt::ISODate);
    if (!t.isValid())
        return nullptr;
    const qint64 ms = t.toMSecsSinceEpoch();
    for (const Serie& s : m_series)
        if (s.debutMs <= ms + kEcartDebutMs && s.debutMs >= ms - kEcartDebutMs)
            m_serieConnue = &s;
    return m_serieConnue;
}

bool Lacunes::lu(const QString& session, qint64 n) {
    const Serie* s = serie(session);
    if (!s)
        return true;
    for (const auto& [apres, jusque] : s->trous)
        if (n > apres && n <= jusque)
            return false;
    return true;
}

} // namespace publication
