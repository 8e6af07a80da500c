// lorix-cli run as the real binary in a test folder, each command end to end;
// the fetch goes to a loopback server started by the test.
#include "core/fileio.h"
#include "core/library.h"
#include "core/text.h"
#include "support/httpserver.h"
#include "support/testutil.h"

#include <filesystem>
#include <sstream>
#include <gtest/gtest.h>
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

// Everything of a library the writer must keep, one line per entry and field;
// lower sets the references in lower case, as the writer writes them.
std::string Dump(const std::string& path, bool lower)
{
    TBib bib;
    ReadContext ctx;
    ReadBibText(ReadWholeFile(path), bib, ctx);
    std::string out;
    for (const Bibitem& it : bib.Library) {
        out += it.ItemType + " " + (lower ? LowerAscii(it.Reference) : it.Reference) + "\n";
        for (const Bibfield& f : it.Fields)
            out += "  " + f.Name + " = " + f.Value + "\n";
    }
    for (const std::string& b : bib.Blocks)
        out += "block " + b + "\n";
    return out;
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

// Each corpus file formats to a file that formats to itself and reads back
// as the original, entry for entry and field for field.
TEST(CliFormat, CorpusFilesFormatStablyAndLoseNothing)
{
    const std::pair<const char*, int> cases[] = {
        {"xampl.bib", 36}, {"biblatex-examples.bib", 92}, {"jurabib-jbtest-latin1.bib", 24},
        {"zbbt-import-1730-5-jabref-crlf.bib", 4}, {"zbbt-import-mendeley-longfields.bib", 512},
        {"zbbt-export-bulk-zotero.bib", 1241}};
    TempDir dir;
    WriteFile(dir.file("lorix.ini"), ReadFile(LORIX_SOURCE_DIR "/data/lorix.ini"));
    for (const auto& [file, entries] : cases) {
        const std::string src = CorpusFile(std::string("bib/") + file);
        const std::string loaded = ". Processed " + std::to_string(entries) + " records.";
        CliResult first = RunCli(dir, "--ini lorix.ini format '" + src + "' -o once.bib");
        ASSERT_EQ(first.rc, 0) << first.err;
        CliResult second = RunCli(dir, "--ini lorix.ini format once.bib -o twice.bib");
        ASSERT_EQ(second.rc, 0) << second.err;
        EXPECT_TRUE(Has(first.err, loaded) && Has(second.err, loaded)) << file << first.err << second.err;
        EXPECT_EQ(ReadFile(dir.file("once.bib")), ReadFile(dir.file("twice.bib"))) << file;
        EXPECT_EQ(Dump(src, true), Dump(dir.file("once.bib"), false)) << file;
    }
    CliResult missing = RunCli(dir, "--ini lorix.ini format nothere.bib");
    EXPECT_EQ(missing.rc, 1);
    EXPECT_TRUE(Has(missing.err, "error: File not found: nothere.bib\n")) << missing.err;
    EXPECT_FALSE(Exists(dir.file("nothere.bib")) || Exists(dir.file("nothere.not")) || Exists(dir.file("*none*")));
}

// The command line as Unix tools take it: help and version on standard
// output with exit 0; a usage error names the problem and prints the usage on
// standard error with exit 2; options before or after the command, "--"
// ending them; an absolute -o path used as it is.
TEST(CliCommandLine, OptionsHelpAndUsageErrors)
{
    TempDir d;
    WriteSmallIni(d);
    std::filesystem::create_directories(d.file("conf"));
    std::filesystem::create_directories(d.file("abs"));
    std::filesystem::rename(d.file("lorix.ini"), d.file("conf/my.ini"));
    const std::string lib = "@article{a,\n  title = {T}\n}\n";
    WriteFile(d.file("lib.bib"), lib);
    WriteFile(d.file("-dash.bib"), lib);
    const std::string abs = d.file("abs/");
    const std::string loaded = "status: Loaded lib.bib. Processed 1 records.";
    const std::string usage = "usage: lorix-cli [--ini FILE] COMMAND";
    const std::tuple<std::string, int, std::string, std::string> cases[] = {
        // arguments, exit code, standard output has, standard error has
        {"--help", 0, usage, ""},
        {"-h", 0, usage, ""},
        {"--ini conf/my.ini format lib.bib --help", 0, usage, ""},
        {"--version", 0, "lorix-cli 0.99", ""},
        {"", 2, "", "lorix-cli: no command given\n" + usage},
        {"--bogus list lib.bib", 2, "", "lorix-cli: unknown option --bogus\n" + usage},
        {"--ini conf/my.ini list lib.bib -x", 2, "", "unknown option -x\n"},
        {"--ini conf/my.ini lint lib.bib", 2, "", "unknown command lint\n"},
        {"--ini conf/my.ini format", 2, "", "format: missing argument\n"},
        {"--ini conf/my.ini template lib.bib a b", 2, "", "template: too many arguments\n"},
        {"--ini conf/my.ini format lib.bib -o", 2, "", "option -o needs a file name\n"},
        {"list lib.bib --ini", 2, "", "option --ini needs a file name\n"},
        {"--ini= list lib.bib", 2, "", "option --ini needs a file name\n"},
        {"--ini conf/my.ini list lib.bib -o x.bib", 2, "", "list takes no -o\n"},
        {"list lib.bib", 2, "", "settings file not found: " + d.file("lorix.ini") + "\n"},
        {"--ini conf/none.ini list lib.bib", 2, "", "settings file not found: conf/none.ini\nlorix-cli: run it "
                                                  "in a folder that holds lorix.ini, or name one with --ini FILE\n"},
        {"--ini conf/my.ini list lib.bib", 0, " \n", loaded},
        {"--ini=conf/my.ini list lib.bib", 0, " \n", loaded},
        {"list lib.bib --ini conf/my.ini", 0, " \n", loaded},
        {"--ini conf/my.ini format -o out1.bib -- -dash.bib", 0, "", "Loaded -dash.bib."},
        {"--ini conf/my.ini format lib.bib -oout2.bib", 0, "", loaded},
        {"--ini conf/my.ini format lib.bib -o '" + abs + "out3.bib'", 0, "", loaded},
        {"--ini conf/my.ini export-html lib.bib -o '" + abs + "x.html'", 0, "", loaded},
    };
    for (const auto& [args, rc, out, err] : cases) {
        CliResult r = RunCli(d, args);
        EXPECT_EQ(r.rc, rc) << args << "\n" << r.err;
        EXPECT_TRUE(out.empty() ? r.out.empty() : Has(r.out, out)) << args << "\n" << r.out;
        EXPECT_TRUE(err.empty() ? r.err.empty() : Has(r.err, err)) << args << "\n" << r.err;
    }
    for (const std::string& written : {d.file("out1.bib"), d.file("out2.bib"), abs + "out3.bib", abs + "x.html"})
        EXPECT_TRUE(Exists(written)) << written;
    EXPECT_EQ(ReadFile(d.file("lib.bib")), lib);
}

// A command loads only the C and C++ run-time at start: libcurl and its
// dependencies are opened by a fetch alone.
TEST(CliStart, LoadsOnlyTheRuntimeLibraries)
{
    // What the dynamic loader would map, listed without running the program.
    const CommandOutput r = RunCommand("LD_TRACE_LOADED_OBJECTS=1 '" LORIX_CLI_PATH "'");
    ASSERT_EQ(r.rc, 0);
    std::istringstream lines(r.out);
    int count = 0;
    for (std::string line; std::getline(lines, line); ++count) {
        const std::string name = line.substr(line.find_first_not_of(" \t"));
        bool known = false;
        // The C and C++ run-time, and that of a sanitizer build.
        for (const char* runtime : {"linux-vdso.so", "libstdc++.so", "libgcc_s.so", "libc.so", "libm.so",
                                    "/lib64/ld-linux", "libasan.so", "libubsan.so", "libdl.so", "libpthread.so",
                                    "librt.so"})
            known = known || name.rfind(runtime, 0) == 0;
        EXPECT_TRUE(known) << name;
    }
    EXPECT_GE(count, 4) << r.out;
}

// Save faults (the save's own guards are the file layer's): exit 2 with a
// "lorix-cli:" line, the library file whole.
TEST(CliFault, FailedSavesExitTwoAndKeepTheOldFile)
{
    TempDir d;
    WriteSmallIni(d, "backup=yes\n");
    std::string lib;
    for (int i = 0; i < 2000; ++i)
        lib += "@article{r" + std::to_string(i) + ",\n  title = \"A title long enough to fill the file\"\n}\n";
    WriteFile(d.file("lib.bib"), lib);
    std::filesystem::create_directories(d.file("folder.bib"));
    const std::string cases[][4] = { // name, wrapper, arguments, a folder made before the run
        {"full disk", "prlimit --fsize=20000", "format lib.bib", ""},
        {"target is a folder", "", "format lib.bib -o folder.bib", ""},
        // A backup that cannot be made: the save stops before the library is touched.
        {"folder holds the backup's name", "", "format lib.bib", "lib.bib.bak/inside"},
    };
    for (const auto& [name, wrapper, args, folder] : cases) {
        std::filesystem::create_directories(d.file(folder));
        CliResult r = RunCli(d, args, wrapper);
        EXPECT_EQ(r.rc, 2) << name << "\n" << r.err;
        EXPECT_TRUE(Has(r.err, "lorix-cli: ")) << name << "\n" << r.err;
        EXPECT_EQ(ReadFile(d.file("lib.bib")), lib) << name;
    }
}

TEST(CliList, LinesFollowColumnsSortAndFilterSettingsAndTemplateAndExport)
{
    TempDir dir;
    WriteFile(dir.file("lib.bib"), kLibrary);
    // The lines themselves are the list builder's; here: the settings reach it, and both count messages.
    const std::string cases[][3] = { // settings, lines, message
        {"truncate=yes\ncharlimit=5\nsorting=title\ndisp2=title\n", " Adams Banan\n Smith On DN\n+doe:2 apple\n",
         "Filtering off. Showing all 3 items."},
        {"filtering=yes\nfilter1.field=title\nfilter1.op=contains\nfilter1.value=dna\nfilter2.field=line off\n"
         "filter3.field=line off\n",
         " Smith1999a 1999\n", "Filtering on. Showing 1 filtered items"},
    };
    for (const auto& [settings, lines, message] : cases) {
        WriteFile(dir.file("lorix.ini"), settings + kListIni); // the first line of a key wins
        CliResult r = RunCli(dir, "list lib.bib");
        EXPECT_EQ(r.rc, 0) << r.err;
        EXPECT_EQ(r.out, lines) << settings;
        EXPECT_TRUE(Has(r.err, "status: Loaded lib.bib. Processed 3 records.\nstatus: " + message + "\n")) << r.err;
    }
    WriteFile(dir.file("lorix.ini"), kListIni);
    CliResult t = RunCli(dir, "template lib.bib Smith1999a");
    EXPECT_EQ(std::to_string(t.rc) + " " + t.out, "0 On DNA (1999).\n");
    EXPECT_EQ(RunCli(dir, "template lib.bib smith1999a").rc, 1); // references compare exactly
    ASSERT_EQ(RunCli(dir, "export-html lib.bib").rc, 0);
    // the ticked fields in sorted order: title before year
    EXPECT_TRUE(Has(ReadFile(dir.file("exp.html")),
                    "    <td>title</td>\r\n    <td>On DNA</td>\r\n   </tr>\r\n   <tr>\r\n    <td>year</td>"));
}

// The messages are the consistency check's; here: the exit codes and the
// document folder of the settings.
TEST(CliCheck, ExitCodeFollowsTheFindings)
{
    const std::tuple<std::string, int, std::string> cases[] = { // document folder, exit, message
        {"docs/", 0, "status: Consistency check successful. No errors found\n"},
        // the test folder holds lorix.ini, which belongs to no item
        {"", 1, "status: File not in database: lorix\n"},
    };
    TempDir d;
    WriteFile(d.file("a.bib"), "@article{smith:2001,\n  author = {A},\n  title = {T}\n}\n");
    for (const auto& [docs, rc, message] : cases) {
        WriteSmallIni(d, "pdfpath=" + d.path() + "/" + docs + "\n");
        CliResult r = RunCli(d, "check a.bib");
        EXPECT_EQ(r.rc, rc) << r.err;
        EXPECT_TRUE(Has(r.err, message)) << r.err;
    }
}

TEST(CliImport, MedlineFileFetchAndFailures)
{
    const std::string record = ReadFile(CorpusFile("medline/pmid-16377612.txt"));
    LoopbackServer server([&](const std::string& target) {
        if (Has(target, "id=16377612"))
            return HttpAnswer{200, record};
        return Has(target, "id=500") ? HttpAnswer{500, "server error"} : HttpAnswer{200, "Error: no such id\n"};
    });
    TempDir d;
    // Filtering is on; an import switches it off before it saves.
    WriteSmallIni(d, "filtering=yes\nfilter1=year\nfilter1.op=contains\nfilter1.from=1999\npubmed.timeout=2\n"
                     "pubmed.url=" + server.url("/efetch.fcgi?db=pubmed&id={id}&rettype=medline") + "\n");
    std::string lib = "@article{mangalam:2002,\n  author = {Someone},\n  title = {Other},\n  year = {2002}\n}\n";
    WriteFile(d.file("lib.bib"), lib);
    WriteFile(d.file("bad.txt"), "TI  - Only a title\n");
    const std::tuple<std::string, int, std::string> cases[] = { // arguments, exit code, message
        {"import-medline lib.bib bad.txt", 1, "error: No author fields in clipboard. Not importing.\n"},
        {"import-medline lib.bib", 2, "usage: lorix-cli"},
        {"fetch lib.bib 999", 1, "error: Error importing: no item found.\n"},
        {"fetch lib.bib 500", 2, "lorix-cli: The PubMed service answered with HTTP status 500"},
    };
    for (const auto& [args, rc, message] : cases) {
        CliResult r = RunCli(d, args);
        EXPECT_EQ(r.rc, rc) << args << "\n" << r.err;
        EXPECT_TRUE(Has(r.err, message)) << args << "\n" << r.err;
        EXPECT_EQ(ReadFile(d.file("lib.bib")), lib) << args;
        EXPECT_FALSE(Exists(d.file("lib.bak"))) << args;
    }
    CliResult r = RunCli(d, "import-medline lib.bib '" + CorpusFile("medline/pmid-12230038.txt") + "'");
    ASSERT_EQ(r.rc, 0) << r.err;
    EXPECT_TRUE(Has(r.err, "status: Added item mangalam:2002a from Clipboard.\n")) << r.err;
    lib = ReadFile(d.file("lib.bib"));
    EXPECT_TRUE(Has(lib, "@article{mangalam:2002a,") && Has(lib, "journal = {Brief Bioinform}")) << lib;
    EXPECT_TRUE(Has(ReadFile(d.file("lib.not")), "mangalam:2002a\r\nBioinformatics research"));
    r = RunCli(d, "fetch lib.bib ' 16377612 ' -o out.bib");
    ASSERT_EQ(r.rc, 0) << r.err;
    EXPECT_EQ(server.lastTarget(), "/efetch.fcgi?db=pubmed&id=16377612&rettype=medline");
    EXPECT_TRUE(Has(ReadFile(d.file("out.bib")), "  year = {2006},\r\n  pubmed_id = {16377612}\r\n  }"));
    EXPECT_EQ(ReadFile(d.file("lib.bib")), lib);
}
