#include "files/InstantsEnr.h"

#include "files/CodecEnr.h"

#include "core/Horodatage.h"

#include <cstring>

namespace files {

namespace {

bool bissextile(int a) {
    return (a % 4 == 0 && a % 100 != 0) || a % 400 == 0;
}

int joursDuMois(int a, int m) {
    static constexpr int kJours[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && bissextile(a) ? 29 : kJours[m - 1];
}

} // namespace

InstantsEnr::InstantsEnr(QTimeZone zone) : m_zone(std::move(zone)) {}

const InstantsEnr::Heure& InstantsEnr::heure(qint64 naifMs) {
    constexpr qint64 kHeure = 3'600'000;
    const qint64 cle = naifMs >= 0 ? naifMs / kHeure : (naifMs - kHeure + 1) / kHeure;
    if (m_heureDerniere && cle == m_cleDerniere)
        return *m_heureDerniere;
    m_cleDerniere = cle;
    auto it = m_heures.find(cle);
    if (it != m_heures.end())
        return *(m_heureDerniere = &it->second);
    // The hour is judged at its middle: offsets change on the hour or the half hour.
    const std::vector<qint64> u = core::instantsLocaux(cle * kHeure + kHeure / 2, m_zone);
    Heure h;
    h.lectures = static_cast<int>(u.size());
    if (u.empty()) {
        // Skipped by the spring change: the offset before it.
        const qint64 avant = cle * kHeure - kHeure;
        const std::vector<qint64> v = core::instantsLocaux(avant, m_zone);
        h.tot = h.tard = v.empty() ? 0 : avant - v.front();
    } else {
        h.tot = cle * kHeure + kHeure / 2 - u.front();
        h.tard = cle * kHeure + kHeure / 2 - u.back();
    }
    return *(m_heureDerniere = &m_heures.emplace(cle, h).first->second);
}

std::optional<qint64> InstantsEnr::utcMs(QByteArrayView date, QByteArrayView heureTexte) {
    if (date.size() != 10 || heureTexte.size() != 8 || date[2] != '-' || date[5] != '-' ||
        heureTexte[2] != ':' || heureTexte[5] != ':')
        return std::nullopt;
    const int h = chiffresEnr(heureTexte.data(), 2), mi = chiffresEnr(heureTexte.data() + 3, 2);
    const int s = chiffresEnr(heureTexte.data() + 6, 2);
    if (h < 0 || h > 23 || mi < 0 || mi > 59 || s < 0 || s > 59)
        return std::nullopt;
    if (!m_aJour || std::memcmp(date.data(), m_dateDerniere, 10) != 0) {
        const int mois = chiffresEnr(date.data(), 2), jour = chiffresEnr(date.data() + 3, 2);
        const int annee = chiffresEnr(date.data() + 6, 4);
        if (mois < 1 || mois > 12 || annee < 1 || jour < 1 || jour > joursDuMois(annee, mois))
            return std::nullopt;
        m_jourDernier = core::msNaif(annee, mois, jour, 0, 0, 0);
        std::memcpy(m_dateDerniere, date.data(), 10);
        m_aJour = true;
    }
    const qint64 naif = m_jourDernier + (h * 3600LL + mi * 60LL + s) * 1000;
    const Heure& d = heure(naif);
    qint64 u = naif - d.tot;
    // The hour shown twice: its second pass once the first would go back in time.
    if (d.lectures == 2 && m_aDernier && u < m_dernier)
        u = naif - d.tard;
    m_dernier = u;
    m_aDernier = true;
    m_dernierDecalage = static_cast<int>((naif - u) / 1000);
    return u;
}

} // namespace files
