#pragma once
// BibTeX text from outside the library (the clipboard, a fetched answer)
// added to it: read by the library's own reader, every entry appended.

#include "core/session.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace lorix {

// What a text brings that the library can take.
struct BibTextAddition {
    std::vector<Bibitem> Entries;    // in text order, references as read
    std::vector<std::string> Blocks; // @string and @preamble blocks the library lacks
    std::vector<std::string> Errors; // the reader's complaints, and blocks left out
};

// Reads text (bytes in the library's encoding) and sorts out what the
// library may take. A @string is taken when the library defines no macro of
// its name (one it defines otherwise is left out and named in Errors), a
// @preamble when the library has none of the same text; @comment blocks and
// text after the last entry are not library data and stay out. Field names
// met join the schema's list, as at a load. The library does not change.
BibTextAddition ReadBibAddition(Session& s, std::string_view text);

// Appends the addition's entries, each under a reference no item uses yet
// (the suffix rule of UniqueReference, taking the earlier new ones into
// account), and its blocks; reports its errors as error messages and sets
// LibraryChanged when an entry came in; before runs just before the
// library changes. Returns the library index of the first new item, or -1
// when there is none (then nothing changed).
int AppendBibAddition(Session& s, BibTextAddition addition, const std::function<void()>& before = {});

inline constexpr const char* kPasteNoEntry = "No BibTeX entry found in the clipboard's text.";
// "Added N items."
std::string AddedItemsText(size_t n);

// Paste BibTeX: appends every entry of text and reports "Added N items.", or
// the error kPasteNoEntry when the text holds none (nothing changes then).
// Returns the library index of the first new item, or -1. before runs just
// before the library changes.
int PasteBibText(Session& s, std::string_view text, const std::function<void()>& before = {});

// The type word of a block ("string", "preamble", "comment", as written),
// and where the block's own text starts after any comment lines before it.
std::string_view BlockType(std::string_view block, size_t* start = nullptr);

} // namespace lorix
