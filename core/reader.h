#pragma once
// The reader behind ReadBibText and LoadLibraryFile. It takes the file in
// chunks: Parse consumes every complete entry or block of a buffer and
// returns how many bytes it used; the caller keeps the rest, appends the next
// chunk and calls again, the last time with eof set.

#include "core/library.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace lorix {

class BibReader {
  public:
    BibReader(TBib& bib, ReadContext& ctx);
    size_t Parse(std::string_view buf, bool eof);
    // Ends the read; returns the number of entries.
    int Finish();

  private:
    enum class Unit { Done, NeedMore, Retry };
    Unit ParseUnit(std::string_view buf, size_t commentStart, size_t at, std::string_view type, size_t open,
                   bool eof, size_t& next);
    int EntryStart(std::string_view buf, size_t at, bool eof, size_t& typeStart, size_t& typeEnd,
                   size_t& open) const;
    bool LineStartsEntry(std::string_view buf, size_t i, bool eof) const;
    long LineAt(std::string_view buf, size_t pos);
    std::uint8_t HasDocument(const std::string& reference);
    void AddKeywordsFast(std::string_view value);
    void Report(const std::string& text);
    void FlushReports();
    static size_t Candidate(std::string_view buf, size_t from, size_t to, char delim);

    TBib& m_bib;
    ReadContext& m_ctx;
    std::vector<Bibfield> m_fields; // fields of the entry being read, reused
    std::string m_pendingTrailing;
    // Sets that ignore letter case (A to Z), looked up with views of the
    // buffer so that no lowered copy is built per field or keyword.
    struct NoCaseHash {
        using is_transparent = void;
        size_t operator()(std::string_view s) const noexcept;
    };
    struct NoCaseEqual {
        using is_transparent = void;
        bool operator()(std::string_view a, std::string_view b) const noexcept;
    };
    using NoCaseSet = std::unordered_set<std::string, NoCaseHash, NoCaseEqual>;
    NoCaseSet m_fieldNames;
    std::vector<std::string> m_namesAt;         // field names of the last entry read, by position
    NoCaseSet m_keywords;                       // first spelling of each
    std::unordered_set<std::string> m_docStems; // document files without their extension
    std::string m_docKey;                       // scratch: the name looked for
    std::string m_docPrefix;                    // file-name part of the pdf path prefix
    bool m_docListed = false;
    std::vector<std::string> m_unitErrors; // errors of the unit being read
    bool m_recover = false;                // second reading of a broken entry
    long m_line = 0;                       // line ends before m_linePos
    size_t m_linePos = 0;                  // in the current buffer
};

// Reads a library file in chunks into bib (replacing its entries).
int ReadBibFile(const std::string& path, TBib& bib, ReadContext& ctx);

} // namespace lorix
