#include "commands/command.h"

#include "view/listview.h"

namespace lorix {

ListState ListStateFromSettings(const SettingsList& settings)
{
    ListState state;
    const SortOrder* order = FindSortOrder(settings.Read(key::Sorting));
    state.SortKey = order ? order->Key : kNone;
    state.Filtering = settings.IsYes(key::Filtering);
    return state;
}

void BeginChange(Session& s, std::string name, int item, std::string mergeKey, Touches touches)
{
    s.LibraryChanged = true;
    UndoHistory& h = s.History;
    h.Begin(std::move(name), item, std::move(mergeKey));
    if (item >= 0)
        h.TouchItem(static_cast<size_t>(item));
    if (touches == Touches::Notes)
        h.TouchNotes();
}

void EndChange(Session& s, int show)
{
    s.History.Commit(show);
}

} // namespace lorix
