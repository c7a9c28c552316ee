// A disk that flushes slowly, or not at all, for the real program: loaded with
// LD_PRELOAD, fsync and fdatasync take PLOVAR_FSYNC_MS milliseconds, and wait for
// as long as the file named by PLOVAR_FSYNC_GEL exists.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

static void dort(long ms) {
    struct timespec t = {ms / 1000, (ms % 1000) * 1000000L};
    while (nanosleep(&t, &t) != 0) {
    }
}

static void attend(void) {
    const char* ms = getenv("PLOVAR_FSYNC_MS");
    if (ms)
        dort(atol(ms));
    const char* gel = getenv("PLOVAR_FSYNC_GEL");
    while (gel && access(gel, F_OK) == 0)
        dort(20);
}

int fsync(int fd) {
    static int (*vrai)(int);
    if (!vrai)
        vrai = (int (*)(int))dlsym(RTLD_NEXT, "fsync");
    attend();
    return vrai(fd);
}

int fdatasync(int fd) {
    static int (*vrai)(int);
    if (!vrai)
        vrai = (int (*)(int))dlsym(RTLD_NEXT, "fdatasync");
    attend();
    return vrai(fd);
}
