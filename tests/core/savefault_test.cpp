// Saving under faults: whatever goes wrong, the file on disk is either the
// old content or the new content, complete, and the failure is reported as
// a FileError. Faults that need a separate process (file size limit, a kill
// at a random moment) run the save in a forked child.
#include "core/errors.h"
#include "core/fileio.h"
#include "core/settings.h"
#include "support/testutil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <random>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace lorix;
using namespace lorix::test;
namespace fs = std::filesystem;

namespace {
// A library-sized text whose every byte depends on its generation, so that a
// mix of old and new content or a cut-off file cannot pass for either.
std::string Content(char tag, size_t entries)
{
    std::string s;
    for (size_t i = 0; i < entries; ++i)
        s += "@article{" + std::string(1, tag) + std::to_string(i) + ",\n  title = {T" + std::to_string(i) +
             "},\n}\n\n";
    return s + "% end " + std::string(1, tag) + "\n";
}

long TempFilesIn(const std::string& dir)
{
    return std::count_if(fs::directory_iterator(dir), fs::directory_iterator(), [](const auto& e) {
        return e.path().filename().string().find(".tmp") != std::string::npos;
    });
}
} // namespace

// Faults that need a process of their own: the save runs in a forked child,
// which exits 0 when the save claimed success and 2 when it threw FileError.
TEST(SaveFault, ReadOnlyFolderAndFullDiskKeepTheOldFile)
{
    struct Case {
        const char* name;
        mode_t folderMode;
        void (*prepare)();
    } cases[] = {
        // Under root the save runs as an unprivileged user, for whom the
        // folder is as read-only as for anyone else.
        {"read-only folder", 0555, [] {
             if (::geteuid() == 0 && ::setuid(65534) != 0)
                 ::_exit(3);
         }},
        // The size limit stands in for a full disk: writes past it fail with EFBIG.
        {"full disk", 0755, [] {
             std::signal(SIGXFSZ, SIG_IGN);
             rlimit lim{64 * 1024, 64 * 1024};
             ::setrlimit(RLIMIT_FSIZE, &lim);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const std::string path = dir.file("lib.bib"), old = Content('o', 100), next = Content('n', 20000);
        WriteFile(path, old);
        ::chmod(dir.path().c_str(), c.folderMode);
        const pid_t pid = ::fork();
        if (pid == 0) {
            c.prepare();
            try {
                WriteFileAtomic(path, next);
            } catch (const FileError&) {
                ::_exit(2);
            }
            ::_exit(0);
        }
        int status = -1;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        ::chmod(dir.path().c_str(), 0755);
        EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 2) << "the failed write was reported as success";
        EXPECT_EQ(ReadFile(path), old);
        EXPECT_EQ(TempFilesIn(dir.path()), 0);
    }
}

// A missing folder or a target that is a folder: the error names the file,
// nothing is created and no temporary is left.
TEST(SaveFault, UnwritableTargetIsReportedWithTheFileName)
{
    TempDir dir;
    fs::create_directory(dir.file("lib.bib"));
    WriteFile(dir.file("lib.bib/inside"), "x");
    for (const std::string& path : {dir.file("no/such/folder/lib.bib"), dir.file("lib.bib")}) {
        try {
            WriteFileAtomic(path, "new");
            ADD_FAILURE() << "no error for " << path;
        } catch (const FileError& e) {
            EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
        }
        EXPECT_THROW(SettingsList(std::vector<std::string>{"a=1"}).SaveToFile(path), FileError);
    }
    EXPECT_FALSE(fs::exists(dir.file("no")));
    EXPECT_EQ(ReadFile(dir.file("lib.bib/inside")), "x");
    EXPECT_EQ(TempFilesIn(dir.path()), 0);
    // A backup name held by a non-empty folder cannot take the old file; a
    // missing old file is no error.
    EXPECT_FALSE(RenameFile(dir.file("absent.bib"), dir.file("absent.bak")));
    WriteFile(dir.file("old.bib"), "old");
    EXPECT_THROW(RenameFile(dir.file("old.bib"), dir.file("lib.bib")), FileError);
    EXPECT_EQ(ReadFile(dir.file("old.bib")), "old");
}

TEST(SaveFault, KilledAtRandomMomentsLeavesOldOrNewWhole)
{
    TempDir dir;
    const std::string path = dir.file("lib.bib"), a = Content('a', 40000), b = Content('b', 40000); // 2 MB each
    WriteFile(path, a);
    std::mt19937 rng(20261207);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    int kills = 0;
    for (int round = 0; round < 250 && std::chrono::steady_clock::now() < deadline; ++round) {
        const std::string& next = (round % 2) ? a : b;
        pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        while (pid == 0)
            WriteFileAtomic(path, next);
        ::usleep(std::uniform_int_distribution<useconds_t>(0, 20000)(rng));
        ::kill(pid, SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "child ended on its own in round " << round;
        ++kills;
        // A killed save may leave its temporary behind, but never in place of the library.
        const std::string now = ReadFile(path);
        ASSERT_TRUE(now == a || now == b) << "round " << round << ": " << now.size() << " bytes, neither old nor new";
    }
    EXPECT_GE(kills, 200);
}
