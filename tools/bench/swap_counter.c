/* LD_PRELOAD counter of a native GL program's frames: wraps eglSwapBuffers (and
 * glXSwapBuffers, for builds that draw through GLX) and keeps, in a small shared file
 * named by SWAP_COUNTER_FILE, the number of swaps and the wall-clock time of the first
 * one. The file is memory-mapped, so counting costs no system call per frame and the
 * count survives the program being killed. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <stdint.h>
#include <stdlib.h>
#include <sys/mman.h>
#include <time.h>
#include <unistd.h>

struct SwapCounts {
    volatile uint64_t swaps;
    volatile uint64_t firstSwapNs; /* CLOCK_REALTIME */
};

static struct SwapCounts* counts;

static void Count(void) {
    if (counts == NULL) {
        const char* path = getenv("SWAP_COUNTER_FILE");
        int fd = path ? open(path, O_RDWR | O_CREAT, 0644) : -1;
        if (fd < 0 || ftruncate(fd, sizeof(struct SwapCounts)) != 0) {
            return;
        }
        void* map = mmap(NULL, sizeof(struct SwapCounts), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        close(fd);
        if (map == MAP_FAILED) {
            return;
        }
        counts = map;
    }
    if (counts->swaps == 0) {
        struct timespec now;
        clock_gettime(CLOCK_REALTIME, &now);
        counts->firstSwapNs = (uint64_t)now.tv_sec * 1000000000u + (uint64_t)now.tv_nsec;
    }
    counts->swaps++;
}

unsigned int eglSwapBuffers(void* display, void* surface) {
    static unsigned int (*next)(void*, void*);
    if (next == NULL) {
        next = (unsigned int (*)(void*, void*))dlsym(RTLD_NEXT, "eglSwapBuffers");
    }
    Count();
    return next ? next(display, surface) : 0;
}

void glXSwapBuffers(void* display, unsigned long drawable) {
    static void (*next)(void*, unsigned long);
    if (next == NULL) {
        next = (void (*)(void*, unsigned long))dlsym(RTLD_NEXT, "glXSwapBuffers");
    }
    Count();
    if (next) {
        next(display, drawable);
    }
}
