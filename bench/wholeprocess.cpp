// Whole processes timed from fork to exit, interleaved so that a busy
// machine slows every command alike: the median wall time and the largest
// peak memory of each, and its ratio to the first command (the reference).
//
//   wholeprocess RUNS [--in DIR] -- CMD ARGS... [-- CMD ARGS...]...
//
// Every command runs in DIR (default: the current folder) with its standard
// output and error sent to /dev/null; a run that does not exit with 0 is
// reported and makes the program exit with 1.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

struct Run {
    double ms = 0;
    long peakKb = 0;
    bool ok = false;
};

Run Once(const std::vector<std::string>& cmd, const std::string& dir)
{
    std::vector<char*> argv;
    for (const std::string& a : cmd)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const auto t0 = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        if (!dir.empty() && chdir(dir.c_str()) != 0)
            _exit(127);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    Run r;
    r.ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    r.peakKb = usage.ru_maxrss;
    r.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return r;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4 || std::atoi(argv[1]) < 1) {
        std::fprintf(stderr, "usage: wholeprocess RUNS [--in DIR] -- CMD ARGS... [-- CMD ARGS...]...\n");
        return 2;
    }
    const int runs = std::atoi(argv[1]);
    std::string dir;
    std::vector<std::vector<std::string>> cmds;
    for (int i = 2; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--in" && i + 1 < argc && cmds.empty())
            dir = argv[++i];
        else if (a == "--")
            cmds.emplace_back();
        else if (!cmds.empty())
            cmds.back().push_back(a);
    }
    cmds.erase(std::remove_if(cmds.begin(), cmds.end(), [](const auto& c) { return c.empty(); }), cmds.end());
    if (cmds.empty())
        return 2;
    std::vector<std::vector<Run>> all(cmds.size());
    bool failed = false;
    for (size_t c = 0; c < cmds.size(); ++c) // one untimed run each: caches warm
        failed |= !Once(cmds[c], dir).ok;
    for (int r = 0; r < runs; ++r)
        for (size_t c = 0; c < cmds.size(); ++c) {
            all[c].push_back(Once(cmds[c], dir));
            failed |= !all[c].back().ok;
        }
    double reference = 0;
    for (size_t c = 0; c < cmds.size(); ++c) {
        std::vector<double> t;
        long peak = 0;
        for (const Run& r : all[c]) {
            t.push_back(r.ms);
            peak = std::max(peak, r.peakKb);
        }
        std::sort(t.begin(), t.end());
        const double median = t[t.size() / 2];
        if (c == 0)
            reference = median;
        std::string line;
        for (const std::string& a : cmds[c])
            line += (line.empty() ? "" : " ") + a;
        char faster[32] = "";
        if (median < reference)
            std::snprintf(faster, sizeof faster, "(%.2f x faster)", reference / median);
        std::printf("%10.2f ms  %6.2f x %-17s min %8.2f  max %8.2f  peak %8.1f MB  %s\n", median, median / reference,
                    faster, t.front(), t.back(), peak / 1024.0, line.c_str());
    }
    if (failed)
        std::printf("some runs failed (exit status not 0)\n");
    return failed ? 1 : 0;
}
