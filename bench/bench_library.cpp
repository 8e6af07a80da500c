// Load and save of generated libraries (10,000 and 100,000 entries), each
// measurement in its own child process so that peak memory figures do not
// mix, next to a floor measured in the same run: reading the file into memory.
// The rows marked "4K" run with large buffers left on ordinary 4 KB pages.
//
//   bench_library [--runs N] [entries...]
#include "bench/genlib.h"
#include "bench/peak.h"
#include "core/fileio.h"
#include "core/library.h"
#include "core/process.h"
#include "core/session.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace lorix;
using lorix::bench::PeakKb;

namespace {

struct Sample {
    double seconds = 0;
    double cpuSeconds = 0; // user and system time of the timed part
    long peakKb = 0;
    long faults = 0; // page faults of the timed part
};

struct Usage {
    double cpu;
    long faults;
};

Usage Now()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return {double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6,
            u.ru_minflt + u.ru_majflt};
}

enum class Op { Floor, Load, Save, LoadSave };

void PrepareSession(Session& s)
{
    s.Settings.Write(key::MaxLogSize, "1000");
    s.Settings.Write(key::PdfPath, "*none*");
    s.Settings.Write(key::Backup, "no");
    s.Settings.Write(key::LineBreak, "no");
}

// Runs in the child: the timed part only.
Sample RunOp(Op op, const std::string& path, const std::string& out)
{
    using clock = std::chrono::steady_clock;
    Sample r;
    auto t0 = clock::now();
    Usage u0 = Now();
    auto done = [&] {
        const Usage u1 = Now();
        r.seconds = std::chrono::duration<double>(clock::now() - t0).count();
        r.cpuSeconds = u1.cpu - u0.cpu;
        r.faults = u1.faults - u0.faults;
    };
    if (op == Op::Floor) {
        std::string bytes = ReadWholeFile(path);
        done();
        if (bytes.empty())
            std::abort();
        return r;
    }
    Session s;
    PrepareSession(s);
    t0 = clock::now();
    u0 = Now();
    LoadLibraryFile(s, path);
    if (op == Op::Load) {
        done();
        return r;
    }
    if (op == Op::Save) {
        t0 = clock::now();
        u0 = Now();
    }
    SaveLibraryFile(s, out);
    done();
    return r;
}

Sample Measure(Op op, const std::string& path, const std::string& out, bool huge)
{
    int fds[2];
    if (pipe(fds) != 0)
        std::abort();
    pid_t pid = fork();
    if (pid == 0) {
        // A fresh program image, so that the peak is this measurement's own.
        close(fds[0]);
        dup2(fds[1], 1);
        std::string opText = std::to_string(static_cast<int>(op));
        execl("/proc/self/exe", "bench_library", "--child", opText.c_str(), path.c_str(), out.c_str(),
              huge ? "huge" : "4k", static_cast<char*>(nullptr));
        _exit(1);
    }
    close(fds[1]);
    Sample s;
    if (read(fds[0], &s, sizeof s) != sizeof s)
        std::fprintf(stderr, "child failed\n");
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    return s;
}

Sample Median(Op op, const std::string& path, const std::string& out, int runs, bool huge = true)
{
    std::vector<Sample> v;
    for (int i = 0; i < runs; ++i)
        v.push_back(Measure(op, path, out, huge));
    std::sort(v.begin(), v.end(), [](const Sample& a, const Sample& b) { return a.seconds < b.seconds; });
    Sample m = v[v.size() / 2];
    std::sort(v.begin(), v.end(), [](const Sample& a, const Sample& b) { return a.cpuSeconds < b.cpuSeconds; });
    m.cpuSeconds = v[v.size() / 2].cpuSeconds;
    for (const Sample& s : v)
        m.peakKb = std::max(m.peakKb, s.peakKb);
    return m;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 6 && std::string(argv[1]) == "--child") {
        SetHugeBuffers(std::string(argv[5]) == "huge");
        Sample s = RunOp(static_cast<Op>(std::atoi(argv[2])), argv[3], argv[4]);
        s.peakKb = PeakKb();
        return write(1, &s, sizeof s) == sizeof s ? 0 : 1;
    }
    std::vector<int> sizes;
    int runs = 5;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--runs" && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else
            sizes.push_back(std::atoi(argv[i]));
    }
    if (sizes.empty())
        sizes = {10000, 100000};
    char dirTemplate[] = "/tmp/lorix-bench-XXXXXX";
    std::string dir = mkdtemp(dirTemplate);
    for (int n : sizes) {
        const std::string path = dir + "/lib" + std::to_string(n) + ".bib";
        const std::string out = dir + "/out" + std::to_string(n) + ".bib";
        double mb = 0;
        {
            bench::GeneratedLibrary g = bench::GenerateLibrary(n);
            WriteFileAtomic(path, g.bib);
            WriteFileAtomic(NotesFileName(path), g.notes);
            mb = double(g.bib.size()) / 1e6;
        }
        Sample floor = Median(Op::Floor, path, out, runs);
        std::printf("%d entries, %.1f MB, median of %d runs\n", n, mb, runs);
        std::printf("  %-10s %8s %9s %12s %8s %8s %8s %9s %7s\n", "op", "seconds", "MB/s", "entries/s", "x floor",
                    "cpu s", "faults", "peak MB", "x file");
        auto row = [&](const char* name, const Sample& s) {
            std::printf("  %-10s %8.3f %9.0f %12.0f %8.1f %8.3f %8ld %9.1f %7.2f\n", name, s.seconds, mb / s.seconds,
                        n / s.seconds, s.seconds / floor.seconds, s.cpuSeconds, s.faults, s.peakKb / 1024.0,
                        s.peakKb * 1024.0 / (mb * 1e6));
        };
        row("floor", floor);
        row("load", Median(Op::Load, path, out, runs));
        row("save", Median(Op::Save, path, out, runs));
        row("load+save", Median(Op::LoadSave, path, out, runs));
        row("floor 4K", Median(Op::Floor, path, out, runs, false));
        row("load 4K", Median(Op::Load, path, out, runs, false));
        row("save 4K", Median(Op::Save, path, out, runs, false));
        std::remove(path.c_str());
        std::remove(out.c_str());
        std::remove(NotesFileName(path).c_str());
        std::remove(NotesFileName(out).c_str());
    }
    rmdir(dir.c_str());
    return 0;
}
