#include "engine/FilEcriture.h"

#include <utility>

namespace engine {

FilEcriture::FilEcriture(Travail finLot)
    : m_fil(&FilEcriture::boucle, m_partage, std::move(finLot)) {}

FilEcriture::~FilEcriture() {
    const bool fini = attends(m_delaiFin);
    {
        std::lock_guard<std::mutex> l(m_partage->m);
        m_partage->fin = true;
    }
    m_partage->cv.notify_all();
    if (fini)
        m_fil.join();
    else
        m_fil.detach();
}

void FilEcriture::poste(Travail t) {
    {
        std::lock_guard<std::mutex> l(m_partage->m);
        m_partage->travaux.push_back(std::move(t));
    }
    m_partage->cv.notify_all();
}

bool FilEcriture::attends(std::chrono::milliseconds delai) {
    std::unique_lock<std::mutex> l(m_partage->m);
    return m_partage->cv.wait_for(
        l, delai, [this] { return m_partage->travaux.empty() && !m_partage->occupe; });
}

void FilEcriture::boucle(std::shared_ptr<Partage> p, Travail finLot) {
    std::unique_lock<std::mutex> l(p->m);
    for (;;) {
        p->cv.wait(l, [&] { return p->fin || !p->travaux.empty(); });
        if (p->travaux.empty())
            return;
        // Every job waiting now is one batch: a slow disk then takes many lines in
        // one write and one flush instead of falling further behind.
        std::deque<Travail> lot;
        lot.swap(p->travaux);
        p->occupe = true;
        ++p->commences;
        l.unlock();
        for (Travail& t : lot)
            t();
        if (finLot)
            finLot();
        l.lock();
        p->occupe = false;
        ++p->finis;
        p->cv.notify_all();
    }
}

} // namespace engine
