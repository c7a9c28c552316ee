#pragma once

#include "publication/Curseur.h"

#include <QString>

#include <algorithm>
#include <deque>
#include <memory>

namespace publication {

/// The files a queue follows next, in order, each with a reader that only counts
/// what is left in it from its cursor (the backlog shown counts them too).
template <class Lecteur> class Suivants {
public:
    /// Adds `chemin` after the others, unless it is already there.
    void ajoute(const QString& chemin) {
        if (std::any_of(m_file.begin(), m_file.end(),
                        [&](const Suivant& s) { return s.chemin == chemin; }))
            return;
        auto compte = std::make_unique<Lecteur>(chemin);
        compte->reprend(lisCurseur(chemin));
        m_file.push_back({chemin, std::move(compte)});
    }
    bool vide() const { return m_file.empty(); }
    void efface() { m_file.clear(); }
    /// Takes the first file off the list.
    QString retire() {
        const QString chemin = m_file.front().chemin;
        m_file.pop_front();
        return chemin;
    }
    /// Whole lines left in the files waiting.
    qint64 restantes() {
        qint64 n = 0;
        for (Suivant& s : m_file)
            n += s.compte->lignesRestantes();
        return n;
    }

private:
    struct Suivant {
        QString chemin;
        std::unique_ptr<Lecteur> compte;
    };
    std::deque<Suivant> m_file;
};

} // namespace publication
