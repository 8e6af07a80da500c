// lorix-cli list: the lines of the main list for a small library under
// several settings files.
#include "cli.h"

#include <gtest/gtest.h>

using namespace lorix::test;

namespace {

CliResult List(const TempDir& dir, const std::string& ini, const std::string& lib = "lib.bib")
{
    WriteFile(dir.file("lorix.ini"), ini);
    return RunCli(dir, "list " + lib);
}

const char* const kLibrary = "@article{Smith1999a,\n  year = {1999},\n  title = {On DNA}\n}\n"
                             "@book{doe:2001,\n  year = {2001},\n  title = {apples},\n  folder = {box}\n}\n"
                             "@misc{Adams98,\n  year = {98},\n  title = {Banana}\n}\n";

const char* const kBase = "types=\nfields=\nmaxlogsize=100\npdfpath=*none*\n"
                          "disp1=reference\ndisp2=year\ndisp3=none\ndisp4=none\n";

} // namespace

TEST(CliList, LinesFollowColumnsSortAndFilterSettings)
{
    TempDir dir;
    WriteFile(dir.file("lib.bib"), kLibrary);
    struct Case {
        std::string settings;
        std::string lines;
        std::string message;
    };
    const Case cases[] = {
        {"truncate=no\n", " Smith1999a 1999\n+doe:2001 2001\n Adams98 98\n",
         "status: Filtering off. Showing all 3 items.\n"},
        {"truncate=yes\ncharlimit=5\nsorting=year\n", " Smith 1999\n+doe:2 2001\n Adams 98\n",
         "status: Filtering off. Showing all 3 items.\n"},
        {"sorting=title\ndisp2=title\n", " Adams98 Banana\n Smith1999a On DNA\n+doe:2001 apples\n", ""},
        {"filtering=yes\nfilter1.field=title\nfilter1.op=contains\nfilter1.value=dna\n"
         "filter2.field=line off\nfilter3.field=line off\n",
         " Smith1999a 1999\n", "status: Filtering on. Showing 1 filtered items\n"},
        {"filtering=yes\nfiltermode=or\nfilter1.field=line off\nfilter2.field=line off\nfilter3.field=line off\n",
         "", "status: Filtering on. Showing 0 filtered items\n"},
    };
    for (const Case& c : cases) {
        CliResult r = List(dir, c.settings + kBase); // the first line of a key wins
        EXPECT_EQ(r.rc, 0) << r.err;
        EXPECT_EQ(r.out, c.lines) << c.settings;
        EXPECT_NE(r.err.find("status: Loaded lib.bib. Processed 3 records.\n" + c.message), std::string::npos)
            << r.err;
    }
}

TEST(CliList, MissingLibraryAndBadCharLimit)
{
    TempDir dir;
    CliResult missing = List(dir, kBase, "nothere.bib");
    EXPECT_EQ(missing.rc, 1);
    EXPECT_EQ(missing.err, "error: File not found: nothere.bib\n");

    WriteFile(dir.file("lib.bib"), kLibrary);
    CliResult bad = List(dir, std::string(kBase) + "truncate=yes\ncharlimit=wide\n");
    EXPECT_EQ(bad.rc, 2);
    EXPECT_NE(bad.err.find("lorix-cli: 'wide' is not a valid integer value"), std::string::npos) << bad.err;
    EXPECT_EQ(bad.out, "");
}

TEST(CliTemplateAndExport, TemplateOfAReferenceAndTheHtmlFile)
{
    TempDir dir;
    WriteFile(dir.file("lib.bib"), kLibrary);
    const std::string ini = std::string("fields=key,address,author,x,x,x,x,x,x,x,x,x,x,x,x,x,x,title,x,x,year\n"
                                        "formats.article=%17 %(20.\nexpfields=,year,title,\nexpcolumns=0\n"
                                        "expline=no\n") + kBase;
    WriteFile(dir.file("lorix.ini"), ini);
    auto run = [&](const std::string& args) { return RunCli(dir, args); };
    CliResult t = run("template lib.bib Smith1999a");
    EXPECT_EQ(t.rc, 0);
    EXPECT_EQ(t.out, "On DNA (1999).\n");
    EXPECT_EQ(run("template lib.bib smith1999a").rc, 1); // references compare exactly
    EXPECT_EQ(run("template lib.bib doe:2001").out, "\n"); // a type without a template

    CliResult h = run("export-html lib.bib -o out.html");
    EXPECT_EQ(h.rc, 0);
    const std::string html = ReadFile(dir.file("out.html"));
    EXPECT_NE(html.find("   Displaying 3 items.</h1>\r\n"), std::string::npos);
    // box order is sorted: title before year
    EXPECT_NE(html.find("    <td>title</td>\r\n    <td>On DNA</td>\r\n   </tr>\r\n   <tr>\r\n    <td>year</td>"),
              std::string::npos)
        << html;
    EXPECT_EQ(run("export-html lib.bib").rc, 0);
    EXPECT_TRUE(lorix::test::Exists(dir.file("exp.html")));
}
