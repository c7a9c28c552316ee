#pragma once

#include "files/EcrivainEnr.h"

#include <algorithm>
#include <cerrno>

namespace test {

/// The record writer's system calls, failing on demand: a disk that fills after
/// some bytes, a flush to disk that fails, a cut-back that is refused.
class Pannes : public files::AppelsSysteme {
public:
    /// Bytes the next writes may still put on disk before the disk is full; -1: no limit.
    long place = -1;
    /// Flushes to disk that fail from now on.
    int synchronisationsRefusees = 0;
    /// Cut-backs that fail from now on.
    int troncaturesRefusees = 0;
    /// False to leave out the real flush (a file on a memory file system, read back).
    bool synchronisationReelle = true;

    ssize_t ecrit(int fd, const char* octets, size_t n) override {
        if (place < 0)
            return AppelsSysteme::ecrit(fd, octets, n);
        const size_t k = std::min(n, size_t(place));
        if (k == 0) {
            errno = ENOSPC;
            return -1;
        }
        const ssize_t r = AppelsSysteme::ecrit(fd, octets, k);
        if (r > 0)
            place -= r;
        return r;
    }
    int synchronise(int fd) override {
        if (synchronisationsRefusees > 0) {
            --synchronisationsRefusees;
            errno = EIO;
            return -1;
        }
        return synchronisationReelle ? AppelsSysteme::synchronise(fd) : 0;
    }
    int tronque(int fd, off_t longueur) override {
        if (troncaturesRefusees > 0) {
            --troncaturesRefusees;
            errno = EIO;
            return -1;
        }
        return AppelsSysteme::tronque(fd, longueur);
    }
};

} // namespace test
