#pragma once
// Runs lorix-cli as the real binary in a test folder.

#include "support/testutil.h"

#include <string>

namespace lorix::test {

struct CliResult {
    int rc = -1;
    std::string out; // standard output
    std::string err; // standard error
};

// "lorix-cli ARGS" run in dir, after an optional wrapper such as prlimit.
// Standard error goes through stderr.txt in dir.
inline CliResult RunCli(const TempDir& dir, const std::string& args, const std::string& wrapper = "")
{
    CommandOutput c = RunCommand("cd '" + dir.path() + "' && " + wrapper + " '" LORIX_CLI_PATH "' " + args +
                                 " 2>stderr.txt");
    return {c.rc, c.out, ReadFile(dir.file("stderr.txt"))};
}

// Settings for a one-type schema (article: author and title required) that
// show every message and log nothing; the lines of extra come first and win.
inline void WriteSmallIni(const TempDir& dir, const std::string& extra = "")
{
    WriteFile(dir.file("lorix.ini"), extra + "filename=*none*\nlogfile=*none*\nmaxlogsize=1000\nlog.error=no\n"
                                             "log.status=no\ndisp.error=yes\ndisp.status=yes\npdfpath=*none*\n"
                                             "fields=author,title,year\ntypes=article\narticle=2,0,1,2\n");
}

} // namespace lorix::test
