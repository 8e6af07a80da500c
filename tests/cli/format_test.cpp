// lorix-cli format, run as the real binary on the corpus.
#include "core/fileio.h"
#include "core/library.h"
#include "core/text.h"
#include "support/testutil.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sys/wait.h>

using namespace lorix;
using lorix::test::TempDir;

namespace {

struct CliRun {
    int rc = -1;
    std::string err;
};

CliRun RunCli(const TempDir& dir, const std::string& args)
{
    std::string cmd = "cd '" + dir.path() + "' && '" LORIX_CLI_PATH "' --ini '" + dir.file("lorix.ini") + "' " +
                      args + " 2>&1";
    lorix::test::CommandOutput c = lorix::test::RunCommand(cmd);
    return CliRun{c.rc, c.out};
}

int LoadedCount(const std::string& err)
{
    size_t p = err.find(". Processed ");
    return p == std::string::npos ? -1 : std::atoi(err.c_str() + p + 12);
}

TBib ReadPath(const std::string& path)
{
    TBib bib;
    ReadContext ctx;
    ReadBibText(ReadWholeFile(path), bib, ctx);
    return bib;
}

void WriteIni(const TempDir& dir)
{
    std::string ini = lorix::test::ReadFile(LORIX_SOURCE_DIR "/data/lorix.ini");
    lorix::test::WriteFile(dir.file("lorix.ini"), ini);
}

} // namespace

TEST(CliFormat, CorpusFilesFormatStablyAndLoseNothing)
{
    struct Case {
        const char* file;
        int entries;
    } cases[] = {{"xampl.bib", 36},
                 {"biblatex-examples.bib", 92},
                 {"jurabib-jbtest-latin1.bib", 24},
                 {"zbbt-import-1730-5-jabref-crlf.bib", 4},
                 {"zbbt-import-mendeley-longfields.bib", 512},
                 {"zbbt-export-bulk-zotero.bib", 1241}};
    TempDir dir;
    WriteIni(dir);
    for (const Case& c : cases) {
        std::string src = lorix::test::CorpusFile(std::string("bib/") + c.file);
        CliRun first = RunCli(dir, "format '" + src + "' -o once.bib");
        ASSERT_EQ(first.rc, 0) << first.err;
        EXPECT_EQ(LoadedCount(first.err), c.entries) << c.file;
        CliRun second = RunCli(dir, "format once.bib -o twice.bib");
        ASSERT_EQ(second.rc, 0) << second.err;
        EXPECT_EQ(LoadedCount(second.err), c.entries) << c.file;
        EXPECT_EQ(lorix::test::ReadFile(dir.file("once.bib")), lorix::test::ReadFile(dir.file("twice.bib")))
            << c.file;
        TBib a = ReadPath(src), b = ReadPath(dir.file("once.bib"));
        ASSERT_EQ(a.Library.size(), b.Library.size());
        for (size_t e = 0; e < a.Library.size(); ++e) {
            EXPECT_EQ(a.Library[e].ItemType, b.Library[e].ItemType);
            EXPECT_EQ(LowerAscii(a.Library[e].Reference), b.Library[e].Reference);
            ASSERT_EQ(a.Library[e].Fields.size(), b.Library[e].Fields.size()) << a.Library[e].Reference;
            for (size_t f = 0; f < a.Library[e].Fields.size(); ++f) {
                EXPECT_EQ(a.Library[e].Fields[f].Name, b.Library[e].Fields[f].Name);
                EXPECT_EQ(a.Library[e].Fields[f].Value, b.Library[e].Fields[f].Value);
            }
        }
        EXPECT_EQ(a.Blocks, b.Blocks) << c.file;
    }
}

TEST(CliFormat, MissingLibraryIsAnErrorAndCreatesNothing)
{
    TempDir dir;
    WriteIni(dir);
    CliRun r = RunCli(dir, "format nothere.bib");
    EXPECT_EQ(r.rc, 1);
    EXPECT_NE(r.err.find("error: File not found: nothere.bib"), std::string::npos) << r.err;
    EXPECT_FALSE(lorix::test::Exists(dir.file("nothere.bib")));
    EXPECT_FALSE(lorix::test::Exists(dir.file("nothere.not")));
}

TEST(CliFormat, SaveInPlaceKeepsBackup)
{
    TempDir dir;
    WriteIni(dir);
    lorix::test::WriteFile(dir.file("lib.bib"), "@a{X, t = {1}}\n");
    CliRun r = RunCli(dir, "format lib.bib");
    ASSERT_EQ(r.rc, 0) << r.err;
    EXPECT_EQ(lorix::test::ReadFile(dir.file("lib.bib")), "@a{x,\r\n  t = {1}\r\n  }\r\n\r\n");
    EXPECT_EQ(lorix::test::ReadFile(dir.file("lib.bib.bak")), "@a{X, t = {1}}\n");
    EXPECT_FALSE(lorix::test::Exists(dir.file("*none*")));
}
