#include "core/process.h"

#include <csignal>
#include <cstdlib>
#include <string>

#if defined(__linux__)
#include <unistd.h>
#endif

namespace lorix {

// Loading or saving a large library touches hundreds of megabytes of fresh
// heap, and on the machines we measured each 4 KB page fault costs far more
// than the parsing itself (about 2.8 ms per MB). glibc only reads its malloc
// tunables at start-up, so asking it for huge pages means setting the
// variable and starting over; the environment is inherited by child
// processes, so they do not repeat the exec.
void PreferHugePages(int argc, char** argv)
{
#if defined(__linux__)
    (void)argc;
    const char* old = std::getenv("GLIBC_TUNABLES");
    std::string value = old ? old : "";
    if (value.find("glibc.malloc.hugetlb") != std::string::npos)
        return;
    value = value.empty() ? "glibc.malloc.hugetlb=1" : value + ":glibc.malloc.hugetlb=1";
    if (setenv("GLIBC_TUNABLES", value.c_str(), 1) != 0)
        return;
    execv("/proc/self/exe", argv);
    // The exec failed: carry on with ordinary pages, but do not leave a
    // setting behind that this process never applied.
    if (old)
        setenv("GLIBC_TUNABLES", old, 1);
    else
        unsetenv("GLIBC_TUNABLES");
#else
    (void)argc;
    (void)argv;
#endif
}

void IgnoreFileSizeSignal()
{
#ifdef SIGXFSZ
    std::signal(SIGXFSZ, SIG_IGN);
#endif
}

} // namespace lorix
