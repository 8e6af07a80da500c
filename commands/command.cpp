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

void BeginChange(Session& s)
{
    s.LibraryChanged = true;
}

} // namespace lorix
