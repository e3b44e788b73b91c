/* An on-access virus scanner, as the benchmark sees one: loaded with
 * LD_PRELOAD by bench/run --close-delay-ms, it makes every close() of a file
 * opened for writing below GLOAMREEF_CLOSE_DELAY_DIR wait
 * GLOAMREEF_CLOSE_DELAY_MS milliseconds first, in the closing thread, as a
 * scanner on Windows inspects a written file when its handle is closed. The
 * programs timed stay as they are. Files opened by fopen() are not seen
 * (glibc opens them internally), nor those of statically linked programs. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <limits.h>
#include <stdarg.h>
#include <stdatomic.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#define MOST_DESCRIPTORS 65536

static atomic_uchar delayed[MOST_DESCRIPTORS];
static long delay_ms;
static char folder[PATH_MAX + 1]; /* resolved, with a trailing slash */
static size_t folder_length;

static void __attribute__((constructor)) read_settings(void)
{
    const char* delay = getenv("GLOAMREEF_CLOSE_DELAY_MS");
    const char* dir = getenv("GLOAMREEF_CLOSE_DELAY_DIR");
    char resolved[PATH_MAX];
    if (delay == NULL || dir == NULL || realpath(dir, resolved) == NULL) {
        return;
    }
    delay_ms = strtol(delay, NULL, 10);
    snprintf(folder, sizeof folder, "%s/", resolved);
    folder_length = strlen(folder);
}

/* Takes note of a descriptor opened for writing, by where it really is. A
 * descriptor number opened anew forgets what it was before. */
static int noted(int fd, int flags)
{
    if (fd < 0 || fd >= MOST_DESCRIPTORS) {
        return fd;
    }
    unsigned char delay = 0;
    if (delay_ms > 0 && (flags & O_ACCMODE) != O_RDONLY) {
        char link[64];
        char path[PATH_MAX];
        snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
        ssize_t length = readlink(link, path, sizeof path - 1);
        delay = length > 0 && (size_t)length >= folder_length &&
                strncmp(path, folder, folder_length) == 0;
    }
    atomic_store(&delayed[fd], delay);
    return fd;
}

static mode_t mode_argument(int flags, va_list args)
{
    return (flags & (O_CREAT | O_TMPFILE)) ? va_arg(args, mode_t) : 0;
}

typedef int (*OpenCall)(const char*, int, ...);
typedef int (*OpenAtCall)(int, const char*, int, ...);
typedef int (*FortifiedOpenCall)(const char*, int);
typedef int (*FortifiedOpenAtCall)(int, const char*, int);
typedef int (*CreatCall)(const char*, mode_t);

/* libc's definitions, looked up at load (or at a call made before that, by
 * another library's constructor: still on one thread). */
static struct {
    OpenCall open, open64;
    OpenAtCall openat, openat64;
    FortifiedOpenCall open_2, open64_2;
    FortifiedOpenAtCall openat_2, openat64_2;
    CreatCall creat, creat64;
    int (*close)(int);
} next;

static void __attribute__((constructor)) find_next(void)
{
    if (next.close != NULL) {
        return;
    }
    next.open = (OpenCall)dlsym(RTLD_NEXT, "open");
    next.open64 = (OpenCall)dlsym(RTLD_NEXT, "open64");
    next.openat = (OpenAtCall)dlsym(RTLD_NEXT, "openat");
    next.openat64 = (OpenAtCall)dlsym(RTLD_NEXT, "openat64");
    next.open_2 = (FortifiedOpenCall)dlsym(RTLD_NEXT, "__open_2");
    next.open64_2 = (FortifiedOpenCall)dlsym(RTLD_NEXT, "__open64_2");
    next.openat_2 = (FortifiedOpenAtCall)dlsym(RTLD_NEXT, "__openat_2");
    next.openat64_2 = (FortifiedOpenAtCall)dlsym(RTLD_NEXT, "__openat64_2");
    next.creat = (CreatCall)dlsym(RTLD_NEXT, "creat");
    next.creat64 = (CreatCall)dlsym(RTLD_NEXT, "creat64");
    next.close = (int (*)(int))dlsym(RTLD_NEXT, "close");
}

#define MODE_OF(flags)                 \
    mode_t mode;                       \
    va_list args;                      \
    va_start(args, flags);             \
    mode = mode_argument(flags, args); \
    va_end(args);                      \
    find_next()

int open(const char* path, int flags, ...)
{
    MODE_OF(flags);
    return noted(next.open(path, flags, mode), flags);
}

int open64(const char* path, int flags, ...)
{
    MODE_OF(flags);
    return noted(next.open64(path, flags, mode), flags);
}

int openat(int dir, const char* path, int flags, ...)
{
    MODE_OF(flags);
    return noted(next.openat(dir, path, flags, mode), flags);
}

int openat64(int dir, const char* path, int flags, ...)
{
    MODE_OF(flags);
    return noted(next.openat64(dir, path, flags, mode), flags);
}

int __open_2(const char* path, int flags)
{
    find_next();
    return noted(next.open_2(path, flags), flags);
}

int __open64_2(const char* path, int flags)
{
    find_next();
    return noted(next.open64_2(path, flags), flags);
}

int __openat_2(int dir, const char* path, int flags)
{
    find_next();
    return noted(next.openat_2(dir, path, flags), flags);
}

int __openat64_2(int dir, const char* path, int flags)
{
    find_next();
    return noted(next.openat64_2(dir, path, flags), flags);
}

int creat(const char* path, mode_t mode)
{
    find_next();
    return noted(next.creat(path, mode), O_WRONLY);
}

int creat64(const char* path, mode_t mode)
{
    find_next();
    return noted(next.creat64(path, mode), O_WRONLY);
}

int close(int fd)
{
    if (fd >= 0 && fd < MOST_DESCRIPTORS && atomic_exchange(&delayed[fd], 0)) {
        struct timespec wait = {delay_ms / 1000, (delay_ms % 1000) * 1000000L};
        while (nanosleep(&wait, &wait) != 0) {
        }
    }
    find_next();
    return next.close(fd);
}
