// lorix-cli run as the real binary in a test folder, each command end to end;
// the fetch goes to a loopback server started by the test.
#include "core/text.h"
#include "support/httpserver.h"
#include "support/testutil.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <sstream>
#include <tuple>

using namespace lorix;
using namespace lorix::test;

namespace {

struct CliResult : CommandOutput {
    std::string err;
};

// "lorix-cli ARGS" run in dir, after an optional wrapper such as prlimit.
CliResult RunCli(const TempDir& dir, const std::string& args, const std::string& wrapper = "")
{
    CommandOutput c = RunCommand("cd '" + dir.path() + "' && " + wrapper + " '" LORIX_CLI_PATH "' " + args +
                                 " 2>stderr.txt");
    return {c, ReadFile(dir.file("stderr.txt"))};
}

// A one-type schema (article: author and title required) that shows every
// message and logs nothing; the lines of extra come first and win.
void WriteSmallIni(const TempDir& dir, const std::string& extra = "")
{
    WriteFile(dir.file("lorix.ini"), extra + "filename=*none*\nlogfile=*none*\nmaxlogsize=1000\nlog.error=no\n"
                                             "log.status=no\ndisp.error=yes\ndisp.status=yes\npdfpath=*none*\n"
                                             "fields=author,title,year\ntypes=article\narticle=2,0,1,2\n");
}

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The wrapper that preloads the fault shim, counting the calls under folder.
std::string Shim(const std::string& folder)
{
    return "LD_PRELOAD=" LORIX_FAULTSHIM_PATH " ASAN_OPTIONS=\"$ASAN_OPTIONS:verify_asan_link_order=0\" LORIX_FAULT_DIR=" +
           folder + " ";
}

// The list shows kLibrary under the columns, sort and filter settings it
// reads; template and export-html take their settings from the same file.
const char* const kLibrary = "@article{Smith1999a,\n  year = {1999},\n  title = {On DNA}\n}\n"
                             "@book{doe:2001,\n  year = {2001},\n  title = {apples},\n  folder = {box}\n}\n"
                             "@misc{Adams98,\n  year = {98},\n  title = {Banana}\n}\n";
const char* const kListIni = "types=\nmaxlogsize=100\npdfpath=*none*\ndisp1=reference\ndisp2=year\ndisp3=none\n"
                             "disp4=none\nfields=key,address,author,x,x,x,x,x,x,x,x,x,x,x,x,x,x,title,x,x,year\n"
                             "formats.article=%17 %(20.\nexpfields=,year,title,\nexpcolumns=0\nexpline=no\n";

} // namespace

// The command line as Unix tools take it: help and version on standard
// output with exit 0; a usage error names the problem and prints the usage on
// standard error with exit 2; options before or after the command, "--"
// ending them.
TEST(CliCommandLine, OptionsHelpAndUsageErrors)
{
    TempDir d;
    WriteSmallIni(d);
    std::filesystem::create_directories(d.file("conf"));
    std::filesystem::rename(d.file("lorix.ini"), d.file("conf/my.ini"));
    const std::string lib = "@article{a,\n  title = {T}\n}\n";
    WriteFile(d.file("lib.bib"), lib);
    WriteFile(d.file("-dash.bib"), lib);
    const std::string loaded = "status: Loaded lib.bib. Processed 1 records.";
    const std::string usage = "usage: lorix-cli [--ini FILE] COMMAND";
    const std::tuple<std::string, int, std::string, std::string> cases[] = {
        // arguments, exit code, standard output has, standard error has
        {"--help", 0, usage, ""}, {"--version", 0, "lorix-cli 0.99", ""},
        {"", 2, "", "lorix-cli: no command given\n" + usage},
        {"--bogus list lib.bib", 2, "", "lorix-cli: unknown option --bogus\n" + usage},
        {"--ini conf/my.ini lint lib.bib", 2, "", "unknown command lint\n"},
        {"--ini conf/my.ini format", 2, "", "format: missing argument\n"},
        {"--ini conf/my.ini template lib.bib a b", 2, "", "template: too many arguments\n"},
        {"list lib.bib --ini", 2, "", "option --ini needs a file name\n"},
        {"--ini conf/my.ini list lib.bib -o x.bib", 2, "", "list takes no -o\n"},
        {"--ini conf/none.ini list lib.bib", 2, "", "settings file not found: conf/none.ini\nlorix-cli: run it "
                                                  "in a folder that holds lorix.ini, or name one with --ini FILE\n"},
        {"--ini conf/my.ini list lib.bib", 0, " \n", loaded},
        {"list lib.bib --ini conf/my.ini", 0, " \n", loaded},
        {"--ini conf/my.ini format -o out1.bib -- -dash.bib", 0, "", "Loaded -dash.bib."},
        {"--ini conf/my.ini format lib.bib -oout2.bib", 0, "", loaded},
    };
    for (const auto& [args, rc, out, err] : cases) {
        CliResult r = RunCli(d, args);
        EXPECT_EQ(r.rc, rc) << args << "\n" << r.err;
        EXPECT_TRUE(out.empty() ? r.out.empty() : Has(r.out, out)) << args << "\n" << r.out;
        EXPECT_TRUE(err.empty() ? r.err.empty() : Has(r.err, err)) << args << "\n" << r.err;
    }
    for (const char* written : {"out1.bib", "out2.bib"})
        EXPECT_TRUE(Exists(d.file(written))) << written;
    EXPECT_EQ(ReadFile(d.file("lib.bib")), lib);
}

