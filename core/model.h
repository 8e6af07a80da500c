#pragma once
// The library in memory: items with their fields in file order, plus what a
// real file holds besides entries, so that nothing is lost on the way from
// reader to writer.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace lorix {

struct Bibfield {
    std::string Name;
    std::string Value;
    // The value was a macro name or a "#" concatenation in the file; Value
    // then holds its raw text and the writer writes it back bare.
    bool Bare = false;
};

struct Bibitem {
    std::uint8_t HasDocument = 0;
    std::string ItemType;
    std::string Reference;
    std::vector<Bibfield> Fields; // at most kMaxFields, in file (or insertion) order
    // Comment text that stood between the previous entry and this one, with
    // its lines joined by "\n"; written back just before the entry.
    std::string LeadingText;

    int LastField() const { return static_cast<int>(Fields.size()) - 1; }
    // Position of the last field named exactly name, or -1.
    int FindField(std::string_view name) const;
};

struct TBib {
    std::vector<Bibitem> Library;
    // @string, @preamble and @comment blocks, verbatim, in file order; written
    // back before the first entry.
    std::vector<std::string> Blocks;
    // Text after the last entry, written back after it.
    std::string TrailingText;
    // The file was valid UTF-8; otherwise the user interface shows its bytes
    // as Windows-1252.
    bool Utf8 = true;

    int LastItemIndex() const { return static_cast<int>(Library.size()) - 1; }
    void Clear();
};

// Braces a value lacks for BibTeX to read it back: Open "{" at its start, one
// for each "}" that closes nothing, and Close "}" at its end, one for each
// "{" left open.
struct MissingBraces {
    size_t Open = 0;
    size_t Close = 0;
    bool Any() const { return Open + Close > 0; }
};
MissingBraces CountMissingBraces(std::string_view value);
// The field can be written as it is and reads back unchanged: the braces of
// a value balance; in a bare value (macros, "#" concatenations) every braced
// or quoted part balances on its own and no brace stands outside them.
bool IsBalanced(const Bibfield& f);
// Makes the field writable: a value gets its missing braces; a bare value
// that is not balanced becomes a plain value of its text, braces added.
// Returns whether anything changed.
bool BalanceField(Bibfield& f);

// Value of the item's last field named exactly `name`; empty when none.
const std::string& GetFieldValue(const Bibitem& item, std::string_view name);
// What an item holds under a column name of the list, the filter rules and
// the sort orders: "reference" and "type" name the item's reference and
// type, any other name a field (GetFieldValue).
const std::string& ColumnValue(const Bibitem& item, std::string_view column);

// A reference as the file can hold it: without ",", "{", "}" and control
// characters, each of which would end or break the entry's header when saved,
// and with blank runs folded and no blank at either end, as it reads back.
std::string ReferenceText(std::string_view typed);
// A field name as the file can hold it: without a leading "@" (the line
// "  @word{..." would read as a new entry), blanks, control characters and
// the characters that end a name or a value: , = { } ( ) " #.
std::string FieldNameText(std::string_view typed);

// The first of ref, ref + "a", ref + "b", ... (each suffix the next
// character code, so "z" is followed by "{") that no item of the library
// uses as its reference; compared exactly.
std::string UniqueReference(const TBib& bib, const std::string& ref);
// The same against a set of the references in use, for adding many items.
std::string UniqueReference(const std::unordered_set<std::string_view>& used, const std::string& ref);

inline constexpr const char* kDocumentExtensions[] = {".pdf", ".ps", ".rtf", ".doc"};

// The name of a reference's document file without its extension: the
// reference with its first ":" removed (later ones stay).
std::string DocumentStem(std::string_view reference);
// The document file of a stem: the stem with the last extension of
// kDocumentExtensions for which exists(name) holds, or empty.
std::string DocumentFileName(std::string_view stem, const std::function<bool(const std::string&)>& exists);
// The document prefix (the "pdfpath" setting, used as a plain prefix) as the
// folder to list and the start that names in it must have: "docs/" is the
// folder docs/ with any name, "docs/pre" the names of docs/ that start with
// "pre", "" the working folder.
struct DocumentPath {
    std::string Folder;
    std::string NameStart;
};
DocumentPath SplitDocumentPath(std::string_view pdfPath);

// The document file of a reference in the folder prefix pdfPath (the
// "pdfpath" setting, empty when "*none*"), by DocumentStem and
// DocumentFileName. Returns the file name without the folder, or empty.
std::string FindDocumentFile(std::string_view reference, std::string_view pdfPath);

// Takes the first keyword of a "key" value out of text: keywords are
// separated by blanks only (a comma stays part of the keyword before it) and
// trimmed; the trimmed rest stays in text. The one rule for splitting keywords.
std::string_view NextKeyword(std::string_view& text);
void SortNoCase(std::vector<std::string>& list);

// A name chosen to save a library under, with ".bib" appended when the
// file's own name holds no "." ("sub.d/out" gets it).
std::string LibraryFileName(std::string_view chosen);

// The notes file beside a library: the file's own name up to and including
// its first "." followed by "not", in the same folder; ".not" is appended
// to a name without a dot, and to a library whose own name that rule gives.
std::string NotesFileName(const std::string& libraryPath);

// Index of the note line of reference in NotesList, or -1: the note follows
// the first reference line (even index) equal to the reference, ignoring case.
// Note lines (odd indexes) are never taken for references, also when a note's
// text equals a reference.
int FindNoteLine(const std::vector<std::string>& notes, std::string_view reference);
// Index of the reference line of a notes entry, or -1 (same rule).
int FindNoteEntry(const std::vector<std::string>& notes, std::string_view reference);
std::string GetNote(const std::vector<std::string>& notes, std::string_view reference);
// Files text as the note of reference: in its entry, or in a new entry at the
// end; an empty text removes the entry.
void SetNote(std::vector<std::string>& notes, std::string_view reference, std::string text);

} // namespace lorix
