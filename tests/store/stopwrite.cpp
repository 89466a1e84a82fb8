// Preloaded into the program by the start-up tests (LD_PRELOAD) to stop it at a chosen write into
// its database, as SQLite plays a journal into it: the write number QUORVAN_TEST_STOP_AT by
// pwrite64 into the file QUORVAN_TEST_STOP_FILE (its real path) ends the process at once with
// SIGKILL, as a crash or a power cut ends it; with QUORVAN_TEST_STOP_FULL set, that write and
// every later one into the file fails as on a full disk instead. With QUORVAN_TEST_STOP_CALL set
// to "rename" or "fsync", the call number QUORVAN_TEST_STOP_AT of that kind, on any file, ends it
// with SIGKILL before it is made.

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <sys/types.h>
#include <unistd.h>

namespace {

bool IsTarget(int fd, const char *target)
{
    char link[64];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    char path[4096];
    const ssize_t n = ::readlink(link, path, sizeof path - 1);
    if (n < 0)
        return false;
    path[n] = '\0';
    return std::strcmp(path, target) == 0;
}

long StopAt()
{
    static const long at = std::getenv("QUORVAN_TEST_STOP_AT")
                               ? std::atol(std::getenv("QUORVAN_TEST_STOP_AT"))
                               : 0;
    return at;
}

// Counts a call of the kind; ends the process at the chosen one.
void Count(const char *kind)
{
    static const char *const call = std::getenv("QUORVAN_TEST_STOP_CALL");
    static long calls = 0;
    if (call && std::strcmp(call, kind) == 0 && StopAt() > 0 && ++calls >= StopAt())
        ::raise(SIGKILL);
}

template <class Fn> Fn Real(const char *name)
{
    return reinterpret_cast<Fn>(::dlsym(RTLD_NEXT, name));
}

} // namespace

extern "C" int rename(const char *from, const char *to)
{
    static const auto real = Real<int (*)(const char *, const char *)>("rename");
    Count("rename");
    return real(from, to);
}

extern "C" int renameat(int fromDir, const char *from, int toDir, const char *to)
{
    static const auto real = Real<int (*)(int, const char *, int, const char *)>("renameat");
    Count("rename");
    return real(fromDir, from, toDir, to);
}

extern "C" int renameat2(int fromDir, const char *from, int toDir, const char *to, unsigned flags)
{
    static const auto real =
        Real<int (*)(int, const char *, int, const char *, unsigned)>("renameat2");
    Count("rename");
    return real(fromDir, from, toDir, to, flags);
}

extern "C" int fsync(int fd)
{
    static const auto real = Real<int (*)(int)>("fsync");
    Count("fsync");
    return real(fd);
}

extern "C" int fdatasync(int fd)
{
    static const auto real = Real<int (*)(int)>("fdatasync");
    Count("fsync");
    return real(fd);
}


extern "C" ssize_t pwrite64(int fd, const void *buf, size_t count, off64_t offset)
{
    using Fn = ssize_t (*)(int, const void *, size_t, off64_t);
    static const Fn real = reinterpret_cast<Fn>(::dlsym(RTLD_NEXT, "pwrite64"));
    static const char *const target = std::getenv("QUORVAN_TEST_STOP_FILE");
    static const long stopAt = std::getenv("QUORVAN_TEST_STOP_CALL") ? 0 : StopAt();
    static const bool full = std::getenv("QUORVAN_TEST_STOP_FULL") != nullptr;
    static long writes = 0;
    if (target && stopAt > 0 && IsTarget(fd, target) && ++writes >= stopAt) {
        if (!full)
            ::raise(SIGKILL);
        errno = ENOSPC;
        return -1;
    }
    return real(fd, buf, count, offset);
}
