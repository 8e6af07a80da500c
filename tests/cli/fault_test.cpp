// Save faults seen from the command line: each must end with a
// "lorix-cli:" line and exit 2, leaving the library file whole.

#include "support/testutil.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>

using namespace lorix::test;

TEST(CliFault, FailedSavesExitTwoAndKeepTheOldFile)
{
    TempDir d;
    WriteFile(d.file("lorix.ini"), "filename=*none*\nlogfile=*none*\nmaxlogsize=1000\nlog.error=no\n"
                                   "log.status=no\ndisp.error=yes\ndisp.status=yes\npdfpath=*none*\nbackup=yes\n"
                                   "fields=author,title,year\ntypes=article\narticle=2,0,1,2\n");
    std::string lib;
    for (int i = 0; i < 2000; ++i)
        lib += "@article{r" + std::to_string(i) + ",\n  title = \"A title long enough to fill the file\"\n}\n";
    WriteFile(d.file("lib.bib"), lib);
    std::filesystem::create_directories(d.file("folder.bib"));
    struct Case {
        const char* name;
        std::string command;
        std::string file; // must be unchanged afterwards
    };
    const Case cases[] = {
        {"full disk", "prlimit --fsize=20000 '" LORIX_CLI_PATH "' format lib.bib", "lib.bib"},
        {"missing folder", "'" LORIX_CLI_PATH "' format lib.bib -o no/such/out.bib", "lib.bib"},
        {"target is a folder", "'" LORIX_CLI_PATH "' format lib.bib -o folder.bib", "lib.bib"},
    };
    for (const Case& c : cases) {
        const std::string before = ReadFile(d.file(c.file));
        CommandOutput r = RunCommand("cd '" + d.path() + "' && " + c.command + " 2>&1 >/dev/null");
        EXPECT_EQ(r.rc, 2) << c.name << "\n" << r.out;
        EXPECT_NE(r.out.find("lorix-cli: "), std::string::npos) << c.name << "\n" << r.out;
        EXPECT_EQ(ReadFile(d.file(c.file)), before) << c.name;
        for (const auto& e : std::filesystem::directory_iterator(d.path()))
            EXPECT_EQ(e.path().filename().string().find(".tmp"), std::string::npos)
                << c.name << ": temporary file left: " << e.path();
    }

    // A backup that cannot be made (a folder holds its name): the save stops
    // before the library is touched.
    std::filesystem::create_directories(d.file("lib.bib.bak/inside"));
    CommandOutput r = RunCommand("cd '" + d.path() + "' && '" LORIX_CLI_PATH "' format lib.bib 2>&1 >/dev/null");
    EXPECT_EQ(r.rc, 2) << r.out;
    EXPECT_NE(r.out.find("lorix-cli: "), std::string::npos) << r.out;
    EXPECT_EQ(ReadFile(d.file("lib.bib")), lib);
}
