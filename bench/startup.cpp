// The editor's start, from the exec of the process to its list painted on
// the display, against a bare Qt window program measured in the same run
// (start/bare.cpp, a main window with a menu and a two-line list). Both run
// with start/probe.cpp preloaded, which reports the first painted list. Run
// under an X server:
//
//   xvfb-run -a -s "-screen 0 1366x768x24" build/bench/startup [RUNS [LORIX]]
//
// LORIX names another build of the editor to time (default: this build's).
//
// Cases: the delivered sample library (33 entries) and a generated library
// of 100,000 entries (bench/genlib.h, 96 MB). Limits: 0.25 s and 0.8 s.
#include "bench/genlib.h"
#include "core/fileio.h"
#include "core/model.h"
#include "core/settings.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace lorix;
namespace fs = std::filesystem;

namespace {

// Milliseconds from fork to the "painted" line of program, started in dir;
// a negative figure when it did not report within 30 s.
double TimeToPaint(const std::string& program, const std::string& dir)
{
    int fds[2];
    if (pipe(fds) != 0)
        std::abort();
    const auto t0 = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], 1);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 2);
        close(fds[0]);
        close(fds[1]);
        if (chdir(dir.c_str()) != 0)
            _exit(127);
        setenv("LD_PRELOAD", LORIX_BENCH_DIR "/start_probe.so", 1);
        execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    pollfd p{fds[0], POLLIN, 0};
    char buf[16] = {};
    const bool painted = poll(&p, 1, 30000) == 1 && read(fds[0], buf, sizeof buf - 1) > 0 &&
                         std::string(buf).rfind("painted", 0) == 0;
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    close(fds[0]);
    return painted ? ms : -1;
}

// A working folder as the installed program prepares it: the delivered
// settings, log, sample library, notes and documents.
void PrepareFolder(const fs::path& dir)
{
    const fs::path data = fs::path(LORIX_SOURCE_DIR) / "data";
    fs::create_directories(dir);
    for (const char* f : {"lorix.ini", "lorix.log", "sample.bib", "sample.not"})
        fs::copy_file(data / f, dir / f, fs::copy_options::overwrite_existing);
    fs::copy(data / "pdf", dir / "pdf", fs::copy_options::recursive | fs::copy_options::overwrite_existing);
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("DISPLAY")) {
        std::fprintf(stderr, "startup: no DISPLAY; run it under xvfb-run\n");
        return 2;
    }
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 11;
    const std::string lorix = argc > 2 ? argv[2] : LORIX_PROGRAM;
    char dirTemplate[] = "/tmp/lorix-start-XXXXXX";
    const fs::path root = mkdtemp(dirTemplate);
    const fs::path sample = root / "sample", big = root / "big";
    PrepareFolder(sample);
    PrepareFolder(big);
    {
        bench::GeneratedLibrary g = bench::GenerateLibrary(100000);
        WriteFileAtomic((big / "big.bib").string(), g.bib);
        WriteFileAtomic(NotesFileName((big / "big.bib").string()), g.notes);
        SettingsList st = SettingsList::LoadFromFile((big / kIniName).string());
        st.Write(lorix::key::Filename, "big.bib");
        st.SaveToFile((big / kIniName).string());
    }
    struct Case {
        const char* name;
        std::string program;
        fs::path dir;
        double limitMs;
        std::vector<double> ms;
    };
    std::vector<Case> cases = {{"bare Qt window (reference)", LORIX_BENCH_DIR "/start_bare", sample, 0, {}},
                               {"lorix, sample library (33 entries)", lorix, sample, 250, {}},
                               {"lorix, 100,000 entries (96 MB)", lorix, big, 800, {}}};
    for (Case& c : cases) // once each untimed: files and fonts in the caches
        TimeToPaint(c.program, c.dir.string());
    bool failed = false;
    for (int r = 0; r < runs; ++r)
        for (Case& c : cases) {
            const double ms = TimeToPaint(c.program, c.dir.string());
            failed |= ms < 0;
            c.ms.push_back(ms);
        }
    std::printf("start to the list painted, median of %d runs\n", runs);
    const double reference = Median(cases[0].ms);
    for (const Case& c : cases) {
        const double m = Median(c.ms);
        std::printf("  %-36s %8.1f ms  %5.2f x reference", c.name, m, m / reference);
        if (c.limitMs > 0)
            std::printf("  (limit %.0f ms) %s", c.limitMs, m <= c.limitMs ? "ok" : "SLOW");
        std::printf("\n");
    }
    fs::remove_all(root);
    if (failed)
        std::printf("some runs did not report a painted list\n");
    return failed ? 1 : 0;
}
