#include "commands/items.h"

#include "commands/library.h"

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
    BeginChange(s);
    const int index = AddNewItem(s, reference);
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
    BeginChange(s);
    lorix::DeleteItem(s, s.ShownItems[static_cast<size_t>(row)]);
    Refresh(s, state, true, out);
    const int line = SelectionAfterDelete(row, s.Bib.LastItemIndex(), static_cast<int>(s.ShownItems.size()));
    if (line >= 0)
        out.Show = s.ShownItems[static_cast<size_t>(line)];
    out.Heading = true;
    return true;
}

EditResult EditField(Session& s, int itemIndex, const std::string& label, const std::string& text)
{
    BeginChange(s);
    return WriteBackRow(s, itemIndex, label, text);
}

void SetItemType(Session& s, int itemIndex, const std::string& type)
{
    BeginChange(s);
    s.Bib.Library.at(static_cast<size_t>(itemIndex)).ItemType = type;
}

bool AddField(Session& s, int itemIndex, const std::string& name, const std::string& value)
{
    BeginChange(s);
    return AddCustomField(s, itemIndex, name, value);
}

void EditNote(Session& s, const std::string& reference, const std::string& text)
{
    BeginChange(s);
    SetNote(s.NotesList, reference, text);
}

} // namespace lorix::command
