// lorix-cli format, run as the real binary on the corpus.
#include "cli.h"
#include "core/fileio.h"
#include "core/library.h"
#include "core/text.h"

#include <gtest/gtest.h>

using namespace lorix;
using namespace lorix::test;

namespace {

int LoadedCount(const std::string& err)
{
    size_t p = err.find(". Processed ");
    return p == std::string::npos ? -1 : std::atoi(err.c_str() + p + 12);
}

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

void WriteDeliveredIni(const TempDir& dir)
{
    WriteFile(dir.file("lorix.ini"), ReadFile(LORIX_SOURCE_DIR "/data/lorix.ini"));
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
    WriteDeliveredIni(dir);
    for (const Case& c : cases) {
        std::string src = CorpusFile(std::string("bib/") + c.file);
        CliResult first = RunCli(dir, "--ini lorix.ini format '" + src + "' -o once.bib");
        ASSERT_EQ(first.rc, 0) << first.err;
        EXPECT_EQ(LoadedCount(first.err), c.entries) << c.file;
        CliResult second = RunCli(dir, "--ini lorix.ini format once.bib -o twice.bib");
        ASSERT_EQ(second.rc, 0) << second.err;
        EXPECT_EQ(LoadedCount(second.err), c.entries) << c.file;
        EXPECT_EQ(ReadFile(dir.file("once.bib")), ReadFile(dir.file("twice.bib"))) << c.file;
        EXPECT_EQ(Dump(src, true), Dump(dir.file("once.bib"), false)) << c.file;
    }
}

TEST(CliFormat, MissingLibraryCreatesNothingAndSaveInPlaceKeepsBackup)
{
    TempDir dir;
    WriteDeliveredIni(dir);
    CliResult missing = RunCli(dir, "--ini lorix.ini format nothere.bib");
    EXPECT_EQ(missing.rc, 1);
    EXPECT_NE(missing.err.find("error: File not found: nothere.bib"), std::string::npos) << missing.err;
    EXPECT_FALSE(Exists(dir.file("nothere.bib")));
    EXPECT_FALSE(Exists(dir.file("nothere.not")));

    WriteFile(dir.file("lib.bib"), "@a{X, t = {1}}\n");
    CliResult r = RunCli(dir, "--ini lorix.ini format lib.bib");
    ASSERT_EQ(r.rc, 0) << r.err;
    EXPECT_EQ(ReadFile(dir.file("lib.bib")), "@a{x,\r\n  t = {1}\r\n  }\r\n\r\n");
    EXPECT_EQ(ReadFile(dir.file("lib.bib.bak")), "@a{X, t = {1}}\n");
    EXPECT_FALSE(Exists(dir.file("*none*")));
}
