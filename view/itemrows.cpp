#include "view/itemrows.h"

#include "core/text.h"

#include <algorithm>

namespace lorix {

FieldState ClassifyField(const Schema& schema, const Bibitem& item, int fieldIndex, std::string_view name)
{
    int entry = -1;
    int side = 0;
    for (int c = 0; c < schema.ChoiceCount(); ++c) {
        const TChoices& ch = schema.ChoiceTable[static_cast<size_t>(c)];
        if (!EqualsNoCase(ch.TypeName, item.ItemType))
            continue;
        if (ch.Alternatives[1] == name) {
            entry = c;
            side = 1;
        } else if (ch.Alternatives[0] == name) {
            entry = c;
            side = 0;
        }
    }
    if (entry < 0)
        return fieldIndex >= 0 ? FieldState::Present : FieldState::Absent;
    const std::string& partner = schema.ChoiceTable[static_cast<size_t>(entry)].Alternatives[1 - side];
    const int p = item.FindField(partner);
    if (fieldIndex >= 0) {
        if (p >= 0 && !item.Fields[static_cast<size_t>(p)].Value.empty() && entry != 0)
            return FieldState::ChoiceConflict;
        return FieldState::ChoiceThis;
    }
    return p >= 0 ? FieldState::ChoiceOther : FieldState::ChoiceNeither;
}

int ShownTypeIndex(const Schema& schema, std::string_view itemType)
{
    int t = -1;
    for (int i = 0; i <= schema.LastTypeIndex(); ++i)
        if (EqualsNoCase(schema.TypeTable[static_cast<size_t>(i)].Name, itemType))
            t = i;
    if (t < 0 && kFallbackTypeIndex <= schema.LastTypeIndex())
        t = kFallbackTypeIndex;
    return t;
}

namespace {

std::string Quoted(const char* lead, const std::string& field, const std::string& type, const Bibitem& item)
{
    std::string m = lead;
    m += '"';
    m += field;
    m += "\" in ";
    m += type;
    m += ' ';
    m += item.Reference;
    return m;
}

bool HasLabel(const std::vector<ItemRow>& rows, const std::string& name)
{
    return std::any_of(rows.begin(), rows.end(), [&](const ItemRow& r) { return r.Label == name; });
}

} // namespace

ItemLayout LayoutItem(const Schema& schema, const Bibitem& item, bool withText)
{
    ItemLayout out;
    out.TypeIndex = ShownTypeIndex(schema, item.ItemType);
    out.Rows.reserve(kEditorRows);

    ItemRow ref;
    ref.Label = "reference";
    ref.Kind = RowKind::Reference;
    ref.Bold = true;
    ref.LabelColour = kRed;
    if (withText)
        ref.Value = item.Reference;
    out.Rows.push_back(std::move(ref));

    if (out.TypeIndex >= 0) {
        const TItem& type = schema.TypeTable[static_cast<size_t>(out.TypeIndex)];
        out.TypeName = type.Name;
        const int count = static_cast<int>(type.Fields.size());
        for (int k = 0; k < count; ++k) {
            const std::string& f = type.Fields[static_cast<size_t>(k)];
            ItemRow row;
            row.Label = f;
            row.KeyPopup = f == "key";
            const int j = item.FindField(f);
            if (j >= 0) {
                if (withText)
                    row.Value = item.Fields[static_cast<size_t>(j)].Value;
                row.Unbalanced = !IsBalanced(item.Fields[static_cast<size_t>(j)]);
            }
            row.State = ClassifyField(schema, item, j, f);
            if (k >= type.RequiredCount) {
                row.Kind = RowKind::Optional;
                if (withText)
                    row.Tooltip = "Optional field.";
                if (row.State == FieldState::ChoiceOther) {
                    row.Italic = true;
                    if (withText)
                        row.Tooltip = "Optional field. Leave empty.";
                }
            } else {
                row.Kind = RowKind::Required;
                row.Bold = true;
                row.LabelColour = kRed;
                if (withText)
                    row.Tooltip = "This is a required field.";
                if (row.State == FieldState::Absent || row.State == FieldState::ChoiceNeither) {
                    out.Errors.push_back(Quoted("No value for required field ", f, type.Name, item));
                } else if (row.State == FieldState::ChoiceOther) {
                    row.Bold = false;
                    row.Italic = true;
                    if (withText)
                        row.Tooltip = "This required field must remain empty.";
                }
            }
            if (row.State == FieldState::ChoiceConflict) {
                out.Errors.push_back(Quoted("Field conflict involving field ", f, type.Name, item));
                row.EditorColour = kRed;
                if (withText)
                    row.Tooltip = "Maybe you should delete the value in this field.";
            }
            // A type may list 31 fields while the editor has room for 30 next
            // to the reference: the rule is still checked, the row just has no
            // place. The field itself then shows up in Unshown below.
            if (static_cast<int>(out.Rows.size()) < kEditorRows)
                out.Rows.push_back(std::move(row));
        }
    }

    for (const Bibfield& f : item.Fields) {
        if (HasLabel(out.Rows, f.Name))
            continue;
        if (static_cast<int>(out.Rows.size()) >= kEditorRows) {
            // Of several fields of one name only the first would get a row.
            if (std::find(out.Unshown.begin(), out.Unshown.end(), f.Name) == out.Unshown.end())
                out.Unshown.push_back(f.Name);
            continue;
        }
        ItemRow row;
        row.Label = f.Name;
        row.Kind = RowKind::Custom;
        row.State = ClassifyField(schema, item, item.FindField(f.Name), f.Name);
        row.KeyPopup = f.Name == "key";
        if (withText)
            row.Value = f.Value;
        row.Unbalanced = !IsBalanced(f);
        if (withText)
            row.Tooltip = "Custom field.";
        row.LabelColour = kBlue;
        out.Rows.push_back(std::move(row));
    }
    return out;
}

std::string UnshownMessage(const Bibitem& item, const std::vector<std::string>& unshown)
{
    std::string m = "Not enough rows to show every field of " + item.Reference + ":";
    for (const std::string& n : unshown)
        m += " " + n;
    return m;
}

ItemLayout ShowItemRows(Session& s, int itemIndex, bool withText)
{
    const Bibitem& item = s.Bib.Library.at(static_cast<size_t>(itemIndex));
    ItemLayout layout = LayoutItem(s.schema, item, withText);
    for (const std::string& e : layout.Errors)
        s.Error(e);
    if (!layout.Unshown.empty())
        s.Status(UnshownMessage(item, layout.Unshown));
    return layout;
}

void RemoveField(Bibitem& item, int j)
{
    item.Fields[static_cast<size_t>(j)] = std::move(item.Fields.back());
    item.Fields.pop_back();
}

bool AppendField(Session& s, int itemIndex, const std::string& name, const std::string& value)
{
    Bibitem& item = s.Bib.Library.at(static_cast<size_t>(itemIndex));
    if (static_cast<int>(item.Fields.size()) >= kMaxFields) {
        s.Error("Item " + item.Reference + " already holds " + std::to_string(kMaxFields) +
                " fields. Field " + name + " not added.");
        return false;
    }
    item.Fields.push_back(Bibfield{name, value, false});
    return true;
}

EditResult WriteBackRow(Session& s, int itemIndex, const std::string& label, const std::string& text)
{
    Bibitem& item = s.Bib.Library.at(static_cast<size_t>(itemIndex));
    const int j = item.FindField(label);
    if (j >= 0) {
        if (!text.empty()) {
            Bibfield& f = item.Fields[static_cast<size_t>(j)];
            f.Value = text;
            f.Bare = false; // typed text is a value, no longer a macro
            return EditResult::Set;
        }
        RemoveField(item, j);
        return EditResult::Removed;
    }
    if (label != "reference")
        return AppendField(s, itemIndex, label, text) ? EditResult::Appended : EditResult::Refused;
    const std::string ref = ReferenceText(text);
    const int e = FindNoteEntry(s.NotesList, item.Reference);
    if (e >= 0)
        s.NotesList[static_cast<size_t>(e)] = ref;
    item.Reference = ref;
    return EditResult::Renamed;
}

bool AddCustomField(Session& s, int itemIndex, const std::string& typedName, const std::string& value)
{
    const std::string name = FieldNameText(typedName);
    if (name.empty() || value.empty())
        return true;
    Bibitem& item = s.Bib.Library.at(static_cast<size_t>(itemIndex));
    const int j = item.FindField(name);
    if (j < 0)
        return AppendField(s, itemIndex, name, value);
    Bibfield& f = item.Fields[static_cast<size_t>(j)];
    f.Value += ' ';
    f.Value += value;
    // Typed text after a macro is no macro: written bare, the words after
    // the first would be lost on the next load.
    f.Bare = false;
    return true;
}

int AddNewItem(Session& s, const std::string& ref)
{
    Bibitem item;
    item.ItemType = "article";
    item.Reference = UniqueReference(s.Bib, ReferenceText(ref));
    s.Bib.Library.push_back(std::move(item));
    return s.Bib.LastItemIndex();
}

void DeleteItem(Session& s, int itemIndex)
{
    auto& lib = s.Bib.Library;
    Bibitem& item = lib.at(static_cast<size_t>(itemIndex));
    const int e = FindNoteEntry(s.NotesList, item.Reference);
    if (e >= 0)
        s.NotesList.erase(s.NotesList.begin() + e, s.NotesList.begin() + e + 2);
    // Comment text that stood before the deleted entry stays in the file:
    // it moves to the entry that now follows that place.
    std::string leading = std::move(item.LeadingText);
    if (static_cast<size_t>(itemIndex) + 1 != lib.size())
        item = std::move(lib.back());
    lib.pop_back();
    if (static_cast<size_t>(itemIndex) < lib.size()) {
        std::string& next = lib[static_cast<size_t>(itemIndex)].LeadingText;
        if (!leading.empty())
            next = next.empty() ? leading : leading + "\n" + next;
    } else if (!leading.empty()) {
        s.Bib.TrailingText = s.Bib.TrailingText.empty() ? leading : leading + "\n" + s.Bib.TrailingText;
    }
}

int SelectionAfterDelete(int row, int newLastItemIndex, int shownLines)
{
    int line = -1;
    if (row >= 2)
        line = row - 1;
    else if (row < newLastItemIndex)
        line = row + 1;
    // A filtered list may show fewer lines than the library holds items:
    // never select past its end.
    if (line >= shownLines)
        line = shownLines - 1;
    return line;
}

std::vector<KeywordGroup> KeywordGroups(const std::vector<std::string>& keys)
{
    std::vector<KeywordGroup> groups;
    const int n = static_cast<int>(keys.size());
    if (n < 21)
        return groups;
    const int g = (n - 1) / 20 + 1;
    for (int i = 0; i < g; ++i) {
        KeywordGroup grp;
        grp.First = 20 * i;
        grp.Last = std::min(20 * i + 19, n - 1);
        grp.Caption = keys[static_cast<size_t>(grp.First)] + "-" + keys[static_cast<size_t>(grp.Last)];
        groups.push_back(std::move(grp));
    }
    return groups;
}

std::string AppendKeyword(std::string_view text, std::string_view k)
{
    std::string joined(TrimView(text));
    joined += ' ';
    joined += k;
    return Trim(joined);
}

} // namespace lorix
