/* Test stand-in for the board library: the three board functions plus controls. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static long g_lectures[64];
static int g_nb_lectures = 0;
static int g_prochaine = 0;
static long g_second = 77;
static long g_ouverture = 3;
static char g_journal[8192];
static long g_compteur = 0;

static void note(const char* s) {
    if (strlen(g_journal) + strlen(s) + 2 < sizeof g_journal) {
        strcat(g_journal, s);
        strcat(g_journal, " ");
    }
}

long OpenDevice(long adresse) {
    char b[32];
    snprintf(b, sizeof b, "Open(%ld)", adresse);
    note(b);
    return g_ouverture;
}

void ReadAllAnalog(long* a1, long* a2) {
    /* A hung driver: the call does not return while the file named by
       K8055_FACTICE_GEL exists. */
    const char* gel = getenv("K8055_FACTICE_GEL");
    while (gel && access(gel, F_OK) == 0)
        usleep(20000);
    note("Read");
    if (g_nb_lectures > 0) {
        *a1 = g_lectures[g_prochaine];
        if (g_prochaine + 1 < g_nb_lectures)
            g_prochaine++;
    } else {
        /* Unscripted: a slow ramp, so the library can be tried by hand. */
        *a1 = (g_compteur++ * 5) % 256;
    }
    *a2 = g_second;
}

void CloseDevice(void) {
    note("Close");
}

/* Controls used by the tests. */
void factice_lectures(const long* v, int n) {
    g_nb_lectures = n > 64 ? 64 : n;
    memcpy(g_lectures, v, sizeof(long) * (size_t)g_nb_lectures);
    g_prochaine = 0;
}
void factice_ouverture(long resultat) {
    g_ouverture = resultat;
}
const char* factice_journal(void) {
    return g_journal;
}
void factice_efface(void) {
    g_journal[0] = 0;
}
