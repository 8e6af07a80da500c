// Saving under faults: whatever goes wrong, the file on disk is either the
// old content or the new content, complete, and the failure is reported as a
// FileError. Faults that need a separate process (another user, a file size
// limit) run the save in a forked child; a failure or a kill at each step of
// a save is the CliFault tests'.
#include "core/errors.h"
#include "core/fileio.h"
#include "core/library.h"
#include "core/settings.h"
#include "support/testutil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <tuple>
#include <vector>

using namespace lorix;
using namespace lorix::test;
namespace fs = std::filesystem;

namespace {
// A library-sized text whose every entry names its generation.
std::string Content(int gen, size_t entries)
{
    return Repeat(static_cast<int>(entries), [gen](int i) {
        return "@article{g" + std::to_string(gen) + "x" + std::to_string(i) + ",\n  title = {T" + std::to_string(i) + "},\n}\n\n";
    });
}

// Runs body in a child process; its exit code (0: the save claimed success,
// 2: it threw FileError), or -1 when it did not exit.
int InChild(const std::function<void()>& body)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        try {
            body();
        } catch (const FileError&) {
            ::_exit(2);
        }
        ::_exit(0);
    }
    int status = -1;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void BecomeNobody()
{
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
        ::_exit(3);
}

// A session that saves a one-entry library with backup on, and a folder to save in.
struct Saver {
    TempDir dir;
    Session s;
    std::vector<std::string> errors;
    Saver()
    {
        s.Settings.Write(key::Backup, "yes");
        s.Settings.Write(key::MaxLogSize, "10");
        s.Bib.Library.push_back(Bibitem{0, "article", "new", {{"title", "New"}}, ""});
        s.NotesList = {"new", "a note"};
        s.Log.Observer = [this](const std::string& text, MessageKind kind) {
            if (kind == MessageKind::Error)
                errors.push_back(text);
        };
    }
};
const char* const kSaved = "@article{new,\r\n  title = {New}\r\n  }\r\n\r\n";

// A size limit of 20 MB stands in for a full disk: writes past it fail with EFBIG.
void FullDisk()
{
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit lim{20 << 20, 20 << 20};
    ::setrlimit(RLIMIT_FSIZE, &lim);
}
} // namespace

// Faults that need a process of their own: a library its owner may not
// write is not replaced, although the folder allows the rename (under root
// the save runs as an unprivileged user); a full disk while a large file is
// written past the page cache. (A folder that refuses the temporary file, and
// a failed write of a small file, are among the CliFault trial's steps.)
TEST(SaveFault, UnwritableTargetsKeepTheOldFileAndAreReported)
{
    const std::tuple<const char*, mode_t, void (*)(), size_t> cases[] = { // the library's mode, entries saved
        {"read-only library", 0444, BecomeNobody, 20000}, {"full disk, a large file", 0644, FullDisk, 900000}};
    for (const auto& [name, mode, prepare, entries] : cases) {
        SCOPED_TRACE(name);
        TempDir dir;
        const std::string path = dir.file("lib.bib"), old = Content(1, 100), next = Content(2, entries);
        WriteFile(path, old);
        ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
        ::chmod(path.c_str(), mode);
        ::chmod(dir.path().c_str(), 0777);
        const int rc = InChild([&] {
            prepare();
            WriteFileAtomic(path, next);
        });
        EXPECT_EQ(rc, 2) << "the failed write was reported as success";
        EXPECT_EQ(ReadFile(path), old);
        EXPECT_TRUE(TempFiles(dir.path()).empty());
    }
    // A missing folder or a target that is a folder: the error names the file,
    // nothing is created and no temporary is left.
    TempDir dir;
    fs::create_directory(dir.file("lib.bib"));
    WriteFile(dir.file("lib.bib/inside"), "x");
    for (const std::string& path : {dir.file("no/such/folder/lib.bib"), dir.file("lib.bib")}) {
        EXPECT_NE(Thrown<FileError>([&] { WriteFileAtomic(path, "new"); }).find(path), std::string::npos);
        EXPECT_THROW(SettingsList(std::vector<std::string>{"a=1"}).SaveToFile(path), FileError);
    }
    EXPECT_FALSE(fs::exists(dir.file("no")));
    EXPECT_EQ(ReadFile(dir.file("lib.bib/inside")), "x");
    EXPECT_TRUE(TempFiles(dir.path()).empty());
}

// What a save to path threw ("(none)"); the library counts as changed
// exactly when it threw.
std::string SaveTo(Saver& saver, const std::string& path)
{
    saver.s.LibraryChanged = true;
    const std::string thrown = Thrown<FileError>([&] { SaveLibraryFile(saver.s, path); });
    EXPECT_EQ(saver.s.LibraryChanged, thrown != "(none)");
    return thrown;
}

