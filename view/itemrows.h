#pragma once
// What the item editor shows for one item, as plain data: the type position,
// the rows with their styles and the schema errors, plus the write-back
// rules of its editors and the item commands. The editor window and the
// command-line check both build on these, so they report the same messages
// in the same order.

#include "core/model.h"
#include "core/schema.h"
#include "core/session.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lorix {

// How a field stands towards the either-or pairs of its item's type.
enum class FieldState {
    Absent = 0,         // in no pair, the item lacks it
    Present = 1,        // in no pair, the item has it
    ChoiceNeither = 2,  // in a pair, neither side is in the item
    ChoiceThis = 3,     // in a pair, the item has it and the partner is absent or empty
    ChoiceOther = 4,    // in a pair, the item lacks it but has the partner
    ChoiceConflict = 5, // in a pair, the item has both and the partner is not empty
};

// fieldIndex is the position of the field among the item's fields, or -1.
// Pairs are matched by the item's own type, ignoring letter case as BibTeX
// reads types; the last matching pair wins, and
// a conflict in the first pair of the table is never reported.
FieldState ClassifyField(const Schema& schema, const Bibitem& item, int fieldIndex, std::string_view name);

inline constexpr int kEditorRows = 31;

enum class RowKind { Reference, Required, Optional, Custom };

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};
inline constexpr Rgb kBlack{0, 0, 0};
inline constexpr Rgb kRed{255, 0, 0};
inline constexpr Rgb kBlue{0, 0, 255};
inline constexpr Rgb kSilver{192, 192, 192};
inline constexpr Rgb kWhite{255, 255, 255};

struct ItemRow {
    std::string Label; // also the key by which edits find the item's field
    RowKind Kind = RowKind::Custom;
    FieldState State = FieldState::Absent;
    bool Bold = false;
    bool Italic = false;
    Rgb LabelColour = kBlack;
    Rgb EditorColour = kBlack;
    std::string Tooltip; // empty: no tooltip
    std::string Value;
    bool KeyPopup = false; // the keyword menu is the editor's context menu
    // The value's braces do not balance: the editor shows it in red, as a
    // conflict, until they do (the writer would have to add braces).
    bool Unbalanced = false;
    Rgb ShownEditorColour() const { return Unbalanced ? kRed : EditorColour; }
};

struct ItemLayout {
    // Position of the shown type in TypeTable, or -1 when the item's type is
    // unknown and the schema has no fallback type (fewer than 15 types): then
    // the item shows only its reference and its fields as custom rows.
    int TypeIndex = -1;
    std::string TypeName; // the text of the type box; quoted by the messages
    // Row 0 is the reference; at most kEditorRows rows. The window adds the
    // blank label below the last row when there is room for it.
    std::vector<ItemRow> Rows;
    // Schema errors in the order they are logged.
    std::vector<std::string> Errors;
    // Fields of the item that got no row because all 31 rows were taken.
    std::vector<std::string> Unshown;
};

// Position of the type shown for an item of type itemType (see TypeIndex): the
// last schema type of that name, ignoring letter case.
int ShownTypeIndex(const Schema& schema, std::string_view itemType);

// Without withText the rows carry no values and no tooltips, only what the
// rules decide (labels, kinds, states, styles): the check's need.
ItemLayout LayoutItem(const Schema& schema, const Bibitem& item, bool withText = true);

// The showing of an item without the window: lays it out and logs its schema
// errors as error messages (and, as a status message, any field that cannot
// be shown for want of rows).
ItemLayout ShowItemRows(Session& s, int itemIndex, bool withText = true);

// The message naming the fields left without a row.
std::string UnshownMessage(const Bibitem& item, const std::vector<std::string>& unshown);

// --- Write-back of an editor row -------------------------------------------

enum class EditResult {
    Set,      // an existing field got the text
    Removed,  // an existing field was emptied and removed: show the item again
    Appended, // a schema row got its first value: show the item again
    Renamed,  // the reference changed (notes entry renamed with it)
    Refused,  // the item is full; the error has been logged, nothing written
};

// The write-back of the editor whose row label is `label`. The caller
// rewrites the list line and, for Removed and Appended, shows the item again.
EditResult WriteBackRow(Session& s, int itemIndex, const std::string& label, const std::string& text);

// Removes field j by moving the item's last field into its place.
void RemoveField(Bibitem& item, int j);

// Appends a field unless the item already holds kMaxFields; refusing logs an
// error naming the item. Returns whether the field was appended.
bool AppendField(Session& s, int itemIndex, const std::string& name, const std::string& value);

// The custom field dialog's OK: with a name and a value, appends the field,
// or appends one space and the value to the item's last field of that name.
// Returns false only when refused.
bool AddCustomField(Session& s, int itemIndex, const std::string& name, const std::string& value);

// New Item: appends an "article" without fields under the first free
// reference of ref, ref+"a", ref+"b", ...; returns the new index.
int AddNewItem(Session& s, const std::string& ref);

// Delete Item: removes the item's notes entry and puts the last item into its
// place.
void DeleteItem(Session& s, int itemIndex);

// The line to select after deleting the item on line `row`, given the new
// LastItemIndex and the number of lines the refreshed list shows; -1 for none.
int SelectionAfterDelete(int row, int newLastItemIndex, int shownLines);

// --- Keywords ----------------------------------------------------------------

struct KeywordGroup {
    std::string Caption; // "first-last"
    int First = 0;
    int Last = 0;
};
// The groups of the keyword menu for sorted keywords: none (a flat menu) up
// to 20 keywords, groups of twenty from 21 on.
std::vector<KeywordGroup> KeywordGroups(const std::vector<std::string>& sortedKeywords);
// A box's text after choosing keyword k: trim(trim(text) + " " + k).
std::string AppendKeyword(std::string_view text, std::string_view k);

} // namespace lorix
