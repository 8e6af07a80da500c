#include "cli/cli.h"
#include "cli/terminal.h"
#include "core/process.h"

#include <iostream>
#include <unistd.h>

int main(int argc, char** argv)
{
    lorix::IgnoreFileSizeSignal();
    std::ios::sync_with_stdio(false);
    // On a terminal, control characters from the library are shown, not obeyed.
    lorix::cli::VisibleControlsBuf out(std::cout.rdbuf()), err(std::cerr.rdbuf());
    std::streambuf* const plainOut = ::isatty(STDOUT_FILENO) ? std::cout.rdbuf(&out) : nullptr;
    std::streambuf* const plainErr = ::isatty(STDERR_FILENO) ? std::cerr.rdbuf(&err) : nullptr;
    const int rc = lorix::cli::Run(std::vector<std::string>(argv, argv + argc), std::cout, std::cerr, true);
    std::cout.flush();
    if (plainOut)
        std::cout.rdbuf(plainOut);
    if (plainErr)
        std::cerr.rdbuf(plainErr);
    return rc;
}
