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
    enum class Result { Done, NeedMore, Retry };
    // What a step of an entry leaves: go on, wait for more bytes, skip to the
    // next field (nothing to keep here), or the entry's fields end here.
    enum class Step { Ok, NeedMore, Skip, End };
    struct Entry;
    Result ReadUnit(std::string_view buf, size_t commentStart, size_t at, std::string_view type, size_t open,
                    bool eof, size_t& next);
    Result ReadBlock(std::string_view buf, size_t commentStart, size_t at, std::string_view type, size_t open,
                     bool eof, size_t& next);
    Result ReadEntry(Entry& e, size_t& next);
    Step ReadReference(Entry& e, bool& fields);
    Step ReadFieldName(Entry& e, std::string& name);
    Step ReadValue(Entry& e, Bibfield& f);
    Step ReadDelimited(Entry& e, const std::string& name, size_t& contentStart, size_t& contentEnd);
    Step SkipUnplaced(Entry& e);
    Result FinishEntry(Entry& e, size_t& next);
    size_t UnplacedEnd(const Entry& e, size_t j, bool& more) const;
    void Unplaced(Entry& e, size_t from, size_t to);
    std::string EntryName(Entry& e);
    bool LineEndStartsEntry(const Entry& e, size_t k) const;
    int EntryStart(std::string_view buf, size_t at, bool eof, size_t& typeStart, size_t& typeEnd,
                   size_t& open) const;
    bool LineStartsEntry(std::string_view buf, size_t i, bool eof) const;
    long LineAt(std::string_view buf, size_t pos);
    std::uint8_t HasDocument(const std::string& reference);
    void AddKeywords(std::string_view value);
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

// The reader's clean-up rules, each on its own.

// A value as read: trimmed, every run of blanks and line ends one blank (a
// line end inside a value is a blank, as BibTeX reads it).
std::string FoldValue(std::string_view raw);
// Comment text as kept: its lines with the blank lines at either end
// removed, joined by "\n".
std::string TidyLines(std::string_view text);
// In the trimmed text before a reference's comma: where the reference ends
// when its comma is missing (the blank before "name = ..."), or npos.
size_t MissingCommaAt(std::string_view reference);
// A field name as read: FieldNameText in lower case (letters A to Z).
std::string FieldNameFromFile(std::string_view raw);
// What closes a block left open at the given depth of its brackets.
std::string BlockClosing(int depth, char close);

// Reads a library file in chunks into bib (replacing its entries).
int ReadBibFile(const std::string& path, TBib& bib, ReadContext& ctx);

} // namespace lorix
