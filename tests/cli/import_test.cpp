// lorix-cli import-medline and fetch, run as the real binary; the fetch goes
// to a loopback server started by the test.

#include "cli.h"
#include "support/httpserver.h"

#include <gtest/gtest.h>
#include <string>

using namespace lorix::test;

namespace {

const char* const kLibrary = "@article{mangalam:2002,\n  author = {Someone},\n  title = {Other},\n  year = {2002}\n}\n";

void Prepare(const TempDir& d, const std::string& url)
{
    WriteSmallIni(d, "filtering=yes\nfilter1=year\nfilter1.op=contains\nfilter1.from=1999\n"
                     "pubmed.timeout=2\npubmed.url=" + url + "\n");
    WriteFile(d.file("lib.bib"), kLibrary);
}

} // namespace

TEST(CliImport, MedlineFileAddsOneItemWithUniqueReference)
{
    TempDir d;
    Prepare(d, "http://127.0.0.1:1/");
    CliResult r = RunCli(d, "import-medline lib.bib '" + CorpusFile("medline/pmid-12230038.txt") + "'");
    ASSERT_EQ(r.rc, 0) << r.err;
    EXPECT_NE(r.err.find("status: Added item mangalam:2002a from Clipboard.\n"), std::string::npos) << r.err;
    const std::string lib = ReadFile(d.file("lib.bib"));
    EXPECT_NE(lib.find("@article{mangalam:2002a,"), std::string::npos) << lib;
    EXPECT_NE(lib.find("journal = {Brief Bioinform}"), std::string::npos) << lib;
    EXPECT_NE(ReadFile(d.file("lib.not")).find("mangalam:2002a\r\nBioinformatics research"), std::string::npos);
}

TEST(CliImport, FailuresAndAFetchToAnotherFileLeaveTheLibraryAlone)
{
    const std::string record = ReadFile(CorpusFile("medline/pmid-16377612.txt"));
    LoopbackServer server([&](const std::string& target) {
        if (target.find("id=16377612") != std::string::npos)
            return HttpAnswer{200, record};
        if (target.find("id=500") != std::string::npos)
            return HttpAnswer{500, "server error"};
        return HttpAnswer{200, "Error: no such id\n"};
    });
    TempDir d;
    Prepare(d, server.url("/efetch.fcgi?db=pubmed&id={id}&rettype=medline"));
    WriteFile(d.file("bad.txt"), "TI  - Only a title\n");
    struct Case {
        std::string args;
        int rc;
        std::string message;
    };
    const Case cases[] = {
        {"import-medline lib.bib bad.txt", 1, "error: No author fields in clipboard. Not importing.\n"},
        {"import-medline lib.bib", 2, "usage: lorix-cli"},
        {"import-medline lib.bib missing.txt", 2, "lorix-cli: "},
        {"fetch lib.bib 1234a", 1, "not a PubMed identifier"},
        {"fetch lib.bib 1234567890123456", 1, "not a PubMed identifier"},
        {"fetch lib.bib 999", 1, "error: Error importing: no item found.\n"},
        {"fetch lib.bib 500", 2, "lorix-cli: The PubMed service answered with HTTP status 500"},
    };
    for (const Case& c : cases) {
        CliResult r = RunCli(d, c.args);
        EXPECT_EQ(r.rc, c.rc) << c.args << "\n" << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << c.args << "\n" << r.err;
        EXPECT_EQ(ReadFile(d.file("lib.bib")), kLibrary) << c.args;
        EXPECT_FALSE(Exists(d.file("lib.bak"))) << c.args;
    }

    CliResult r = RunCli(d, "fetch lib.bib ' 16377612 ' -o out.bib");
    ASSERT_EQ(r.rc, 0) << r.err;
    EXPECT_EQ(server.lastTarget(), "/efetch.fcgi?db=pubmed&id=16377612&rettype=medline");
    const std::string out = ReadFile(d.file("out.bib"));
    EXPECT_NE(out.find("  year = {2006},\r\n  pubmed_id = {16377612}\r\n  }"), std::string::npos) << out;
    EXPECT_EQ(ReadFile(d.file("lib.bib")), kLibrary);
}
