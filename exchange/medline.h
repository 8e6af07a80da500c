#pragma once
// MEDLINE tagged text (one field per line: a short tag, a dash, the value,
// indented continuation lines) turned into one new article item.

#include "core/session.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace lorix {

// The most an import reads, from a file or from the PubMed service: the
// setting "import.maxkb" in kilobytes; 16384 (16 MB) when the key is absent
// or not above 0. Throws ConversionError for a value that is no number.
size_t ImportLimitBytes(const SettingsList& settings);
// "... is larger than N KB, the limit set by "import.maxkb"." for what (a
// file name or an answer), so that the error says which setting to raise.
std::string ImportTooLargeText(const SettingsList& settings, const std::string& what);
// The text of an import file, at most ImportLimitBytes: a larger file (or an
// endless one such as a device) is refused with a FileError.
std::string ReadImportFile(const SettingsList& settings, const std::string& path);

// The text as lines ended by CR LF, with the first line's indentation
// removed from every line that has at least as much. Clipboard text and
// fetched bodies are read alike: LF, CR LF and a lone CR all end a line, and
// a last line without a line end is read too, so a record copied from a
// browser or served with CR LF imports whole.
std::string PrepareImportText(std::string_view text);

// The value of the first entry of tag in text, its continuation lines joined
// by single blanks; the entry is removed from text, so the next call finds
// the next one. A tag searched as "\n" + name also matches at the very start
// of text. Not found (or no "-" after it): empty, text unchanged. For the tag
// "AU" a "," goes before the first blank ("Smith JA" -> "Smith, JA").
std::string FindTag(std::string& text, std::string_view tag);
// The values of the entries of tag in turn, as repeated FindTag calls give
// them until one gives an empty value (that entry is removed too), in one
// pass over the text however many entries there are.
std::vector<std::string> FindTagEntries(std::string& text, std::string_view tag);

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
// library under a unique reference, reports "Added item ... from Clipboard."
// and stores the abstract as the item's note; beforeAdd, when given, runs
// just before the library changes. Failures are reported as error messages
// and change nothing. The list refresh is the caller's. Returns whether an
// item was added.
bool ImportMedline(Session& s, std::string_view prepared, const std::function<void()>& beforeAdd = {});

} // namespace lorix