// Exit codes that tell what happened: a load that had to drop text exits 1
// (the command still does its work), so do one that could not load and a
// check with findings. A failure (exit 2) is the import test's.
TEST(CliExit, ProblemsAndRefusedInputsAreNeverSuccess)
{
    TempDir d;
    WriteSmallIni(d, "pdfpath=" + d.path() + "/\n");
    std::filesystem::create_directory(d.file("folder.bib"));
    const std::tuple<std::string, std::string, int, std::string, std::string> rows[] = {
        // library text, arguments, exit code, a line of standard error, the start of the library afterwards
        // ("=": unchanged)
        {"@article{a, title = {T}}\n@article{cut, title = {never closed\n", "format lib.bib", 1, "error: ",
         "@article{a,\r\n  title = {T}\r\n  }\r\n"},
        {"", "list folder.bib", 1, "error: ", "="},
        // the check's findings: the files of the folder belong to no item
        {"@article{a, author = {A}, title = {T}}", "check lib.bib", 1, "status: File not in database: lorix\n", "="},
    };
    for (const auto& [text, args, rc, message, after] : rows) {
        WriteFile(d.file("lib.bib"), text);
        CliResult r = RunCli(d, args);
        EXPECT_EQ(r.rc, rc) << args << "\n" << r.err;
        EXPECT_TRUE(Has(r.err, message)) << args << "\n" << r.err;
        const std::string now = ReadFile(d.file("lib.bib"));
        EXPECT_EQ(after == "=" ? now : now.substr(0, after.size()), after == "=" ? text : after) << args;
    }
}

// On a terminal the list shows control characters of the values; piped, it
// keeps their bytes.
TEST(CliList, ControlCharactersShowOnATerminalOnly)
{
    TempDir d;
    WriteFile(d.file("lorix.ini"), kListIni);
    WriteFile(d.file("lib.bib"), "@misc{a,\n  year = {x\x1b]0;owned\x07 \xc2\x9b" "2J \xc3\xa9}\n}\n");
    EXPECT_EQ(RunCli(d, "list lib.bib").out, " a x\x1b]0;owned\x07 \xc2\x9b" "2J \xc3\xa9\n");
    const CommandOutput tty = RunCommand("cd '" + d.path() + "' && script -qec \"'" LORIX_CLI_PATH
                                         "' list lib.bib 2>/dev/null\" /dev/null");
    EXPECT_EQ(tty.out, " a x^[]0;owned^G M-^[2J \xc3\xa9\r\n");
}

// Whether the calls of a save traced in folder dir sync every file written
// before the rename that puts it under its name, and every folder that had a
// name renamed in it once, after its last rename (the renames of the library,
// its backup and its notes share that sync); "" when they do.
std::string SyncFaults(const std::string& dir, const std::string& trace, size_t folders)
{
    namespace fs = std::filesystem;
    const auto full = [&](const std::string& name) { return fs::weakly_canonical(fs::path(dir) / name).string(); };
    std::map<std::string, std::string> last;      // file -> its last write or sync
    std::map<std::string, int> renamedIn, synced; // folder -> renames since its last sync, its syncs
    std::istringstream lines(trace);
    std::string faults;
    for (std::string step; std::getline(lines, step);) {
        std::string kind, n, from, to;
        std::istringstream(step) >> kind >> n >> from >> to;
        from = full(from);
        const bool folder = fs::is_directory(from);
        if (kind == "write" || (kind == "fsync" && !folder))
            last[from] = kind;
        if (kind == "rename" && last[from] == "write")
            faults += step + ": renamed before it was synced\n";
        if (kind == "rename")
            ++renamedIn[fs::path(full(to)).parent_path().string()];
        if (kind == "fsync" && folder)
            renamedIn[from] = 0, ++synced[from];
    }
    for (const auto& [folder, pending] : renamedIn)
        if (pending != 0 || synced[folder] != 1)
            faults += folder + ": renamed in after its last sync, or synced more than once\n";
    return renamedIn.size() == folders ? faults : faults + "renames in other folders than expected\n";
}

