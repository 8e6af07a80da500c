#include "view/listview.h"

namespace lorix {

// Placeholder bodies; the list view replaces them.
ListColumns ListColumnsFromSettings(const SettingsList&) { return {}; }
std::string BuildListLine(const Bibitem& item, const ListColumns&, bool) { return " " + item.Reference; }
std::string BuildListLine(const Session& s, int itemIndex)
{
    return BuildListLine(s.Bib.Library[static_cast<size_t>(itemIndex)], {}, true);
}
FilterRules FilterRulesFromSettings(const SettingsList&) { return {}; }
bool TestFilterRule(const Session&, const FilterLine&, int) { return true; }
bool AdmitItem(const Session&, const FilterRules&, int) { return true; }
ListResult BuildList(const Session& s, const FilterRules&, const std::string&)
{
    ListResult r;
    for (int i = 0; i <= s.Bib.LastItemIndex(); ++i) {
        r.ShownItems.push_back(i);
        r.Lines.push_back(BuildListLine(s, i));
    }
    r.Message = "Filtering off. Showing all " + std::to_string(r.ShownItems.size()) + " items.";
    return r;
}
const std::string& ItemSortKey(const Bibitem& item, const std::string&) { return item.Reference; }

} // namespace lorix
