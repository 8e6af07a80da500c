// Injected failures of file system calls, for the tests of saving. Preloaded
// (LD_PRELOAD) into lorix-cli or into a test's child process, it counts the
// calls of a few kinds that touch names under one folder and, at the chosen
// call, fails it with an error or kills the process just before or just
// after it. Nothing in the program knows about it.
//
//   LORIX_FAULT_DIR=/tmp/x         only calls on names (or descriptors of
//                                  files) under this folder count
//   LORIX_FAULT=rename:2:EIO       the second counted rename fails with EIO;
//                                  several faults are separated by ","
//                                  actions: EIO ENOSPC EPERM EACCES EROFS,
//                                  kill (before the call), killafter
//   LORIX_FAULT_TRACE=/y/trace     every counted call appended as "kind N path"
//
// Kinds: open (open, open64, openat, openat64), write, fsync (and
// fdatasync), close, link (and linkat), rename (and renameat), unlink,
// fchmod, fchown.
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

enum Kind { kOpen, kWrite, kFsync, kClose, kLink, kRename, kUnlink, kFchmod, kFchown, kKinds };
const char* const kKindNames[kKinds] = {"open", "write", "fsync", "close", "link", "rename", "unlink", "fchmod", "fchown"};

std::atomic<int> g_count[kKinds];

