// Preloaded into the program by the start-up tests (LD_PRELOAD) to stop it at a chosen write into
// its database, as SQLite plays a journal into it: the write number QUORVAN_TEST_STOP_AT by
// pwrite64 into the file QUORVAN_TEST_STOP_FILE (its real path) ends the process at once with
// SIGKILL, as a crash or a power cut ends it; with QUORVAN_TEST_STOP_FULL set, that write and
// every later one into the file fails as on a full disk instead.

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

} // namespace

extern "C" ssize_t pwrite64(int fd, const void *buf, size_t count, off64_t offset)
{
    using Fn = ssize_t (*)(int, const void *, size_t, off64_t);
    static const Fn real = reinterpret_cast<Fn>(::dlsym(RTLD_NEXT, "pwrite64"));
    static const char *const target = std::getenv("QUORVAN_TEST_STOP_FILE");
    static const long stopAt = std::getenv("QUORVAN_TEST_STOP_AT")
                                   ? std::atol(std::getenv("QUORVAN_TEST_STOP_AT"))
                                   : 0;
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
