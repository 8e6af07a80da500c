// Reading one MEDLINE record of a few megabytes (a long abstract, thousands
// of authors), as a fetch does on the window's thread: MB/s of the import
// next to a floor measured in the same run (copying the text once).
//
//   medline_import [abstract lines] [authors]

#include "exchange/medline.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv)
{
    const int lines = argc > 1 ? std::atoi(argv[1]) : 300000;
    const int authors = argc > 2 ? std::atoi(argv[2]) : 20000;
    std::string text = "TI  - A record of some size\nAB  - start\n";
    for (int i = 0; i < lines; ++i)
        text += "      word " + std::to_string(i) + "\n";
    for (int i = 0; i < authors; ++i)
        text += "FAU - Name" + std::to_string(i) + ", First\nAU  - Name" + std::to_string(i) + " F\n";
    text += "DP  - 2001 Jan\n";
    const double mb = double(text.size()) / 1e6;
    using clock = std::chrono::steady_clock;
    auto t0 = clock::now();
    std::string copy = text;
    const double floor = std::chrono::duration<double>(clock::now() - t0).count();
    t0 = clock::now();
    const lorix::MedlineRecord r = lorix::ReadMedlineRecord(lorix::PrepareImportText(copy));
    const double import = std::chrono::duration<double>(clock::now() - t0).count();
    std::printf("record %.1f MB (%d abstract lines, %d authors)\nfloor (copy)  %8.1f MB/s\n"
                "import        %8.1f MB/s (%.3f s, limit 1 s)\n(%zu)\n",
                mb, lines, authors, mb / floor, mb / import, import, r.Abstract.size());
    return import < 1 ? 0 : 1;
}