// Every file system call of a save with backup on (backup, writes, syncs,
// renames, the notes file; also with a folder that has no hard links, and
// with the library reached through a link to another folder, where its text
// and backup live while its notes stay beside the link) made to fail, or the
// program killed just before or just after it, by a shim preloaded into
// lorix-cli (support/faultshim.cpp). The library's name holds the old or the
// new text whole, the backup the old text or the backup before it, the notes
// the old or the new notes; a failure is reported (exit 2) and leaves no
// temporary file, and a success is a whole new state. After a kill the next
// save clears what was left. The save without faults is traced: its syncs.
TEST(CliFault, EveryStepOfASaveWithBackupFailsOrDiesSafely)
{
    namespace fs = std::filesystem;
    TempDir d;
    WriteSmallIni(d, "backup=yes\n");
    const std::string data = d.file("data"), lib = data + "/lib", real = data + "/real";
    WriteFile(d.file("r.txt"), "TI  - A title\nAU  - Smith J\nDP  - 2001\nAB  - An abstract.\n");
    const std::string oldLib = "@article{a,\r\n  author = {A},\r\n  title = {T}\r\n  }\r\n\r\n",
                      oldNotes = "a\r\nnote\r\n", olderBak = "the backup before";
    const std::string shim = Shim(fs::weakly_canonical(data).string());
    const std::string import = "import-medline data/lib/lib.bib r.txt";
    for (const auto& [base, linked] : {std::pair{"", false}, {"link:1:EPERM,", false}, {"", true}}) {
        SCOPED_TRACE(std::string(base) + (linked ? "a library through a link" : ""));
        const std::string text = (linked ? real : lib) + "/lib.bib";
        const auto reset = [&] {
            fs::remove_all(data);
            fs::create_directories(lib);
            fs::create_directories(real);
            WriteFile(text, oldLib);
            WriteFile(text + ".bak", olderBak);
            if (linked)
                fs::create_symlink(text, lib + "/lib.bib");
            WriteFile(lib + "/lib.not", oldNotes);
        };
        reset();
        fs::remove(d.file("trace"));
        ASSERT_EQ(RunCli(d, import, shim + "LORIX_FAULT=" + base + " LORIX_FAULT_TRACE=" + d.file("trace")).rc, 0);
        const std::string newLib = ReadFile(text), newNotes = ReadFile(lib + "/lib.not");
        ASSERT_EQ(ReadFile(text + ".bak"), oldLib);
        const std::string trace = ReadFile(d.file("trace"));
        EXPECT_EQ(SyncFaults(d.path(), trace, linked ? 2 : 1), "") << trace;
        std::vector<std::string> steps;
        std::istringstream lines(trace);
        for (std::string kind, n, rest; lines >> kind >> n && std::getline(lines, rest);)
            steps.push_back(kind + ":" + n);
        ASSERT_GE(steps.size(), 15u) << trace;
        for (const std::string& step : steps) {
            if (*base && step == "link:1")
                continue;
            const std::string error = StartsWith(step, "write") ? "ENOSPC" : "EIO";
            for (const std::string& action : {error, std::string("kill"), std::string("killafter")}) {
                const std::string fault = base + step + ":" + action;
                SCOPED_TRACE(fault);
                reset();
                const CliResult r = RunCli(d, import, shim + "LORIX_FAULT=" + fault);
                const std::string now = ReadFile(text), bak = ReadFile(text + ".bak"),
                                  notes = ReadFile(lib + "/lib.not");
                ASSERT_TRUE(now == oldLib || now == newLib) << now;
                ASSERT_TRUE(bak == olderBak || bak == oldLib) << bak;
                ASSERT_TRUE(notes == oldNotes || notes == newNotes) << notes;
                ASSERT_TRUE(now == oldLib || bak == oldLib) << "the library was replaced before its backup was made";
                if (action == error) {
                    // Reported, or a whole success (a failed fchown or close changes nothing).
                    ASSERT_TRUE(r.rc == 2 ? Has(r.err, "lorix-cli: ")
                                          : r.rc == 0 && now == newLib && notes == newNotes && bak == oldLib)
                        << r.rc << " " << r.err;
                } else {
                    ASSERT_TRUE(r.rc != 0 && r.rc != 1 && r.rc != 2) << "not killed: " << r.rc;
                    const CliResult next = RunCli(d, import, shim);
                    ASSERT_EQ(next.rc, 0) << next.err;
                }
                ASSERT_TRUE(TempFiles(lib).empty());
                ASSERT_TRUE(TempFiles(real).empty());
            }
        }
    }
}

