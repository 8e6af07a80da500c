// lorix-cli check, run as the real binary.

#include "cli.h"

#include <gtest/gtest.h>
#include <vector>

using namespace lorix::test;

TEST(CliCheck, ExitCodeAndMessagesFollowTheFindings)
{
    struct Case {
        const char* name;
        const char* library;
        const char* docs; // the document folder, under the test folder
        int rc;
        std::vector<std::string> messages;
    };
    const Case cases[] = {
        {"clean", "@article{smith:2001,\n  author = {A},\n  title = {T}\n}\n", "docs/", 0,
         {"status: Starting consistency check.\n", "status: Consistency check successful. No errors found\n"}},
        {"errors and stray files",
         "@article{smith:2001,\n  title = {T}\n}\n@article{Smith:2001,\n  author = {A},\n  title = {U}\n}\n", "", 1,
         {"error: Multiply definined reference smith:2001 in article T\n",
          "error: Multiply definined reference Smith:2001 in article U\n",
          "error: No value for required field \"author\" in article smith:2001\n",
          "status: File not in database: lorix\n",
          "status: Consistency check found errors. Refer to error log.\n"}},
    };
    for (const Case& c : cases) {
        TempDir d;
        WriteSmallIni(d, "disp.error=no\npdfpath=" + d.path() + "/" + c.docs + "\n");
        WriteFile(d.file("a.bib"), c.library);
        CliResult r = RunCli(d, "check a.bib");
        EXPECT_EQ(r.rc, c.rc) << c.name << "\n" << r.err;
        for (const std::string& m : c.messages)
            EXPECT_NE(r.err.find(m), std::string::npos) << c.name << ": " << m << "\n" << r.err;
        EXPECT_EQ(RunCli(d, "check").rc, 2) << "usage";
    }
}
