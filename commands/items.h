#pragma once
// The commands on single items and their notes: adding and deleting items,
// and the edits of the item editor, the custom field dialog and the notes
// window. Each change passes BeginChange first.

#include "commands/command.h"
#include "view/itemrows.h"

namespace lorix::command {

// New Item: an article without fields under the first free reference of
// reference, reference + "a", ...; the list shows every item (filtering is
// switched off) and the new item is to be shown. Returns its index.
int AddItem(Session& s, ListState& state, const std::string& reference, Outcome& out);

// Delete Item: the item of the selected line, once the front end confirms;
// the list is refreshed and the item of a neighbouring line is to be shown.
// False when no line is selected or the answer was No.
bool DeleteItem(Session& s, const ListState& state, FrontEnd& front, Outcome& out);

// The item editor's write-back of the row labelled label (see WriteBackRow).
EditResult EditField(Session& s, int itemIndex, const std::string& label, const std::string& text);
// The item editor's type box.
void SetItemType(Session& s, int itemIndex, const std::string& type);
// The custom field dialog's OK (see AddCustomField).
bool AddField(Session& s, int itemIndex, const std::string& name, const std::string& value);
// The notes window: the note of reference becomes text (see SetNote).
void EditNote(Session& s, const std::string& reference, const std::string& text);

// Filtering switched off in the state and the settings, when it is on.
void SwitchFilteringOff(Session& s, ListState& state, Outcome& out);

} // namespace lorix::command