// The lines themselves are the list builder's; here: the settings reach it,
// and the template and export commands take theirs from the same file.
TEST(CliList, ListTemplateAndExportFollowTheSettings)
{
    TempDir dir;
    WriteFile(dir.file("lib.bib"), kLibrary);
    WriteFile(dir.file("lorix.ini"), "truncate=yes\ncharlimit=5\nsorting=title\ndisp2=title\n" +
                                         std::string(kListIni)); // the first line of a key wins
    EXPECT_EQ(RunCli(dir, "list lib.bib").out, " Adams Banan\n Smith On DN\n+doe:2 apple\n");
    CliResult t = RunCli(dir, "template lib.bib Smith1999a");
    EXPECT_EQ(std::to_string(t.rc) + " " + t.out, "0 On DNA (1999).\n");
    EXPECT_EQ(RunCli(dir, "template lib.bib smith1999a").rc, 1); // references compare exactly
    ASSERT_EQ(RunCli(dir, "export-html lib.bib").rc, 0);
    // the ticked fields in sorted order: title before year
    EXPECT_TRUE(Has(ReadFile(dir.file("exp.html")),
                    "    <td>title</td>\r\n    <td>On DNA</td>\r\n   </tr>\r\n   <tr>\r\n    <td>year</td>"));
}

// The exit codes of the import and the fetches: 0 with the item added (to
// the -o file, the library left as it was), 1 for a problem reported as a
// message, 2 for a failure. What the messages say is the commands' own.
TEST(CliImport, MedlineFileFetchAndFailures)
{
    const std::string record = "TI  - A title\nFAU - Smith, J\nDP  - 2001\n";
    LoopbackServer server([&](const std::string& target) {
        if (Has(target, "id=7"))
            return HttpAnswer{200, record};
        return Has(target, "abc") ? HttpAnswer{200, "@article{smith:2001, title = {By DOI}}"}
                                  : HttpAnswer{404, "not found"};
    });
    TempDir d;
    WriteSmallIni(d, "pubmed.timeout=2\npubmed.url=" + server.url("/efetch?id={id}") + "\ndoi.url=" +
                         server.url("/doi/{id}") + "\n");
    const std::string lib = "@article{smith:2001,\n  author = {Someone},\n  title = {Other},\n  year = {2001}\n}\n";
    WriteFile(d.file("bad.txt"), "TI  - Only a title\n");
    WriteFile(d.file("r.txt"), record);
    const std::tuple<std::string, int, std::string, std::string> cases[] = {
        // arguments, exit code, message, the file that gets the new item ("": none)
        {"import-medline lib.bib bad.txt", 1, "error: ", ""},
        {"fetch lib.bib 7x", 1, "lorix-cli: 7x is not a PubMed identifier\n", ""},
        {"fetch-doi lib.bib 16377612", 1, "lorix-cli: 16377612 is not a DOI or arXiv identifier\n", ""},
        {"fetch-doi lib.bib 10.1000/gone", 2, "lorix-cli: ", ""},
        {"fetch lib.bib ' 7 ' -o out.bib", 0, "status: Added item smith:2001a ", "out.bib"},
        {"fetch-doi lib.bib https://doi.org/10.1000/abc -o doi.bib", 0, "status: Added item smith:2001a ", "doi.bib"},
        {"import-medline lib.bib r.txt", 0, "status: Added item smith:2001a ", "lib.bib"},
    };
    for (const auto& [args, rc, message, written] : cases) {
        WriteFile(d.file("lib.bib"), lib);
        CliResult r = RunCli(d, args);
        EXPECT_EQ(r.rc, rc) << args << "\n" << r.err;
        EXPECT_TRUE(Has(r.err, message)) << args << "\n" << r.err;
        if (written != "lib.bib") {
            EXPECT_EQ(ReadFile(d.file("lib.bib")), lib) << args;
        }
        if (!written.empty()) {
            EXPECT_TRUE(Has(ReadFile(d.file(written)), "@article{smith:2001a,")) << args;
        }
    }
}
