#include "cli/cli.h"
#include "core/process.h"

#include <iostream>

int main(int argc, char** argv)
{
    lorix::IgnoreFileSizeSignal();
    std::ios::sync_with_stdio(false);
    return lorix::cli::Run(std::vector<std::string>(argv, argv + argc), std::cout, std::cerr, true);
}
