#pragma once
// What the main list shows: which items pass the filter rules, the text of
// each line and the order of the lines. The Qt list model only holds what
// BuildList returns.

#include "core/session.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lorix {

struct ListColumns {
    std::array<std::string, 4> Disp{"none", "none", "none", "none"};
    bool Truncate = false;
    int CharLimit = 0;
    bool Unicode = false; // field values shown with LaTeX as the characters it stands for
};
// "disp1".."disp4", "truncate", "charlimit", "display.unicode"; throws
// ConversionError for a non-numeric "charlimit" while "truncate" is "yes".
ListColumns ListColumnsFromSettings(const SettingsList& settings);

// The line of one item: up to four columns and the marker "*", "+" or " ".
// Truncation counts characters (code points when utf8, bytes otherwise) of
// the text shown. The reference and the type are always shown as stored:
// they are names, not text.
std::string BuildListLine(const Bibitem& item, const ListColumns& columns, bool utf8);
// Same, with the columns read from the session's settings.
std::string BuildListLine(const Session& s, int itemIndex);

struct FilterLine {
    std::string Field = "line off";
    std::string Op;
    std::string Bound;
    bool Not = false;
};
struct FilterRules {
    bool Filtering = false;
    bool Any = false; // "filtermode" is exactly "or"
    std::array<FilterLine, 3> Lines;
};
// The rules as stored in the settings (the not flags unchecked).
FilterRules FilterRulesFromSettings(const SettingsList& settings);

// The orders of the Sort menu, in menu order. "*none*" (or any word not
// here) keeps library order.
struct SortOrder {
    const char* Key;     // the word the setting "sorting" holds
    const char* Column;  // what the items are sorted by (see ColumnValue)
    const char* Entry;   // the menu entry's name,
    const char* Caption; // its caption
    char Letter;         // and the main list's single-letter key for it
};
inline constexpr std::array<SortOrder, 6> kSortOrders{{
    {"title", "title", "byTitle", "by &Title", 't'},
    {"author", "author", "byName", "by &Author", 'a'},
    {"year", "year", "byYear", "by &Year", 'y'},
    {"journal", "journal", "byJournal", "by &Journal", 'j'},
    {"type", "type", "byType", "by T&ype", 'p'},
    {"ref", "reference", "byRef", "by &Reference", 'r'},
}};
// The order named by a word of "sorting"; nullptr for "*none*" and any other word.
const SortOrder* FindSortOrder(std::string_view key);

struct ListResult {
    std::vector<int> ShownItems;
    std::vector<std::string> Lines; // in shown order
    std::string Message;            // the count message of the refresh
    // ReferenceKey of each shown line's reference, built with the lines.
    std::vector<std::uint64_t> ReferenceKeys;
};
// Admits, builds every line once, then sorts stably (byte-wise) by the
// order sortKey names. Without withLines, Lines stays empty: the shown items
// and the message only.
ListResult BuildList(const Session& s, const FilterRules& rules, std::string_view sortKey, bool withLines = true);

// The first eight bytes of a reference, letters A to Z in lower case, packed
// into a number (zero bytes after a shorter one): what the Navigator looks at
// first, without touching the item.
std::uint64_t ReferenceKey(std::string_view reference);
// The first shown line whose item's reference starts with lowerPrefix, the
// letters A to Z compared in lower case, or -1. keys holds ReferenceKey of
// each shown line's reference (BuildList's ReferenceKeys, kept up to date
// where a reference changes); a line whose key rules the prefix out is
// passed over. Keys of another count than shown are not used. The search
// starts at line from: a text that extends one whose first line was from
// cannot start an earlier line.
int FindReferenceLine(const TBib& bib, const std::vector<int>& shown, const std::vector<std::uint64_t>& keys,
                      std::string_view lowerPrefix, size_t from = 0);

} // namespace lorix