template <class F> F Real(const char* name)
{
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

// The next definition of a function (the C library's), looked up once.
#define REAL(type, name) ([] { static const auto f = Real<type>(name); return f; }())

// The folder's path with a final "/", or "" when no folder is set.
const std::string& Dir()
{
    static const std::string dir = [] {
        const char* d = std::getenv("LORIX_FAULT_DIR");
        return d && *d ? std::string(d) + "/" : std::string();
    }();
    return dir;
}

// The folder itself or a name in it.
bool Under(const char* path)
{
    if (!path || Dir().empty())
        return false;
    char cwd[4096];
    if (path[0] != '/' && !getcwd(cwd, sizeof cwd))
        return false;
    const std::string full = (path[0] == '/' ? std::string() : std::string(cwd) + "/") + path + "/";
    return full.rfind(Dir(), 0) == 0;
}

std::string FdPath(int fd)
{
    char link[64], buf[4096];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t n = readlink(link, buf, sizeof buf - 1);
    return n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string();
}

void Trace(Kind kind, int n, const std::string& path)
{
    const char* file = std::getenv("LORIX_FAULT_TRACE");
    if (!file)
        return;
    const std::string line = std::string(kKindNames[kind]) + " " + std::to_string(n) + " " + path + "\n";
    const int fd = static_cast<int>(syscall(SYS_openat, AT_FDCWD, file, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644));
    if (fd >= 0) {
        (void)syscall(SYS_write, fd, line.data(), line.size());
        syscall(SYS_close, fd);
    }
}

// What to do at this call: 0 go on, an errno value to fail with, or -1
// (kill before), -2 (kill after).
int Decide(Kind kind, const std::string& path)
{
    const int n = ++g_count[kind];
    Trace(kind, n, path);
    const char* spec = std::getenv("LORIX_FAULT");
    if (!spec)
        return 0;
    const std::string want = std::string(kKindNames[kind]) + ":" + std::to_string(n) + ":";
    const std::string all = std::string(",") + spec;
    const size_t at = all.find("," + want);
    if (at == std::string::npos)
        return 0;
    const size_t from = at + 1 + want.size();
    const std::string action = all.substr(from, all.find(',', from) - from);
    const std::pair<const char*, int> actions[] = {{"EIO", EIO},     {"ENOSPC", ENOSPC}, {"EPERM", EPERM},
                                                   {"EACCES", EACCES}, {"EROFS", EROFS},   {"kill", -1},
                                                   {"killafter", -2}};
    for (const auto& [name, value] : actions)
        if (action == name) {
            if (value == -1)
                raise(SIGKILL);
            return value;
        }
    return 0;
}

// Runs the real call unless the fault says otherwise.
template <class Call> auto Guarded(Kind kind, bool counted, const std::string& path, Call call) -> decltype(call())
{
    const int what = counted ? Decide(kind, path) : 0;
    if (what > 0) {
        errno = what;
        return -1;
    }
    auto result = call();
    if (what == -2) {
        const int saved = errno;
        raise(SIGKILL);
        errno = saved;
    }
    return result;
}

bool FdUnder(int fd, std::string& path)
{
    if (Dir().empty())
        return false;
    path = FdPath(fd);
    return Under(path.c_str());
}

using OpenFn = int (*)(const char*, int, ...);
using OpenAtFn = int (*)(int, const char*, int, ...);

int OpenWith(OpenFn open, OpenAtFn openAt, int dirfd, const char* path, int flags, mode_t mode)
{
    return Guarded(kOpen, Under(path), path ? path : "", [&] {
        return openAt ? openAt(dirfd, path, flags, mode) : open(path, flags, mode);
    });
}

mode_t ModeArg(int flags, va_list ap)
{
    return (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE ? static_cast<mode_t>(va_arg(ap, int)) : 0;
}

} // namespace

extern "C" {

int open(const char* path, int flags, ...)
{
    va_list ap;
    va_start(ap, flags);
    const mode_t mode = ModeArg(flags, ap);
    va_end(ap);
    return OpenWith(REAL(OpenFn, "open"), nullptr, AT_FDCWD, path, flags, mode);
}

int open64(const char* path, int flags, ...)
{
    va_list ap;
    va_start(ap, flags);
    const mode_t mode = ModeArg(flags, ap);
    va_end(ap);
    return OpenWith(REAL(OpenFn, "open64"), nullptr, AT_FDCWD, path, flags, mode);
}

int openat(int dirfd, const char* path, int flags, ...)
{
    va_list ap;
    va_start(ap, flags);
    const mode_t mode = ModeArg(flags, ap);
    va_end(ap);
    return OpenWith(nullptr, REAL(OpenAtFn, "openat"), dirfd, path, flags, mode);
}

int openat64(int dirfd, const char* path, int flags, ...)
{
    va_list ap;
    va_start(ap, flags);
    const mode_t mode = ModeArg(flags, ap);
    va_end(ap);
    return OpenWith(nullptr, REAL(OpenAtFn, "openat64"), dirfd, path, flags, mode);
}

ssize_t write(int fd, const void* buf, size_t n)
{
    std::string path;
    const bool counted = FdUnder(fd, path);
    return Guarded(kWrite, counted, path, [&] { return REAL(ssize_t (*)(int, const void*, size_t), "write")(fd, buf, n); });
}

int fsync(int fd)
{
    std::string path;
    const bool counted = FdUnder(fd, path);
    return Guarded(kFsync, counted, path, [&] { return REAL(int (*)(int), "fsync")(fd); });
}

int fdatasync(int fd)
{
    std::string path;
    const bool counted = FdUnder(fd, path);
    return Guarded(kFsync, counted, path, [&] { return REAL(int (*)(int), "fdatasync")(fd); });
}

int close(int fd)
{
    std::string path;
    const bool counted = FdUnder(fd, path);
    return Guarded(kClose, counted, path, [&] { return REAL(int (*)(int), "close")(fd); });
}

int link(const char* from, const char* to)
{
    return Guarded(kLink, Under(from) || Under(to), std::string(from) + " " + to,
                   [&] { return REAL(int (*)(const char*, const char*), "link")(from, to); });
}

int linkat(int fromDir, const char* from, int toDir, const char* to, int flags)
{
    return Guarded(kLink, Under(from) || Under(to), std::string(from) + " " + to, [&] {
        return REAL(int (*)(int, const char*, int, const char*, int), "linkat")(fromDir, from, toDir, to, flags);
    });
}

int rename(const char* from, const char* to)
{
    return Guarded(kRename, Under(from) || Under(to), std::string(from) + " " + to,
                   [&] { return REAL(int (*)(const char*, const char*), "rename")(from, to); });
}

int renameat(int fromDir, const char* from, int toDir, const char* to)
{
    return Guarded(kRename, Under(from) || Under(to), std::string(from) + " " + to, [&] {
        return REAL(int (*)(int, const char*, int, const char*), "renameat")(fromDir, from, toDir, to);
    });
}

int unlink(const char* path)
{
    return Guarded(kUnlink, Under(path), path, [&] { return REAL(int (*)(const char*), "unlink")(path); });
}

int fchmod(int fd, mode_t mode)
{
    std::string path;
    const bool counted = FdUnder(fd, path);
    return Guarded(kFchmod, counted, path, [&] { return REAL(int (*)(int, mode_t), "fchmod")(fd, mode); });
}

int fchown(int fd, uid_t uid, gid_t gid)
{
    std::string path;
    const bool counted = FdUnder(fd, path);
    return Guarded(kFchown, counted, path, [&] { return REAL(int (*)(int, uid_t, gid_t), "fchown")(fd, uid, gid); });
}

} // extern "C"
