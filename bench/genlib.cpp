// genlib N OUT.bib: writes a generated library of N entries and its notes file.
#include "bench/genlib.h"

#include "core/fileio.h"
#include "core/model.h"

#include <cstdlib>
#include <iostream>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::cerr << "usage: genlib N OUT.bib\n";
        return 2;
    }
    lorix::bench::GeneratedLibrary g = lorix::bench::GenerateLibrary(std::atoi(argv[1]));
    lorix::WriteFileAtomic(argv[2], g.bib);
    lorix::WriteFileAtomic(lorix::NotesFileName(argv[2]), g.notes);
    std::cout << argv[2] << ": " << g.bib.size() << " bytes\n";
    return 0;
}
