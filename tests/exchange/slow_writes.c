/* Preloaded into a child process by the tests of loads beside report entry: every write to a
 * file whose path contains $ZEMOR_SLOW_WRITES first sleeps $ZEMOR_SLOW_MS milliseconds (20 when
 * unset), as on a slow shared folder. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/types.h>
#include <time.h>
#include <unistd.h>

static void slowDown(int fd)
{
    const char *match = getenv("ZEMOR_SLOW_WRITES");
    if (!match || !*match)
        return;
    char link[64];
    char path[4096];
    snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t n = readlink(link, path, sizeof path - 1);
    if (n <= 0)
        return;
    path[n] = '\0';
    if (!strstr(path, match))
        return;
    const char *ms = getenv("ZEMOR_SLOW_MS");
    const long wait = ms ? atol(ms) : 20;
    const struct timespec t = {wait / 1000, (wait % 1000) * 1000000L};
    nanosleep(&t, NULL);
}

typedef ssize_t (*PwriteFn)(int, const void *, size_t, off_t);
typedef ssize_t (*WriteFn)(int, const void *, size_t);

ssize_t pwrite64(int fd, const void *buf, size_t count, off_t offset)
{
    static PwriteFn real;
    if (!real)
        real = (PwriteFn)dlsym(RTLD_NEXT, "pwrite64");
    slowDown(fd);
    return real(fd, buf, count, offset);
}

ssize_t pwrite(int fd, const void *buf, size_t count, off_t offset)
{
    static PwriteFn real;
    if (!real)
        real = (PwriteFn)dlsym(RTLD_NEXT, "pwrite");
    slowDown(fd);
    return real(fd, buf, count, offset);
}

ssize_t write(int fd, const void *buf, size_t count)
{
    static WriteFn real;
    if (!real)
        real = (WriteFn)dlsym(RTLD_NEXT, "write");
    slowDown(fd);
    return real(fd, buf, count);
}
