#include "view/listview.h"

#include "core/errors.h"
#include "core/text.h"
#include "view/latextext.h"

#include <algorithm>
#include <numeric>
#include <unordered_map>

namespace lorix {

ListColumns ListColumnsFromSettings(const SettingsList& settings)
{
    ListColumns c;
    for (size_t i = 0; i < c.Disp.size(); ++i)
        c.Disp[i] = settings.Read(key::Disp[i]);
    c.Truncate = settings.IsYes(key::Truncate);
    c.Unicode = settings.IsYes(key::DisplayUnicode);
    if (c.Truncate)
        c.CharLimit = settings.ReadInt(key::CharLimit);
    return c;
}

namespace {

// The text of a column; shown holds it when it differs from the stored value.
// The reference and the type are names, not text: never converted.
const std::string& ShownValue(const Bibitem& item, const std::string& column, const ListColumns& columns,
                              bool utf8, std::string& shown)
{
    const std::string& stored = ColumnValue(item, column);
    if (!columns.Unicode || &stored == &item.Reference || &stored == &item.ItemType)
        return stored;
    LatexToText(stored, utf8, shown);
    return shown;
}

} // namespace

std::string BuildListLine(const Bibitem& item, const ListColumns& columns, bool utf8)
{
    std::string line;
    static thread_local std::string shown; // its memory serves every line of a refresh
    for (const std::string& column : columns.Disp) {
        if (column == "none")
            continue;
        const std::string& value = ShownValue(item, column, columns, utf8, shown);
        if (columns.Truncate) {
            // Cut to w characters of the library's codec, then pad with blanks
            // to exactly w characters, so the columns line up.
            const size_t w = columns.CharLimit > 0 ? static_cast<size_t>(columns.CharLimit) : 0;
            const size_t bytes = CharPrefixBytes(value, w, utf8);
            const size_t chars = CharCount(std::string_view(value).substr(0, bytes), utf8);
            if (w == 0)
                continue;
            line.append(value, 0, bytes);
            line.append(w - chars, ' ');
            line.push_back(' ');
        } else if (!value.empty()) {
            line.append(value);
            line.push_back(' ');
        }
    }
    std::string_view trimmed = TrimView(line);
    char marker = item.HasDocument == 1 ? '*' : (item.FindField("folder") >= 0 ? '+' : ' ');
    std::string result;
    result.reserve(trimmed.size() + 1);
    result.push_back(marker);
    result.append(trimmed);
    return result;
}

std::string BuildListLine(const Session& s, int itemIndex)
{
    return BuildListLine(s.Bib.Library[static_cast<size_t>(itemIndex)], ListColumnsFromSettings(s.Settings),
                         s.Bib.Utf8);
}

FilterRules FilterRulesFromSettings(const SettingsList& settings)
{
    FilterRules r;
    r.Filtering = settings.IsYes(key::Filtering);
    r.Any = settings.Read(key::FilterMode) == "or";
    for (size_t i = 0; i < r.Lines.size(); ++i) {
        r.Lines[i].Field = settings.Read(key::Filter[i].Field);
        r.Lines[i].Op = settings.Read(key::Filter[i].Op);
        r.Lines[i].Bound = settings.Read(key::Filter[i].Value);
    }
    return r;
}

namespace {

// Lower-cased bound and operator of a rule, prepared once per list build.
struct PreparedRule {
    const FilterLine* line;
    std::string bound;
    enum class Op { Contains, Equals, Less, Greater, Other } op;
};

PreparedRule Prepare(const FilterLine& line)
{
    PreparedRule p{&line, LowerAscii(line.Bound), PreparedRule::Op::Other};
    if (line.Op == "contains")
        p.op = PreparedRule::Op::Contains;
    else if (line.Op == "equals")
        p.op = PreparedRule::Op::Equals;
    else if (line.Op == "less than")
        p.op = PreparedRule::Op::Less;
    else if (line.Op == "greater than")
        p.op = PreparedRule::Op::Greater;
    return p;
}

// Note look-up for the "notes" rule: the first reference line (even index)
// equal to a reference, ignoring case, as FindNoteLine finds it; built once
// instead of scanning the notes per item.
class NoteIndex {
  public:
    explicit NoteIndex(const std::vector<std::string>& notes) : m_notes(notes) {}
    std::string_view Note(const std::string& reference)
    {
        if (!m_built) {
            for (size_t k = 0; k < m_notes.size(); k += 2)
                m_first.emplace(LowerAscii(m_notes[k]), k);
            m_built = true;
        }
        auto it = m_first.find(LowerAscii(reference));
        if (it == m_first.end() || it->second + 1 >= m_notes.size())
            return {};
        return m_notes[it->second + 1];
    }

