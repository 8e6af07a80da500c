#pragma once
// The library's undo history. A step keeps only what its change touched: the
// items by library index, and the runs of notes lines and blocks it replaced;
// never a copy of the library.
//
// A step holds the *other* version of what it touched: while it waits to be
// undone, the state from before the change; once undone, the state the
// change made. Undoing and redoing are thus one exchange of the step's
// versions with the library's, and nothing is held twice: an item a step
// takes out of the library moves into the step, and back.

#include "core/model.h"

#include <cstddef>
#include <string>
#include <vector>

namespace lorix {

// Lines [Pos, Pos + Count) of a list (the notes, the blocks) stand where
// Other stood in the other version.
struct LineSplice {
    size_t Pos = 0;
    size_t Count = 0;
    std::vector<std::string> Other;
};

struct UndoStep {
    struct Slot {
        size_t Index = 0;
        Bibitem Item; // the other version's item at Index
    };
    std::string Name;     // "Delete Item", "Edit title", ...
    std::string MergeKey; // an open step grows while calls with its key follow
    // Every index below OtherSize whose item differs between the versions;
    // indexes from OtherSize on exist in this version only.
    std::vector<Slot> Items;
    size_t OtherSize = 0;
    size_t Size = 0;                       // the library's size in this version
    std::vector<LineSplice> Notes, Blocks; // in the order they were made
    // A step that put the items in a new order: item j goes to Order[j] in
    // the other version (and nothing else changes).
    std::vector<size_t> Order;
    bool TrailingTouched = false;
    std::string OtherTrailing;               // the library's text after its last entry
    int Selection = -1, OtherSelection = -1; // the selected item (library index, -1: none)
    size_t Bytes = 0;
};

// Bytes an item holds, its strings counted by length.
size_t ItemBytes(const Bibitem& item);
bool SameItem(const Bibitem& a, const Bibitem& b);

class UndoHistory {
  public:
    // At least this many steps are kept while they fit the memory budget.
    static constexpr size_t kMaxSteps = 1000;
    // The budget: a tenth of the library's own bytes, and never less than this.
    static constexpr size_t kMinBudget = size_t(1) << 20;

    UndoHistory(TBib& bib, std::vector<std::string>& notes) : m_bib(bib), m_notes(notes) {}
    UndoHistory(const UndoHistory&) = delete;
    UndoHistory& operator=(const UndoHistory&) = delete;

    // Forgets every step (a library loaded or started anew).
    void Clear();

    // Recording a change: Begin, then TouchItem before an item at an existing
    // index is changed or removed (items appended need nothing), the notes
    // changed through SpliceNotes, blocks only appended; then Commit. A step
    // that changed nothing is dropped. With a merge key equal to the open
    // step's, Begin goes on with that step instead of starting one: typing in
    // one field is one step until CloseStep (the focus left the field).
    void Begin(std::string name, int selection, std::string mergeKey = {});
    void TouchItem(size_t index);
    // Before the text after the last entry changes (an entry's leading
    // comment moving there when the last item is deleted).
    void TouchTrailing();
    // Replaces notes lines [pos, pos + count) by lines.
    void SpliceNotes(size_t pos, size_t count, std::vector<std::string> lines);
    // Before the notes are changed by other means than SpliceNotes: Commit
    // keeps the lines that differ from those of this moment.
    void TouchNotes();
    void Commit(int selection);
    bool Recording() const { return m_recording; }
    void CloseStep() { m_open = false; }

    bool CanUndo() const { return !m_undo.empty(); }
    bool CanRedo() const { return !m_redo.empty(); }
    // Names of the steps that Undo and Redo would take ("" when none).
    const std::string& UndoName() const;
    const std::string& RedoName() const;
    size_t UndoSteps() const { return m_undo.size(); }
    size_t RedoSteps() const { return m_redo.size(); }
    // What the steps hold.
    size_t Bytes() const { return m_bytes; }

    struct Applied {
        bool Done = false;
        int Selection = -1; // the item to select and show, or -1
        std::string Name;
    };
    // Takes back the last step, or makes the last step taken back again.
    // Done is false when there is none, or when the library no longer
    // matches the history (it was changed without it): the history is then
    // cleared and nothing changes.
    Applied Undo();
    Applied Redo();

    // The library's items were put in a new order (a sorted save): item i
    // now stands at newIndex[i]. Recorded as a step of its own named name,
    // which puts them back in their old order (none when the order is the same).
    void Reorder(std::string name, const std::vector<size_t>& newIndex);

  private:
    void AddNotesSplice(size_t pos, size_t count, size_t added, std::vector<std::string> taken);
    bool Apply(UndoStep& step, bool backwards);
    // Applies the last step of from and moves it onto to.
    Applied Move(std::vector<UndoStep>& from, std::vector<UndoStep>& to, bool backwards);
    void Account(UndoStep& step);
    void Trim();

    TBib& m_bib;
    std::vector<std::string>& m_notes;
    std::vector<UndoStep> m_undo, m_redo;
    UndoStep m_step; // being recorded
    bool m_recording = false;
    bool m_open = false; // the last step of m_undo may still grow
    size_t m_blocksAtBegin = 0;
    bool m_notesTouched = false;
    std::vector<std::string> m_notesBefore; // the notes at TouchNotes
    size_t m_bytes = 0;
    size_t m_libraryBytes = 0; // measured when the budget is first passed
};

} // namespace lorix
