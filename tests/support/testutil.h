#pragma once
// Small helpers shared by the tests: a temporary folder removed at the end,
// whole-file reads and writes, and paths of the shared corpus.

#include <functional>
#include <set>
#include <string>
#include <utility>

namespace lorix::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return m_path; }
    std::string file(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

void WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFile(const std::string& path);
bool Exists(const std::string& path);
// The names in folder that hold ".tmp": what a save left behind.
std::set<std::string> TempFiles(const std::string& folder);
// Runs a shell command and returns its exit code (-1 when it did not exit)
// and what it wrote on standard output.
struct CommandOutput {
    int rc = -1;
    std::string out;
};
CommandOutput RunCommand(const std::string& shellCommand);

// The libraries of the corpus (in bib/) and the entries each holds.
inline constexpr std::pair<const char*, int> kCorpusLibraries[] = {
    {"xampl.bib", 36}, {"biblatex-examples.bib", 92}, {"jurabib-jbtest-latin1.bib", 24},
    {"zbbt-import-1730-5-jabref-crlf.bib", 4}, {"zbbt-import-mendeley-longfields.bib", 512},
    {"zbbt-export-bulk-zotero.bib", 1241}};

// A file of ../shared/corpus, e.g. CorpusFile("bib/xampl.bib").
std::string CorpusFile(const std::string& relative);
// Why a test of the corpus cannot run ("the corpus folder ... is absent"), or
// empty when the folder is there. A clone outside the workplace has none.
std::string CorpusMissing();

// The text of the E that call throws, or "(none)" when it throws none.
template <class E, class F> std::string Thrown(F call)
{
    try {
        call();
    } catch (const E& e) {
        return e.what();
    }
    return "(none)";
}

// piece(0) + piece(1) + ... + piece(count - 1).
std::string Repeat(int count, const std::function<std::string(int)>& piece);

} // namespace lorix::test
