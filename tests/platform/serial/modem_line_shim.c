/* Preloaded into the serial line tests. A pseudo terminal has no modem lines, so for the one tty named
 * by TELVOR_SHIM_TTY this answers the modem-line requests from the state file TELVOR_SHIM_STATE,
 * "<TIOCM bits> <DSR change count>" and any of the words nowait (no TIOCMIWAIT), nocount (no
 * TIOCGICOUNT), nobis (TIOCMBIS refused) and gone (the device was pulled: EIO). Everything else goes
 * to the real ioctl. The telvor_shim_* functions let the test see what the port did. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <linux/serial.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <time.h>
#include <unistd.h>

static int outputs, exclusive, waiting, waitStart = -1;
static long reads;

int telvor_shim_outputs(void) { return __atomic_load_n(&outputs, __ATOMIC_SEQ_CST); }
int telvor_shim_exclusive(void) { return __atomic_load_n(&exclusive, __ATOMIC_SEQ_CST); }
int telvor_shim_waiting(void) { return __atomic_load_n(&waiting, __ATOMIC_SEQ_CST); }
int telvor_shim_wait_start(void) { return __atomic_load_n(&waitStart, __ATOMIC_SEQ_CST); }
long telvor_shim_reads(void) { return __atomic_load_n(&reads, __ATOMIC_SEQ_CST); }

struct line {
    int bits, count;
    char text[128];
};

static int isLine(int fd)
{
    const char* tty = getenv("TELVOR_SHIM_TTY");
    char link[64], target[256];
    ssize_t n;
    if (!tty) return 0;
    snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    n = readlink(link, target, sizeof target - 1);
    if (n <= 0) return 0;
    target[n] = '\0';
    return strcmp(target, tty) == 0;
}

/* 0, or -1 with errno EIO when the file is unreadable or says the device is gone. */
static int readLine(struct line* l)
{
    const char* path = getenv("TELVOR_SHIM_STATE");
    int fd = path ? open(path, O_RDONLY | O_CLOEXEC) : -1;
    ssize_t n = fd < 0 ? -1 : read(fd, l->text, sizeof l->text - 1);
    if (fd >= 0) close(fd);
    __atomic_add_fetch(&reads, 1, __ATOMIC_SEQ_CST);
    if (n <= 0 || (l->text[n] = '\0', sscanf(l->text, "%d %d", &l->bits, &l->count) != 2) || strstr(l->text, "gone")) {
        errno = EIO;
        return -1;
    }
    return 0;
}

/* TIOCMIWAIT as the kernel does it: until the counter differs from its value at entry. */
static int waitForChange(int start)
{
    const struct timespec tick = {0, 1000000};
    struct line l;
    int result = 0;
    __atomic_store_n(&waitStart, start, __ATOMIC_SEQ_CST);
    __atomic_add_fetch(&waiting, 1, __ATOMIC_SEQ_CST);
    for (;;) {
        if (nanosleep(&tick, NULL) != 0) { /* the port's stop signal */
            errno = EINTR;
            result = -1;
            break;
        }
        if (readLine(&l) != 0) {
            result = -1;
            break;
        }
        if (l.count != start) break;
    }
    __atomic_store_n(&waitStart, -1, __ATOMIC_SEQ_CST);
    __atomic_sub_fetch(&waiting, 1, __ATOMIC_SEQ_CST);
    return result;
}

static int refuse(void)
{
    errno = EINVAL;
    return -1;
}

int ioctl(int fd, unsigned long request, ...)
{
    static int (*real)(int, unsigned long, ...);
    struct line l;
    va_list args;
    void* arg;
    va_start(args, request);
    arg = va_arg(args, void*);
    va_end(args);
    if (!__atomic_load_n(&real, __ATOMIC_ACQUIRE)) {
        int (*next)(int, unsigned long, ...);
        *(void**)&next = dlsym(RTLD_NEXT, "ioctl");
        __atomic_store_n(&real, next, __ATOMIC_RELEASE);
    }
    if ((request != TIOCMGET && request != TIOCMBIS && request != TIOCMBIC && request != TIOCMIWAIT
         && request != TIOCGICOUNT && request != TIOCEXCL) || !isLine(fd))
        return real(fd, request, arg);
    if (request == TIOCEXCL) {
        __atomic_add_fetch(&exclusive, 1, __ATOMIC_SEQ_CST);
        return 0;
    }
    if (readLine(&l) != 0) return -1;
    switch (request) {
    case TIOCMGET:
        *(int*)arg = l.bits | telvor_shim_outputs();
        return 0;
    case TIOCMBIS:
        if (strstr(l.text, "nobis")) return refuse();
        __atomic_or_fetch(&outputs, *(const int*)arg, __ATOMIC_SEQ_CST);
        return 0;
    case TIOCMBIC:
        __atomic_and_fetch(&outputs, ~*(const int*)arg, __ATOMIC_SEQ_CST);
        return 0;
    case TIOCGICOUNT:
        if (strstr(l.text, "nocount")) return refuse();
        memset(arg, 0, sizeof(struct serial_icounter_struct));
        ((struct serial_icounter_struct*)arg)->dsr = l.count;
        return 0;
    default: /* TIOCMIWAIT */
        return strstr(l.text, "nowait") ? refuse() : waitForChange(l.count);
    }
}
