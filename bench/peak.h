#pragma once
// The peak resident memory of this process so far, in KB (0 where the system
// does not tell).

#include <cstdlib>
#include <fstream>
#include <string>

namespace lorix::bench {

inline long PeakKb()
{
    std::ifstream f("/proc/self/status");
    std::string line;
    while (std::getline(f, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return 0;
}

} // namespace lorix::bench