// Saves with backup on to targets that are more than a plain file in a
// plain folder.
TEST(SaveFault, LinksModesFoldersLongNamesAndLeftovers)
{
    {
        SCOPED_TRACE("a link: the target gets the text and the backup, with the mode, owner and group of the "
                      "old file; the link stays a link");
        Saver sv;
        fs::create_directory(sv.dir.file("real"));
        const std::string target = sv.dir.file("real/target.bib");
        WriteFile(target, "old");
        EXPECT_EQ(::chown(target.c_str(), 65534, 65534), 0);
        ::chmod(target.c_str(), 0640);
        fs::create_symlink("real/target.bib", sv.dir.file("lib.bib"));
        EXPECT_EQ(SaveTo(sv, sv.dir.file("lib.bib")), "(none)");
        EXPECT_TRUE(fs::is_symlink(sv.dir.file("lib.bib")));
        EXPECT_EQ(ReadFile(target), kSaved);
        EXPECT_EQ(ReadFile(target + ".bak"), "old");
        EXPECT_FALSE(Exists(sv.dir.file("lib.bib.bak")));
        EXPECT_EQ(ReadFile(sv.dir.file("lib.not")), "new\r\na note\r\n"); // named after the link
        for (const std::string& name : {target, target + ".bak"}) {
            struct stat st {};
            ASSERT_EQ(::stat(name.c_str(), &st), 0);
            EXPECT_EQ(st.st_mode & 07777, 0640u) << name;
            EXPECT_EQ(std::to_string(st.st_uid) + ":" + std::to_string(st.st_gid), "65534:65534") << name;
        }
    }
    {
        SCOPED_TRACE("a folder under the backup's name is neither deleted nor replaced");
        Saver sv;
        WriteFile(sv.dir.file("lib.bib"), "old");
        fs::create_directory(sv.dir.file("lib.bib.bak"));
        EXPECT_NE(SaveTo(sv, sv.dir.file("lib.bib")).find("lib.bib.bak"), std::string::npos);
        EXPECT_TRUE(fs::is_directory(sv.dir.file("lib.bib.bak")));
        EXPECT_EQ(ReadFile(sv.dir.file("lib.bib")), "old");
    }
    // A name of 250 bytes saves with its backup (254 bytes); one of 253 has
    // no room for ".bak": it saves and says that it kept no backup.
    for (const size_t length : {246u, 249u}) {
        Saver sv;
        const std::string lib = sv.dir.file(std::string(length, 'n') + ".bib");
        WriteFile(lib, "old");
        EXPECT_EQ(SaveTo(sv, lib), "(none)");
        EXPECT_EQ(ReadFile(lib), kSaved);
        if (length == 246) {
            EXPECT_EQ(ReadFile(lib + ".bak"), "old");
            EXPECT_TRUE(sv.errors.empty());
        } else {
            ASSERT_EQ(sv.errors.size(), 1u);
            EXPECT_NE(sv.errors[0].find("No backup kept of " + lib), std::string::npos);
        }
    }
    // Leftovers of killed saves of the same library go, others stay.
    Saver sv;
    const std::string lib = sv.dir.file("lib.bib");
    WriteFile(lib, "old");
    // Two writers that never commit: a killed one (its child ends without
    // destructors), and one still running (here: holding its lock in this process).
    EXPECT_EQ(InChild([&] { new AtomicFileWriter(lib); }), 0);
    const AtomicFileWriter running(lib);
    // The names earlier versions left, and a look-alike of another file.
    for (const char* name : {".lib.bib.tmp123", ".lib.bib.saving.tmp77", ".lib.bibx.tmp1", ".lib.bib.tmpx"})
        WriteFile(sv.dir.file(name), "left");
    EXPECT_EQ(SaveTo(sv, lib), "(none)");
    std::vector<std::string> left;
    for (const auto& e : fs::directory_iterator(sv.dir.path()))
        left.push_back(e.path().filename().string().substr(0, 7));
    std::sort(left.begin(), left.end());
    // the running writer's file, the look-alikes, the library and its backup and notes
    EXPECT_EQ(left, (std::vector<std::string>{".lib.bi", ".lib.bi", ".lorix-", "lib.bib", "lib.bib", "lib.not"}));
}

// A file written in pieces of any size, small or large, arrives whole: large
// files go past the page cache in whole blocks once they have grown, with
// the pieces cut at other places.
TEST(SaveFault, LargeFilesArriveWholeWhateverTheirPieces)
{
    const std::string text = Content(3, 900000); // about 40 MB
    const struct {
        const char* name;
        std::vector<size_t> pieces; // repeated until the text is written
    } cases[] = {
        {"one piece", {text.size()}}, {"pieces of 2 MB and a few bytes", {(2 << 20) + 7}},
        {"a small piece at a time", {4097, 3, 65536}},
        {"16 MB exactly, then odd pieces", {16 << 20, 1, (4 << 20) - 1, 12345}},
        {"just short of 16 MB, then one byte", {(16 << 20) - 1, 1, 1 << 20}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const std::string path = dir.file("lib.bib");
        AtomicFileWriter w(path);
        for (size_t at = 0, k = 0; at < text.size(); at += c.pieces[k++ % c.pieces.size()])
            w.Write(std::string_view(text).substr(at, c.pieces[k % c.pieces.size()]));
        w.Commit();
        EXPECT_TRUE(ReadFile(path) == text);
        EXPECT_TRUE(TempFiles(dir.path()).empty());
    }
}
