/* Preloaded into Tarvik by tests to reach the paths that a healthy machine
 * never takes.
 *   TARVIK_TEST_MMAP=fail   every file mapping fails, as on a file system
 *                           that cannot map files;
 *   TARVIK_TEST_MMAP=short  file mappings are backed by a file of one page,
 *                           as if the file had been cut short after it was
 *                           validated;
 *   TARVIK_TEST_ALLOC=BYTES[#N]  the Nth (default first) malloc or calloc of
 *                           exactly BYTES bytes fails.
 * Anonymous mappings and every other allocation are left alone. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <unistd.h>

extern void *__libc_malloc(size_t);
extern void *__libc_calloc(size_t, size_t);

void *mmap(void *addr, size_t length, int prot, int flags, int fd, off_t offset)
{
    static void *(*real)(void *, size_t, int, int, int, off_t);
    if (real == NULL)
        real = (void *(*)(void *, size_t, int, int, int, off_t))dlsym(RTLD_NEXT, "mmap");
    const char *mode = getenv("TARVIK_TEST_MMAP");
    if (fd < 0 || (flags & MAP_ANONYMOUS) || mode == NULL)
        return real(addr, length, prot, flags, fd, offset);
    if (strcmp(mode, "fail") == 0) {
        errno = ENODEV;
        return MAP_FAILED;
    }
    int shortFile = memfd_create("short", 0);
    if (shortFile < 0 || ftruncate(shortFile, 4096) != 0)
        return MAP_FAILED;
    void *p = real(addr, length, prot, flags, shortFile, 0);
    close(shortFile);
    return p;
}

static int failThisOne(size_t bytes)
{
    static long seen;
    const char *setting = getenv("TARVIK_TEST_ALLOC");
    if (setting == NULL || strtoul(setting, NULL, 10) != bytes)
        return 0;
    const char *hash = strchr(setting, '#');
    return ++seen == (hash ? strtol(hash + 1, NULL, 10) : 1);
}

void *malloc(size_t bytes)
{
    if (failThisOne(bytes)) {
        errno = ENOMEM;
        return NULL;
    }
    return __libc_malloc(bytes);
}

void *calloc(size_t count, size_t size)
{
    if (failThisOne(count * size)) {
        errno = ENOMEM;
        return NULL;
    }
    return __libc_calloc(count, size);
}
