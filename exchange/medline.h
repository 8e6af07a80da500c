#pragma once
// MEDLINE tagged text (one field per line: a short tag, a dash, the value,
// indented continuation lines) turned into one new article item.

#include "core/session.h"

#include <string>
#include <string_view>

namespace lorix {

// Where the source of an import text ends its lines: the clipboard (CR LF
// on the desktop the program was first written for) or a fetched body (LF).
// Both sources are read the same way: LF, CR LF and a lone CR all end a
// line, and a last line without a line end is read too, so a record copied
// from a browser or served with CR LF imports whole.
enum class LineEnd { CR, LF };

// The text as lines ended by CR LF, with the first line's indentation
// removed from every line that has at least as much.
std::string PrepareImportText(std::string_view text, LineEnd lineEnd);

// The value of the first entry of tag in text, its continuation lines joined
// by single blanks; the entry is removed from text, so the next call finds
// the next one. A tag searched as "\n" + name also matches at the very start
// of text. Not found (or no "-" after it): empty, text unchanged. For the tag
// "AU" a "," goes before the first blank ("Smith JA" -> "Smith, JA").
std::string FindTag(std::string& text, std::string_view tag);

enum class MedlineOutcome { Added, NoTitle, NoAuthor };

struct MedlineRecord {
    MedlineOutcome Outcome = MedlineOutcome::NoTitle;
    Bibitem Item;         // type "article", reference stem + ":" + year (not yet unique)
    std::string Abstract; // one line
};

// Reads one record from prepared text; nothing is changed.
MedlineRecord ReadMedlineRecord(std::string_view prepared);

inline constexpr const char* kImportNoItem = "Error importing: no item found.";
inline constexpr const char* kImportNoAuthor = "No author fields in clipboard. Not importing.";

// Reads one record and, when it has a title and an author, appends it to the
// library under a unique reference, sets LibraryChanged, reports "Added item
// ... from Clipboard." and stores the abstract as the item's note. Failures
// are reported as error messages and change nothing. The list refresh is
// the caller's. Returns whether an item was added.
bool ImportMedline(Session& s, std::string_view prepared);

} // namespace lorix
