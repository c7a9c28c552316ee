#pragma once

#include <QtGlobal>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace engine {

/// A thread of its own for work that may block on the disk: the jobs handed to it
/// run in order, every job waiting at the same moment in one batch, followed by the
/// batch's closing step. The thread that samples and paints only hands jobs over.
class FilEcriture {
public:
    using Travail = std::function<void()>;

    /// `finLot` runs on the thread after each batch of jobs.
    explicit FilEcriture(Travail finLot);
    /// Lets the jobs handed over finish for up to `kDelaiFin`; a thread still
    /// blocked then (a disk that never answers) is left to the system, with the
    /// state its jobs hold.
    ~FilEcriture();
    FilEcriture(const FilEcriture&) = delete;
    FilEcriture& operator=(const FilEcriture&) = delete;

    /// Hands a job over; it runs after every job handed over before it.
    void poste(Travail t);
    /// Waits until every job handed over so far has run, for at most `delai`;
    /// false when some still wait or run.
    bool attends(std::chrono::milliseconds delai);
    /// Number of batches started, and finished: they differ while one runs.
    quint64 lotsCommences() const { return m_partage->commences.load(); }
    quint64 lotsFinis() const { return m_partage->finis.load(); }

    /// How long the end waits for the jobs handed over.
    static constexpr std::chrono::milliseconds kDelaiFin{20000};
    /// The thread was found blocked: the end no longer waits for it.
    void abandonne() { m_delaiFin = std::chrono::milliseconds(0); }

private:
    struct Partage {
        std::mutex m;
        std::condition_variable cv;
        std::deque<Travail> travaux;
        bool occupe = false;
        bool fin = false;
        std::atomic<quint64> commences{0};
        std::atomic<quint64> finis{0};
    };
    // The thread holds the shared state and the closing step, so that a thread left
    // blocked at the end never reaches freed memory.
    static void boucle(std::shared_ptr<Partage> p, Travail finLot);

    std::shared_ptr<Partage> m_partage = std::make_shared<Partage>();
    std::chrono::milliseconds m_delaiFin = kDelaiFin;
    std::thread m_fil;
};

} // namespace engine
