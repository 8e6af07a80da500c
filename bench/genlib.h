#pragma once
// A generator of realistic libraries for the benchmarks: about ten fields an
// entry, an abstract in a third of them, keywords, and a notes file.

#include <random>
#include <string>
#include <vector>

namespace lorix::bench {

struct GeneratedLibrary {
    std::string bib;
    std::string notes;
};

inline GeneratedLibrary GenerateLibrary(int entries, unsigned seed = 1)
{
    static const char* const words[] = {
        "analysis", "of",      "the",    "neural",   "network", "model",   "protein", "binding",  "in",
        "cortex",   "visual",  "memory", "dynamics", "a",       "study",   "with",    "{DNA}",    "cells",
        "response", "signal",  "human",  "mouse",    "genetic", "control", "theory",  "learning", "data",
        "method",   "effects", "on",     "large",    "scale",   "systems", "time",    "and",      "rates"};
    static const char* const names[] = {"Smith",  "M\\\"uller", "Garc{\\'\\i}a", "Chen",  "Nguyen",
                                        "Okafor", "Kowalski",   "Tanaka",        "Rossi", "Dubois"};
    static const char* const journals[] = {"Nature", "J. Neurosci.", "Neuron", "Cell", "PLoS Comput. Biol."};
    static const char* const types[] = {"article", "article", "article", "book", "inproceedings", "misc"};
    std::mt19937 rng(seed);
    auto pick = [&](auto& arr) { return arr[rng() % (sizeof arr / sizeof arr[0])]; };
    auto sentence = [&](int n) {
        std::string s;
        for (int i = 0; i < n; ++i) {
            if (i)
                s += ' ';
            s += pick(words);
        }
        return s;
    };
    GeneratedLibrary g;
    g.bib.reserve(size_t(entries) * 1100);
    for (int e = 0; e < entries; ++e) {
        std::string ref = std::string(pick(names)).substr(0, 3) + ":" + std::to_string(1950 + e % 70) + "_" +
                          std::to_string(e);
        g.bib += "@" + std::string(pick(types)) + "{" + ref + ",\r\n";
        std::vector<std::string> fields;
        std::string authors;
        for (int a = 0, n = 1 + int(rng() % 5); a < n; ++a)
            authors += (a ? " and " : "") + std::string(pick(names)) + ", " + char('A' + rng() % 26) + ".";
        fields.push_back("author = {" + authors + "}");
        fields.push_back("title = {" + sentence(6 + int(rng() % 10)) + "}");
        fields.push_back("journal = {" + std::string(pick(journals)) + "}");
        fields.push_back("year = {" + std::to_string(1950 + e % 70) + "}");
        fields.push_back("volume = {" + std::to_string(rng() % 300) + "}");
        fields.push_back("pages = {" + std::to_string(rng() % 900) + "--" + std::to_string(900 + rng() % 99) +
                         "}");
        fields.push_back("key = {" + sentence(2 + int(rng() % 3)) + " k" + std::to_string(rng() % 500) + "}");
        fields.push_back("doi = {10." + std::to_string(1000 + rng() % 9000) + "/" + std::to_string(rng()) +
                         "}");
        fields.push_back("url = {https://example.org/papers/" + std::to_string(rng()) + "}");
        if (rng() % 2)
            fields.push_back("note = {" + sentence(5 + int(rng() % 10)) + "}");
        if (e % 3 == 0)
            fields.push_back("abstract = {" + sentence(180 + int(rng() % 160)) + "}");
        for (size_t f = 0; f < fields.size(); ++f)
            g.bib += "  " + fields[f] + (f + 1 < fields.size() ? ",\r\n" : "\r\n");
        g.bib += "  }\r\n\r\n";
        if (e % 4 == 0)
            g.notes += ref + "\r\n" + sentence(8) + "\r\n";
    }
    return g;
}

} // namespace lorix::bench
