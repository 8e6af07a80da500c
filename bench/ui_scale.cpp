// Ten times the size: the same operations on generated libraries of
// 100,000 and 1,000,000 entries (bench/genlib.h, about 1 kB an entry), each
// size in a fresh child process, headless. Every figure of the large library
// must stay within 11 times its figure for the small one, measured in the
// same run, and the peak memory of loading within twice the file. The two
// sizes alternate, one child process each, RUNS times (default 5): a machine
// that gets busier slows both alike; the figures are medians over the
// children, each child's own figure the median of several repeats where an
// operation is short.
//
//   ui_scale [--runs N] [SMALL LARGE]
//
// load     LoadLibraryFile: read, parse, notes
// save     SaveLibraryFile: write, sync, rename
// refresh  RefreshList of the main window with the delivered columns, painted
// keystroke one Navigator keystroke that matches the last line
// check    the Check Consistency command
// and the processor time the process spent in its own code during the load
// and the save: their wall time also holds the system's work of giving the
// process fresh memory and of writing the file to disk, which on a virtual
// machine varies from run to run by a factor of five.
#include "bench/genlib.h"
#include "bench/peak.h"
#include "core/fileio.h"
#include "core/library.h"
#include "core/settings.h"
#include "ui/formmain.h"
#include "ui/program.h"
#include "ui/scripted.h"
#include "uitiming.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QListView>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace lorix;
using namespace lorix::bench;

namespace {

constexpr int kFigures = 8;
const char* const kNames[kFigures] = {"load",      "save",     "refresh",       "keystroke",
                                      "check",     "load peak", "load, user cpu", "save, user cpu"};
constexpr int kPeak = 5;

struct Cpu {
    double user, system; // ms
};

Cpu CpuNow()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return {u.ru_utime.tv_sec * 1e3 + u.ru_utime.tv_usec / 1e3, u.ru_stime.tv_sec * 1e3 + u.ru_stime.tv_usec / 1e3};
}

// In the child: the figures (ms, and the peak in MB) for one library.
void Child(int argc, char** argv, const std::string& path, double out[kFigures])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    WriteBenchSettings(kNone);
    ScriptedDialogs dialogs;
    ScriptedClipboard clipboard;
    ScriptedShell shell;
    Session s;
    Program program(s, {dialogs, clipboard, shell});
    program.Start(kIniName);
    s.Settings.Write(key::Backup, "no");
    s.Settings.Write(key::LogError, "no");
    TFormMain* main = program.W().Main;
    auto* navigator = Find<QLineEdit>(main, QStringLiteral("Navigator"));
    QAction* checkEntry = Find<QAction>(main, QStringLiteral("CheckConsitency1"));
    main->show();
    QApplication::processEvents();

    Cpu before = CpuNow();
    out[0] = MedianMs(1, [&](int) { LoadLibraryFile(s, path); });
    out[kPeak] = PeakKb() / 1024.0;
    out[6] = CpuNow().user - before.user;
    main->AfterLoad();
    QApplication::processEvents();
    out[2] = MedianMs(3, [&](int) {
        main->RefreshList(true);
        QApplication::processEvents();
    });
    const QString last = QString::fromStdString(s.Bib.Library[s.ShownItems.back()].Reference);
    out[3] = MedianMs(
        9,
        [&](int) {
            navigator->setText(last.left(last.size() - 1));
            QApplication::processEvents();
        },
        [&](int) {
            navigator->setText(last);
            QApplication::processEvents();
        });
    out[4] = MedianMs(1, [&](int) {
        checkEntry->trigger();
        QApplication::processEvents();
    });
    const std::string saved = dir.filePath(QStringLiteral("saved.bib")).toStdString();
    before = CpuNow();
    out[1] = MedianMs(1, [&](int) { SaveLibraryFile(s, saved); });
    out[7] = CpuNow().user - before.user;
    if (!dialogs.errors.isEmpty())
        std::fprintf(stderr, "note: %s\n", dialogs.errors.first().toStdString().c_str());
}

bool Measure(const char* self, const std::string& path, double out[kFigures])
{
    int fds[2];
    if (pipe(fds) != 0)
        return false;
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        dup2(fds[1], 1);
        execl("/proc/self/exe", self, "--child", path.c_str(), static_cast<char*>(nullptr));
        _exit(1);
    }
    close(fds[1]);
    const bool ok = read(fds[0], out, sizeof(double) * kFigures) == sizeof(double) * kFigures;
    close(fds[0]);
    waitpid(pid, nullptr, 0);
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::string(argv[1]) == "--child") {
        double out[kFigures] = {};
        Child(argc, argv, argv[2], out);
        return write(1, out, sizeof out) == sizeof out ? 0 : 1;
    }
    int runs = 5;
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--runs" && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else
            sizes.push_back(std::atoi(argv[i]));
    }
    if (sizes.size() != 2)
        sizes = {100000, 1000000};
    char dirTemplate[] = "/tmp/lorix-scale-XXXXXX";
    const std::string dir = mkdtemp(dirTemplate);
    std::string paths[2];
    double fileMb[2] = {};
    for (int k = 0; k < 2; ++k) {
        paths[k] = dir + "/lib" + std::to_string(sizes[k]) + ".bib";
        GeneratedLibrary g = GenerateLibrary(sizes[k]);
        WriteFileAtomic(paths[k], g.bib);
        WriteFileAtomic(NotesFileName(paths[k]), g.notes);
        fileMb[k] = double(g.bib.size()) / (1 << 20);
    }
    std::vector<double> samples[2][kFigures];
    bool ok = true;
    for (int r = 0; r < runs; ++r)
        for (int k = 0; k < 2; ++k) {
            double out[kFigures] = {};
            ok = Measure(argv[0], paths[k], out) && ok;
            for (int f = 0; f < kFigures; ++f)
                samples[k][f].push_back(out[f]);
        }
    double figures[2][kFigures] = {};
    for (int k = 0; k < 2; ++k)
        for (int f = 0; f < kFigures; ++f) {
            std::vector<double>& v = samples[k][f];
            std::sort(v.begin(), v.end());
            figures[k][f] = f == kPeak ? v.back() : v[v.size() / 2];
        }
    std::system(("rm -rf '" + dir + "'").c_str());
    std::printf("%d and %d entries (%.0f and %.0f MB), medians of %d runs\n", sizes[0], sizes[1], fileMb[0],
                fileMb[1], runs);
    const double allowed = 1.1 * sizes[1] / sizes[0];
    for (int f = 0; f < kFigures; ++f) {
        const bool peak = f == kPeak;
        const double ratio = figures[1][f] / figures[0][f];
        const bool good = peak ? figures[1][f] <= 2 * fileMb[1] : ratio <= allowed;
        std::printf("  %-14s %10.1f %10.1f %s  %5.1f x", kNames[f], figures[0][f], figures[1][f], peak ? "MB" : "ms",
                    ratio);
        if (peak)
            std::printf("  (%.2f x the file, limit 2)", figures[1][f] / fileMb[1]);
        else
            std::printf("  (limit %.0f x)", allowed);
        std::printf(" %s\n", good ? "ok" : "OVER");
    }
    return ok ? 0 : 1;
}
