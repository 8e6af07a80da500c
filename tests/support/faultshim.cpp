// Injected failures of file system calls, for the tests of saving. Preloaded
// (LD_PRELOAD) into lorix-cli, it counts the calls that touch names under
// one folder and, at the chosen one, fails it or kills the process just
// before or just after it. Nothing in the program knows about it.
//
//   LORIX_FAULT_DIR=/tmp/x      only calls on names (or open files) under it count
//   LORIX_FAULT=rename:2:EIO    the second counted rename fails with EIO; faults
//                               separated by ","; actions: EIO ENOSPC EPERM,
//                               kill (before the call), killafter
//   LORIX_FAULT_TRACE=/y/trace  every counted call appended as "kind N path"
//
// Kinds: open, write, fsync, close, link, rename, unlink, fchmod, fchown.
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdarg>
#include <cstdlib>
#include <dlfcn.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

enum Kind { kOpen, kWrite, kFsync, kClose, kLink, kRename, kUnlink, kFchmod, kFchown, kKinds };
const char* const kNames[kKinds] = {"open", "write", "fsync", "close", "link", "rename", "unlink", "fchmod", "fchown"};
std::atomic<int> g_count[kKinds];

// The C library's definition of a function, looked up once.
#define REAL(type, name) ([] { static const auto f = reinterpret_cast<type>(dlsym(RTLD_NEXT, name)); return f; }())

// The folder itself or a name in it.
bool Under(const std::string& path)
{
    static const std::string dir = std::getenv("LORIX_FAULT_DIR") ? std::getenv("LORIX_FAULT_DIR") + std::string("/") : "";
    char cwd[4096];
    if (dir.empty() || path.empty() || (path[0] != '/' && !getcwd(cwd, sizeof cwd)))
        return false;
    return ((path[0] == '/' ? std::string() : std::string(cwd) + "/") + path + "/").rfind(dir, 0) == 0;
}

std::string FdPath(int fd)
{
    char buf[4096];
    const ssize_t n = readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), buf, sizeof buf);
    return n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string();
}

// What to do at a counted call: 0 go on, an errno value to fail with, -2 to
// be killed after it (a kill before it happens here).
int Decide(Kind kind, const std::string& path)
{
    const int n = ++g_count[kind];
    const std::string step = std::string(kNames[kind]) + ":" + std::to_string(n) + ":";
    if (const char* trace = std::getenv("LORIX_FAULT_TRACE")) {
        const std::string line = std::string(kNames[kind]) + " " + std::to_string(n) + " " + path + "\n";
        const long fd = syscall(SYS_openat, AT_FDCWD, trace, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        (void)syscall(SYS_write, fd, line.data(), line.size());
        syscall(SYS_close, fd);
    }
    const std::string faults = "," + std::string(std::getenv("LORIX_FAULT") ? std::getenv("LORIX_FAULT") : "") + ",";
    const size_t at = faults.find("," + step);
    if (at == std::string::npos)
        return 0;
    const size_t from = at + 1 + step.size();
    const std::string action = faults.substr(from, faults.find(',', from) - from);
    if (action == "kill")
        raise(SIGKILL);
    return action == "killafter" ? -2 : action == "ENOSPC" ? ENOSPC : action == "EPERM" ? EPERM : EIO;
}

// Runs the real call unless the fault says otherwise.
template <class Call> auto Guarded(Kind kind, bool counted, const std::string& path, Call call)
{
    const int what = counted ? Decide(kind, path) : 0;
    if (what > 0) {
        errno = what;
        return decltype(call())(-1);
    }
    const auto result = call();
    if (what == -2)
        raise(SIGKILL);
    return result;
}

template <class Call> auto OnFd(Kind kind, int fd, Call call)
{
    const std::string path = FdPath(fd);
    return Guarded(kind, Under(path), path, call);
}

} // namespace

extern "C" {

int open(const char* path, int flags, ...)
{
    va_list ap;
    va_start(ap, flags);
    const mode_t mode = (flags & O_CREAT) ? static_cast<mode_t>(va_arg(ap, int)) : 0;
    va_end(ap);
    return Guarded(kOpen, Under(path), path, [&] { return REAL(int (*)(const char*, int, ...), "open")(path, flags, mode); });
}

// The calls on an open file and on two names: each counted when what it
// touches lies under the folder.
#define ON_FD(kind, type, name, params, ...) \
    type name params { return OnFd(kind, fd, [&] { return REAL(type(*) params, #name)(__VA_ARGS__); }); }
#define ON_TWO_NAMES(kind, name) \
    int name(const char* from, const char* to) \
    { \
        return Guarded(kind, Under(from) || Under(to), std::string(from) + " " + to, \
                       [&] { return REAL(int (*)(const char*, const char*), #name)(from, to); }); \
    }

ON_FD(kWrite, ssize_t, write, (int fd, const void* buf, size_t n), fd, buf, n)
ON_FD(kFsync, int, fsync, (int fd), fd)
ON_FD(kClose, int, close, (int fd), fd)
ON_FD(kFchmod, int, fchmod, (int fd, mode_t mode), fd, mode)
ON_FD(kFchown, int, fchown, (int fd, uid_t uid, gid_t gid), fd, uid, gid)
ON_TWO_NAMES(kLink, link)
ON_TWO_NAMES(kRename, rename)

int unlink(const char* path)
{
    return Guarded(kUnlink, Under(path), path, [&] { return REAL(int (*)(const char*), "unlink")(path); });
}

} // extern "C"