  private:
    const std::vector<std::string>& m_notes;
    std::unordered_map<std::string, size_t> m_first;
    bool m_built = false;
};

bool Test(const PreparedRule& rule, const Bibitem& item, NoteIndex& notes)
{
    const FilterLine& line = *rule.line;
    const std::string v =
        LowerAscii(line.Field == "notes" ? notes.Note(item.Reference) : ColumnValue(item, line.Field));
    bool t;
    switch (rule.op) {
    case PreparedRule::Op::Equals:
        t = v == rule.bound;
        break;
    case PreparedRule::Op::Less:
        t = v < rule.bound; // std::string compares bytes as unsigned char
        break;
    case PreparedRule::Op::Greater:
        t = v > rule.bound;
        break;
    case PreparedRule::Op::Contains:
        t = !rule.bound.empty() && v.find(rule.bound) != std::string::npos;
        break;
    default:
        return false; // an unknown operator fails, whatever the not flag says
    }
    return line.Not ? !t : t;
}

bool Admit(const std::vector<PreparedRule>& active, bool any, const Bibitem& item, NoteIndex& notes)
{
    bool excluded = any;
    for (const PreparedRule& rule : active)
        if (Test(rule, item, notes) == any)
            excluded = !any;
    return !excluded;
}

std::vector<PreparedRule> ActiveRules(const FilterRules& rules)
{
    std::vector<PreparedRule> active;
    for (const FilterLine& line : rules.Lines)
        if (line.Field != "line off")
            active.push_back(Prepare(line));
    return active;
}

} // namespace

const SortOrder* FindSortOrder(std::string_view key)
{
    for (const SortOrder& o : kSortOrders)
        if (key == o.Key)
            return &o;
    return nullptr;
}

ListResult BuildList(const Session& s, const FilterRules& rules, std::string_view sortKey)
{
    const ListColumns columns = ListColumnsFromSettings(s.Settings);
    const std::vector<PreparedRule> active = ActiveRules(rules);
    NoteIndex notes(s.NotesList);
    const auto& lib = s.Bib.Library;

    std::vector<int> shown;
    std::vector<std::string> lines;
    shown.reserve(lib.size());
    lines.reserve(lib.size());
    for (size_t i = 0; i < lib.size(); ++i) {
        if (rules.Filtering && !Admit(active, rules.Any, lib[i], notes))
            continue;
        shown.push_back(static_cast<int>(i));
        lines.push_back(BuildListLine(lib[i], columns, s.Bib.Utf8));
    }

    ListResult r;
    const std::string n = std::to_string(shown.size());
    r.Message = rules.Filtering ? "Filtering on. Showing " + n + " filtered items"
                                : "Filtering off. Showing all " + n + " items.";

    if (const SortOrder* sortOrder = FindSortOrder(sortKey)) {
        // A stable sort of the positions by the byte-wise key gives the order
        // of an exchange sort that never swaps equal keys.
        std::vector<const std::string*> keys(shown.size());
        for (size_t k = 0; k < shown.size(); ++k)
            keys[k] = &ColumnValue(lib[static_cast<size_t>(shown[k])], sortOrder->Column);
        std::vector<size_t> order(shown.size());
        std::iota(order.begin(), order.end(), size_t{0});
        std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return *keys[a] < *keys[b]; });
        r.ShownItems.reserve(order.size());
        r.Lines.reserve(order.size());
        for (size_t k : order) {
            r.ShownItems.push_back(shown[k]);
            r.Lines.push_back(std::move(lines[k]));
        }
    } else {
        r.ShownItems = std::move(shown);
        r.Lines = std::move(lines);
    }
    return r;
}

} // namespace lorix
