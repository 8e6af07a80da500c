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
    // The marker comes first; the columns are built after it in place and
    // trimmed there, so that a line costs one allocation.
    std::string line(1, ' ');
    line.reserve(columns.Truncate && columns.CharLimit > 0 ? 1 + columns.Disp.size() * (size_t(columns.CharLimit) + 1)
                                                           : 96);
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
            // A prefix shorter than the value holds exactly w characters.
            const size_t chars = bytes < value.size() ? w : CharCount(value, utf8);
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
    const std::string_view columnsText = std::string_view(line).substr(1);
    const std::string_view trimmed = TrimView(columnsText);
    line.resize(1 + static_cast<size_t>(trimmed.data() - columnsText.data()) + trimmed.size());
    line.erase(1, static_cast<size_t>(trimmed.data() - columnsText.data()));
    line[0] = item.HasDocument == 1 ? '*' : (item.FindField("folder") >= 0 ? '+' : ' ');
    return line;
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

ListResult BuildList(const Session& s, const FilterRules& rules, std::string_view sortKey, bool withLines)
{
    const ListColumns columns = ListColumnsFromSettings(s.Settings);
    const std::vector<PreparedRule> active = ActiveRules(rules);
    NoteIndex notes(s.NotesList);
    const auto& lib = s.Bib.Library;

    std::vector<int> shown;
    std::vector<std::string> lines;
    std::vector<std::uint64_t> refKeys;
    shown.reserve(lib.size());
    refKeys.reserve(withLines ? lib.size() : 0);
    lines.reserve(withLines ? lib.size() : 0);
    for (size_t i = 0; i < lib.size(); ++i) {
        if (rules.Filtering && !Admit(active, rules.Any, lib[i], notes))
            continue;
        shown.push_back(static_cast<int>(i));
        if (withLines) {
            lines.push_back(BuildListLine(lib[i], columns, s.Bib.Utf8));
            refKeys.push_back(ReferenceKey(lib[i].Reference));
        }
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
        r.Lines.reserve(lines.size());
        r.ReferenceKeys.reserve(refKeys.size());
        for (size_t k : order) {
            r.ShownItems.push_back(shown[k]);
            if (withLines) {
                r.Lines.push_back(std::move(lines[k]));
                r.ReferenceKeys.push_back(refKeys[k]);
            }
        }
    } else {
        r.ShownItems = std::move(shown);
        r.Lines = std::move(lines);
        r.ReferenceKeys = std::move(refKeys);
    }
    return r;
}

} // namespace lorix

namespace lorix {

std::uint64_t ReferenceKey(std::string_view reference)
{
    std::uint64_t key = 0;
    for (size_t i = 0; i < reference.size() && i < 8; ++i)
        key |= std::uint64_t(static_cast<unsigned char>(LowerAscii(reference[i]))) << (8 * i);
    return key;
}

int FindReferenceLine(const TBib& bib, const std::vector<int>& shown, const std::vector<std::uint64_t>& keys,
                      std::string_view lowerPrefix, size_t from)
{
    // A line whose reference starts with the prefix has the prefix's first
    // bytes (up to eight) in its key; only those lines are read in full.
    const size_t bytes = std::min<size_t>(lowerPrefix.size(), 8);
    const std::uint64_t mask = bytes == 8 ? ~std::uint64_t(0) : (std::uint64_t(1) << (8 * bytes)) - 1;
    const std::uint64_t want = ReferenceKey(lowerPrefix.substr(0, bytes)) & mask;
    const bool useKeys = keys.size() == shown.size();
    const auto& lib = bib.Library;
    const size_t n = shown.size();
    auto ruledOut = [&](size_t k) { return (keys[k] & mask) != want; };
    for (size_t k = from; k < n; ++k) {
        if (useKeys) {
            // Four keys a step while all four rule the prefix out.
            while (k + 4 <= n && (ruledOut(k) & ruledOut(k + 1) & ruledOut(k + 2) & ruledOut(k + 3)))
                k += 4;
            while (k < n && ruledOut(k))
                ++k;
            if (k == n)
                break;
        }
        const auto item = static_cast<size_t>(shown[k]);
        if (item >= lib.size())
            continue;
        const std::string& ref = lib[item].Reference;
        if (ref.size() < lowerPrefix.size())
            continue;
        size_t i = 0;
        while (i < lowerPrefix.size() && LowerAscii(ref[i]) == lowerPrefix[i])
            ++i;
        if (i == lowerPrefix.size())
            return static_cast<int>(k);
    }
    return -1;
}

} // namespace lorix
