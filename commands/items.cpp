#include "commands/items.h"

#include "commands/library.h"
#include "core/text.h"

namespace lorix::command {

void SwitchFilteringOff(Session& s, ListState& state, Outcome& out)
{
    if (!state.Filtering)
        return;
    state.Filtering = false;
    s.Settings.WriteYesNo(key::Filtering, false);
    out.FilteringOff = true;
}

int AddItem(Session& s, ListState& state, const std::string& reference, Outcome& out)
{
    BeginChange(s, "New Item");
    const int index = AddNewItem(s, reference);
    EndChange(s, index);
    SwitchFilteringOff(s, state, out);
    Refresh(s, state, true, out);
    out.Show = index;
    out.Heading = true;
    return index;
}

bool DeleteItem(Session& s, const ListState& state, FrontEnd& front, Outcome& out)
{
    const int row = state.SelectedLine;
    if (row < 0 || !front.AskDeleteItem())
        return false;
    const int item = s.ShownItems[static_cast<size_t>(row)];
    BeginChange(s, "Delete Item", item, {}, Touches::Notes);
    // The last item takes the place of the deleted one, and a leading comment
    // of the last one goes to the text after the last entry.
    s.History.TouchItem(s.Bib.Library.size() - 1);
    s.History.TouchTrailing();
    lorix::DeleteItem(s, item);
    Refresh(s, state, true, out);
    const int line = SelectionAfterDelete(row, s.Bib.LastItemIndex(), static_cast<int>(s.ShownItems.size()));
    if (line >= 0)
        out.Show = s.ShownItems[static_cast<size_t>(line)];
    EndChange(s, out.Show);
    out.Heading = true;
    return true;
}

EditResult EditField(Session& s, int itemIndex, const std::string& label, const std::string& text)
{
    // A reference renamed renames its note.
    BeginChange(s, "Edit " + label, itemIndex, std::to_string(itemIndex) + ":" + label,
                label == "reference" ? Touches::Notes : Touches::Nothing);
    const EditResult r = WriteBackRow(s, itemIndex, label, text);
    EndChange(s, itemIndex);
    return r;
}

void SetItemType(Session& s, int itemIndex, const std::string& type)
{
    BeginChange(s, "Change Type", itemIndex);
    s.Bib.Library.at(static_cast<size_t>(itemIndex)).ItemType = type;
    EndChange(s, itemIndex);
}

bool AddField(Session& s, int itemIndex, const std::string& name, const std::string& value)
{
    BeginChange(s, "Add Custom Field", itemIndex);
    const bool added = AddCustomField(s, itemIndex, name, value);
    EndChange(s, itemIndex);
    return added;
}

void EditNote(Session& s, const std::string& reference, const std::string& text)
{
    // The item the note belongs to is shown when the step is undone.
    int item = -1;
    for (size_t i = 0; i < s.Bib.Library.size() && item < 0; ++i)
        if (EqualsNoCase(s.Bib.Library[i].Reference, reference))
            item = static_cast<int>(i);
    BeginChange(s, "Edit Note", item, "note:" + LowerAscii(reference), Touches::Notes);
    SetNote(s.NotesList, reference, text);
    EndChange(s, item);
}

} // namespace lorix::command
