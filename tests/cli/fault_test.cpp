// Save faults seen from the command line: each must end with a
// "lorix-cli:" line and exit 2, leaving the library file whole.

#include "cli.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>

using namespace lorix::test;

TEST(CliFault, FailedSavesExitTwoAndKeepTheOldFile)
{
    TempDir d;
    WriteSmallIni(d, "backup=yes\n");
    std::string lib;
    for (int i = 0; i < 2000; ++i)
        lib += "@article{r" + std::to_string(i) + ",\n  title = \"A title long enough to fill the file\"\n}\n";
    WriteFile(d.file("lib.bib"), lib);
    std::filesystem::create_directories(d.file("folder.bib"));
    struct Case {
        const char* name;
        const char* wrapper;
        const char* args;
        const char* folder; // made before the run
    };
    const Case cases[] = {
        {"full disk", "prlimit --fsize=20000", "format lib.bib", nullptr},
        {"missing folder", "", "format lib.bib -o no/such/out.bib", nullptr},
        {"target is a folder", "", "format lib.bib -o folder.bib", nullptr},
        // A backup that cannot be made: the save stops before the library is touched.
        {"folder holds the backup's name", "", "format lib.bib", "lib.bib.bak/inside"},
    };
    for (const Case& c : cases) {
        if (c.folder)
            std::filesystem::create_directories(d.file(c.folder));
        CliResult r = RunCli(d, c.args, c.wrapper);
        EXPECT_EQ(r.rc, 2) << c.name << "\n" << r.err;
        EXPECT_NE(r.err.find("lorix-cli: "), std::string::npos) << c.name << "\n" << r.err;
        EXPECT_EQ(ReadFile(d.file("lib.bib")), lib) << c.name;
        for (const auto& e : std::filesystem::directory_iterator(d.path()))
            EXPECT_EQ(e.path().filename().string().find(".tmp"), std::string::npos)
                << c.name << ": temporary file left: " << e.path();
    }
}
