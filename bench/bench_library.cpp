// Load and save of generated libraries (10,000 and 100,000 entries), each
// measurement in its own child process so that peak memory figures do not
// mix, next to a floor measured in the same run: reading the file into memory.
//
//   bench_library [entries...]
#include "bench/genlib.h"
#include "core/fileio.h"
#include "core/library.h"
#include "core/process.h"
#include "core/session.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

using namespace lorix;

namespace {

struct Sample {
    double seconds = 0;
    long peakKb = 0;
};

long PeakKb()
{
    std::ifstream f("/proc/self/status");
    std::string line;
    while (std::getline(f, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return 0;
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
double RunOp(Op op, const std::string& path, const std::string& out)
{
    using clock = std::chrono::steady_clock;
    if (op == Op::Floor) {
        auto t0 = clock::now();
        std::string bytes = ReadWholeFile(path);
        double t = std::chrono::duration<double>(clock::now() - t0).count();
        if (bytes.empty())
            std::abort();
        return t;
    }
    Session s;
    PrepareSession(s);
    auto t0 = clock::now();
    LoadLibraryFile(s, path);
    auto t1 = clock::now();
    if (op == Op::Load)
        return std::chrono::duration<double>(t1 - t0).count();
    if (op == Op::Save)
        t0 = clock::now();
    SaveLibraryFile(s, out);
    return std::chrono::duration<double>(clock::now() - t0).count();
}

Sample Measure(Op op, const std::string& path, const std::string& out)
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
              static_cast<char*>(nullptr));
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

Sample Median(Op op, const std::string& path, const std::string& out, int runs)
{
    std::vector<Sample> v;
    for (int i = 0; i < runs; ++i)
        v.push_back(Measure(op, path, out));
    std::sort(v.begin(), v.end(), [](const Sample& a, const Sample& b) { return a.seconds < b.seconds; });
    Sample m = v[v.size() / 2];
    for (const Sample& s : v)
        m.peakKb = std::max(m.peakKb, s.peakKb);
    return m;
}

} // namespace

int main(int argc, char** argv)
{
    PreferHugePages(argc, argv);
    if (argc == 5 && std::string(argv[1]) == "--child") {
        Sample s;
        s.seconds = RunOp(static_cast<Op>(std::atoi(argv[2])), argv[3], argv[4]);
        s.peakKb = PeakKb();
        return write(1, &s, sizeof s) == sizeof s ? 0 : 1;
    }
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i)
        sizes.push_back(std::atoi(argv[i]));
    if (sizes.empty())
        sizes = {10000, 100000};
    const int runs = 5;
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
        std::printf("  %-10s %8s %9s %12s %10s %10s %8s\n", "op", "seconds", "MB/s", "entries/s", "x floor",
                    "peak MB", "x file");
        auto row = [&](const char* name, const Sample& s) {
            std::printf("  %-10s %8.3f %9.0f %12.0f %10.1f %10.1f %8.2f\n", name, s.seconds, mb / s.seconds,
                        n / s.seconds, s.seconds / floor.seconds, s.peakKb / 1024.0,
                        s.peakKb * 1024.0 / (mb * 1e6));
        };
        row("floor", floor);
        row("load", Median(Op::Load, path, out, runs));
        row("save", Median(Op::Save, path, out, runs));
        row("load+save", Median(Op::LoadSave, path, out, runs));
        std::remove(path.c_str());
        std::remove(out.c_str());
        std::remove(NotesFileName(path).c_str());
        std::remove(NotesFileName(out).c_str());
    }
    rmdir(dir.c_str());
    return 0;
}
