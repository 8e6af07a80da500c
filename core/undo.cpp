#include "core/undo.h"

#include <algorithm>
#include <utility>

namespace lorix {

size_t ItemBytes(const Bibitem& item)
{
    size_t n = sizeof(Bibitem) + item.ItemType.size() + item.Reference.size() + item.LeadingText.size();
    for (const Bibfield& f : item.Fields)
        n += sizeof(Bibfield) + f.Name.size() + f.Value.size();
    return n;
}

bool SameItem(const Bibitem& a, const Bibitem& b)
{
    if (a.HasDocument != b.HasDocument || a.ItemType != b.ItemType || a.Reference != b.Reference ||
        a.LeadingText != b.LeadingText || a.Fields.size() != b.Fields.size())
        return false;
    for (size_t k = 0; k < a.Fields.size(); ++k)
        if (a.Fields[k].Name != b.Fields[k].Name || a.Fields[k].Value != b.Fields[k].Value ||
            a.Fields[k].Bare != b.Fields[k].Bare)
            return false;
    return true;
}

namespace {

size_t LinesBytes(const std::vector<std::string>& lines)
{
    size_t n = 0;
    for (const std::string& l : lines)
        n += sizeof(std::string) + l.size();
    return n;
}

// A splice that puts back what stands there: nothing to keep.
bool NoChange(const LineSplice& s, const std::vector<std::string>& list)
{
    return s.Count == s.Other.size() &&
           std::equal(s.Other.begin(), s.Other.end(), list.begin() + static_cast<std::ptrdiff_t>(s.Pos));
}

// Replaces lines [pos, pos + count) of list by lines; returns those taken out.
std::vector<std::string> Replace(std::vector<std::string>& list, size_t pos, size_t count,
                                 std::vector<std::string> lines)
{
    const auto at = list.begin() + static_cast<std::ptrdiff_t>(pos);
    const auto end = at + static_cast<std::ptrdiff_t>(count);
    std::vector<std::string> taken(std::make_move_iterator(at), std::make_move_iterator(end));
    list.erase(at, end);
    list.insert(list.begin() + static_cast<std::ptrdiff_t>(pos), std::make_move_iterator(lines.begin()),
                std::make_move_iterator(lines.end()));
    return taken;
}

// Exchanges the lines of the splice with the list's.
void Exchange(LineSplice& s, std::vector<std::string>& list)
{
    const size_t count = s.Other.size();
    s.Other = Replace(list, s.Pos, s.Count, std::move(s.Other));
    s.Count = count;
}

// The splices fit the list when applied in the given order.
bool Fits(const std::vector<LineSplice>& splices, size_t size, bool backwards)
{
    for (size_t k = 0; k < splices.size(); ++k) {
        const LineSplice& s = splices[backwards ? splices.size() - 1 - k : k];
        if (s.Pos > size || s.Count > size - s.Pos)
            return false;
        size = size - s.Count + s.Other.size();
    }
    return true;
}

void ExchangeAll(std::vector<LineSplice>& splices, std::vector<std::string>& list, bool backwards)
{
    if (backwards)
        for (auto s = splices.rbegin(); s != splices.rend(); ++s)
            Exchange(*s, list);
    else
        for (LineSplice& s : splices)
            Exchange(s, list);
}

size_t LibraryBytes(const TBib& bib)
{
    size_t n = LinesBytes(bib.Blocks);
    for (const Bibitem& item : bib.Library)
        n += ItemBytes(item);
    return n;
}

const std::string kNoName;

} // namespace

void UndoHistory::Clear()
{
    m_undo.clear();
    m_redo.clear();
    m_step = UndoStep();
    m_recording = m_open = m_notesTouched = false;
    m_notesBefore = {};
    m_bytes = m_libraryBytes = 0;
}

const std::string& UndoHistory::UndoName() const
{
    return m_undo.empty() ? kNoName : m_undo.back().Name;
}

const std::string& UndoHistory::RedoName() const
{
    return m_redo.empty() ? kNoName : m_redo.back().Name;
}

void UndoHistory::Begin(std::string name, int selection, std::string mergeKey)
{
    if (m_recording)
        Commit(selection);
    m_recording = true;
    m_blocksAtBegin = m_bib.Blocks.size();
    if (m_open && !mergeKey.empty() && !m_undo.empty() && m_undo.back().MergeKey == mergeKey) {
        m_step = std::move(m_undo.back());
        m_undo.pop_back();
        m_bytes -= m_step.Bytes;
        return;
    }
    m_open = false;
    m_step = UndoStep();
    m_step.Name = std::move(name);
    m_step.MergeKey = std::move(mergeKey);
    m_step.OtherSize = m_bib.Library.size();
    m_step.OtherSelection = selection;
}

void UndoHistory::TouchItem(size_t index)
{
    // An index past the library's size before the step is an item the step
    // appended: the other version has none there, nothing to keep.
    if (!m_recording || index >= m_step.OtherSize || index >= m_bib.Library.size())
        return;
    for (const UndoStep::Slot& s : m_step.Items)
        if (s.Index == index)
            return;
    m_step.Items.push_back({index, m_bib.Library[index]});
}

void UndoHistory::TouchTrailing()
{
    if (m_recording && !m_step.TrailingTouched) {
        m_step.TrailingTouched = true;
        m_step.OtherTrailing = m_bib.TrailingText;
    }
}

void UndoHistory::SpliceNotes(size_t pos, size_t count, std::vector<std::string> lines)
{
    pos = std::min(pos, m_notes.size());
    count = std::min(count, m_notes.size() - pos);
    const size_t added = lines.size();
    std::vector<std::string> taken = Replace(m_notes, pos, count, std::move(lines));
    if (m_recording)
        AddNotesSplice(pos, count, added, std::move(taken));
}

void UndoHistory::TouchNotes()
{
    if (m_recording && !m_notesTouched) {
        m_notesTouched = true;
        m_notesBefore = m_notes;
    }
}

void UndoHistory::AddNotesSplice(size_t pos, size_t count, size_t added, std::vector<std::string> taken)
{
    // Inside the lines the step's last splice put there (a note typed key by
    // key): that splice grows, its other version stays what it was.
    if (!m_step.Notes.empty()) {
        LineSplice& last = m_step.Notes.back();
        if (pos >= last.Pos && pos + count <= last.Pos + last.Count) {
            last.Count = last.Count - count + added;
            return;
        }
    }
    m_step.Notes.push_back({pos, added, std::move(taken)});
}

void UndoHistory::Commit(int selection)
{
    if (!m_recording)
        return;
    m_recording = false;
    UndoStep& st = m_step;
    if (m_notesTouched) {
        // One splice from the first line that differs to the last.
        m_notesTouched = false;
        const std::vector<std::string>& was = m_notesBefore;
        const size_t n = std::min(was.size(), m_notes.size());
        size_t head = 0, tail = 0;
        while (head < n && was[head] == m_notes[head])
            ++head;
        while (tail < n - head && was[was.size() - 1 - tail] == m_notes[m_notes.size() - 1 - tail])
            ++tail;
        if (head != was.size() || head != m_notes.size())
            AddNotesSplice(head, was.size() - head - tail, m_notes.size() - head - tail,
                           {was.begin() + static_cast<std::ptrdiff_t>(head),
                            was.end() - static_cast<std::ptrdiff_t>(tail)});
        m_notesBefore = {};
    }
    st.Size = m_bib.Library.size();
    st.Selection = selection;
    if (m_bib.Blocks.size() > m_blocksAtBegin) // blocks are only ever appended
        st.Blocks.push_back({m_blocksAtBegin, m_bib.Blocks.size() - m_blocksAtBegin, {}});
    // Items that came out as they went in are no change.
    std::erase_if(st.Items, [&](const UndoStep::Slot& s) {
        return s.Index < st.Size && SameItem(s.Item, m_bib.Library[s.Index]);
    });
    if (st.TrailingTouched && st.OtherTrailing == m_bib.TrailingText) {
        st.TrailingTouched = false;
        st.OtherTrailing.clear();
    }
    // A note typed and taken back again. (Only a lone splice can be judged
    // here: later ones move the lines of earlier ones.)
    if (st.Notes.size() == 1 && NoChange(st.Notes.front(), m_notes))
        st.Notes.clear();
    // An item removed from the end that nobody touched first cannot be put
    // back: this history no longer describes the library.
    size_t removed = 0;
    for (const UndoStep::Slot& s : st.Items)
        removed += s.Index >= st.Size;
    if (st.OtherSize > st.Size && removed != st.OtherSize - st.Size) {
        Clear();
        return;
    }
    if (st.Items.empty() && st.Notes.empty() && st.Blocks.empty() && !st.TrailingTouched &&
        st.Size == st.OtherSize) {
        m_open = false;
        return;
    }
    Account(st);
    m_undo.push_back(std::move(st));
    m_open = !m_undo.back().MergeKey.empty();
    for (const UndoStep& r : m_redo)
        m_bytes -= r.Bytes;
    m_redo.clear();
    Trim();
}

void UndoHistory::Account(UndoStep& step)
{
    size_t n = sizeof(UndoStep) + step.Name.size() + step.MergeKey.size() + step.OtherTrailing.size();
    for (const UndoStep::Slot& s : step.Items)
        n += sizeof(size_t) + ItemBytes(s.Item);
    n += step.Order.size() * sizeof(size_t);
    for (const auto* list : {&step.Notes, &step.Blocks})
        for (const LineSplice& s : *list)
            n += sizeof(LineSplice) + LinesBytes(s.Other);
    step.Bytes = n;
    m_bytes += n;
}

void UndoHistory::Trim()
{
    auto dropOldest = [this] {
        m_bytes -= m_undo.front().Bytes;
        m_undo.erase(m_undo.begin());
    };
    while (m_undo.size() > kMaxSteps)
        dropOldest();
    auto budget = [this] { return std::max(kMinBudget, m_libraryBytes / 10); };
    if (m_bytes <= budget())
        return;
    // Measured only when the budget is passed, and then trimmed to three
    // quarters of it, so that the library is not measured at every step.
    m_libraryBytes = LibraryBytes(m_bib);
    while (m_bytes > budget() / 4 * 3 && m_undo.size() > 1)
        dropOldest();
}

bool UndoHistory::Apply(UndoStep& step, bool backwards)
{
    std::vector<Bibitem>& lib = m_bib.Library;
    if (!step.Order.empty()) {
        if (lib.size() != step.Order.size())
            return false;
        std::vector<Bibitem> other(lib.size());
        std::vector<size_t> back(lib.size());
        for (size_t j = 0; j < lib.size(); ++j) {
            other[step.Order[j]] = std::move(lib[j]);
            back[step.Order[j]] = j;
        }
        lib = std::move(other);
        step.Order = std::move(back);
        return true;
    }
    bool fits = lib.size() == step.Size && Fits(step.Notes, m_notes.size(), backwards) &&
                Fits(step.Blocks, m_bib.Blocks.size(), backwards);
    for (const UndoStep::Slot& s : step.Items)
        fits = fits && s.Index < step.OtherSize;
    if (!fits)
        return false;
    m_bytes -= step.Bytes;
    const size_t size = lib.size(), other = step.OtherSize;
    if (other > size)
        lib.resize(other);
    std::vector<UndoStep::Slot> next;
    next.reserve(step.Items.size() + (size > other ? size - other : 0));
    for (UndoStep::Slot& s : step.Items) {
        std::swap(lib[s.Index], s.Item);
        if (s.Index < size)
            next.push_back(std::move(s));
    }
    for (size_t i = other; i < size; ++i)
        next.push_back({i, std::move(lib[i])});
    lib.resize(other);
    step.Items = std::move(next);
    std::swap(step.Size, step.OtherSize);
    std::swap(step.Selection, step.OtherSelection);
    ExchangeAll(step.Notes, m_notes, backwards);
    ExchangeAll(step.Blocks, m_bib.Blocks, backwards);
    if (step.TrailingTouched)
        std::swap(step.OtherTrailing, m_bib.TrailingText);
    Account(step);
    return true;
}

UndoHistory::Applied UndoHistory::Move(std::vector<UndoStep>& from, std::vector<UndoStep>& to, bool backwards)
{
    Applied a;
    if (m_recording || from.empty())
        return a;
    m_open = false;
    UndoStep step = std::move(from.back());
    from.pop_back();
    if (!Apply(step, backwards)) {
        Clear();
        return a;
    }
    a = {true, step.Selection, step.Name};
    to.push_back(std::move(step));
    return a;
}

UndoHistory::Applied UndoHistory::Undo()
{
    return Move(m_undo, m_redo, true);
}

UndoHistory::Applied UndoHistory::Redo()
{
    return Move(m_redo, m_undo, false);
}

void UndoHistory::Reorder(std::string name, const std::vector<size_t>& newIndex)
{
    if (m_recording || newIndex.size() != m_bib.Library.size())
        return;
    bool same = true;
    for (size_t i = 0; i < newIndex.size() && same; ++i)
        same = newIndex[i] == i;
    if (same)
        return;
    UndoStep st;
    st.Name = std::move(name);
    st.Size = st.OtherSize = newIndex.size();
    // The item now at newIndex[i] goes back to i.
    st.Order.resize(newIndex.size());
    for (size_t i = 0; i < newIndex.size(); ++i)
        st.Order[newIndex[i]] = i;
    m_open = false;
    Account(st);
    m_undo.push_back(std::move(st));
    for (const UndoStep& r : m_redo)
        m_bytes -= r.Bytes;
    m_redo.clear();
    Trim();
}

} // namespace lorix
