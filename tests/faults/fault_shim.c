/* Faults that strace's injection cannot make, for the fault sweep; loaded
 * with LD_PRELOAD and set by the environment:
 *   FAULT_SHARED=1      the record file's file system is a FUSE one, as a
 *                       GlusterFS mount is (fstatfs's f_type);
 *   FAULT_SHORT_WRITE=K the K-th record written (a write of 88 bytes to a
 *                       descriptor past the standard ones) takes 40 bytes,
 *                       and the write of the rest fails with ENOSPC, as a
 *                       disk that fills up in the middle of a record does. */
/* Both fstatfs and fstatfs64 are defined here, as the programs call either. */
#undef _FILE_OFFSET_BITS
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <stdlib.h>
#include <sys/vfs.h>
#include <unistd.h>

#define FUSE_SUPER_MAGIC 0x65735546
#define RECORD_SIZE 88
#define PART 40

static long records;
static int cut_pending;

static int wanted(const char* name)
{
    const char* value = getenv(name);
    return value != NULL ? atoi(value) : 0;
}

ssize_t write(int fd, const void* bytes, size_t n)
{
    static ssize_t (*real)(int, const void*, size_t);
    if (real == NULL)
        *(void**)&real = dlsym(RTLD_NEXT, "write");
    if (fd <= 2)
        return real(fd, bytes, n);
    if (cut_pending && n == RECORD_SIZE - PART) {
        cut_pending = 0;
        errno = ENOSPC;
        return -1;
    }
    if (n != RECORD_SIZE)
        return real(fd, bytes, n);
    /* A write that fails, interrupted say, is tried again: it counts once. */
    int cut = ++records == wanted("FAULT_SHORT_WRITE");
    ssize_t done = real(fd, bytes, cut ? PART : n);
    records -= done < 0;
    cut_pending = cut && done == PART;
    return done;
}

int fstatfs(int fd, struct statfs* fs)
{
    static int (*real)(int, struct statfs*);
    if (real == NULL)
        *(void**)&real = dlsym(RTLD_NEXT, "fstatfs");
    int done = real(fd, fs);
    if (done == 0 && fd > 2 && wanted("FAULT_SHARED"))
        fs->f_type = FUSE_SUPER_MAGIC;
    return done;
}

int fstatfs64(int fd, struct statfs64* fs)
{
    static int (*real)(int, struct statfs64*);
    if (real == NULL)
        *(void**)&real = dlsym(RTLD_NEXT, "fstatfs64");
    int done = real(fd, fs);
    if (done == 0 && fd > 2 && wanted("FAULT_SHARED"))
        fs->f_type = FUSE_SUPER_MAGIC;
    return done;
}
