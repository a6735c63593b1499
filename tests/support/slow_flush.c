/* A drive that takes seconds to write a file through, for the Windows tests under Wine: loaded
 * with LD_PRELOAD, it delays fsync and fdatasync of every file whose path holds "slow-flush" by
 * ZEL_SLOW_FLUSH_MS milliseconds (5000 when unset), then lets them run. Wine writes a file
 * through with fsync in the process that asks, so the delay falls where a slow disk's would.
 * Built with the host's C compiler: cc -shared -fPIC -o slow_flush.so slow_flush.c -ldl */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

static void delayIfSlow(int fd) {
    char link[64];
    char path[4096];
    snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t length = readlink(link, path, sizeof path - 1);
    if (length <= 0) {
        return;
    }
    path[length] = '\0';
    if (strstr(path, "slow-flush") == NULL) {
        return;
    }
    const char* setting = getenv("ZEL_SLOW_FLUSH_MS");
    const long ms = setting != NULL ? atol(setting) : 5000;
    if (ms <= 0) {
        return;
    }
    struct timespec delay = {ms / 1000, (ms % 1000) * 1000000L};
    while (nanosleep(&delay, &delay) != 0) {
    }
}

// Each wrapper delays, then calls the system's own function of its name.
#define DELAYED(name)                                     \
    int name(int fd) {                                    \
        static int (*next)(int);                          \
        if (next == NULL) {                               \
            next = (int (*)(int))dlsym(RTLD_NEXT, #name); \
        }                                                 \
        delayIfSlow(fd);                                  \
        return next(fd);                                  \
    }

DELAYED(fsync)
DELAYED(fdatasync)
