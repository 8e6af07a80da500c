// The undo history on its own: the kinds of change a step records (an item,
// a field, the notes spliced or changed in place, blocks and the text after
// the last item) undone and redone, compared with the library before and
// after; merging, bounds and reordering. That each command is one step is
// the commands test's.
#include "core/undo.h"

#include <functional>
#include <gtest/gtest.h>

using namespace lorix;

namespace {

struct Lib {
    TBib bib;
    std::vector<std::string> notes;
    UndoHistory h{bib, notes};
    std::vector<Bibitem>& items() { return bib.Library; }
};

// Everything the history may change, as one text.
std::string Dump(const Lib& l)
{
    std::string out;
    for (const Bibitem& b : l.bib.Library) {
        out += b.LeadingText + "@" + b.ItemType + "{" + b.Reference;
        for (const Bibfield& f : b.Fields)
            out += "," + f.Name + "=" + f.Value;
        out += "}\n";
    }
    for (const std::string& n : l.notes)
        out += "note:" + n + "\n";
    for (const std::string& b : l.bib.Blocks)
        out += "block:" + b + "\n";
    return out + "trailing:" + l.bib.TrailingText;
}

void Fill(Lib& l)
{
    for (int i = 0; i < 5; ++i)
        l.items().push_back(Bibitem{0,
                                    "article",
                                    "r" + std::to_string(i),
                                    {{"title", "T" + std::to_string(i)}, {"year", "2000"}},
                                    ""});
    l.notes = {"r1", "note one", "r3", "note three"};
    l.items()[4].LeadingText = "% before the last\n";
    l.bib.Blocks = {"@string{a = {b}}"};
    l.bib.TrailingText = "% the end\n";
}

// Deletes item i the way Delete Item does: its note goes, the last item
// takes its place, its leading comment goes to the text after it.
void Delete(Lib& l, size_t i)
{
    const size_t last = l.items().size() - 1;
    l.h.TouchItem(i);
    l.h.TouchItem(last);
    l.h.TouchTrailing();
    const int e = FindNoteEntry(l.notes, l.items()[i].Reference);
    if (e >= 0)
        l.h.SpliceNotes(static_cast<size_t>(e), 2, {});
    if (i == last)
        l.bib.TrailingText = l.items()[i].LeadingText + l.bib.TrailingText;
    l.items()[i] = l.items()[last];
    l.items().pop_back();
}

void Type(Lib& l, size_t i, const std::string& field, const std::string& text)
{
    for (size_t k = 1; k <= text.size(); ++k) {
        l.h.Begin("Edit " + field, static_cast<int>(i), std::to_string(i) + ":" + field);
        l.h.TouchItem(i);
        Bibitem& b = l.items()[i];
        const int j = b.FindField(field);
        if (j < 0)
            b.Fields.push_back({field, text.substr(0, k)});
        else
            b.Fields[static_cast<size_t>(j)].Value = text.substr(0, k);
        l.h.Commit(static_cast<int>(i));
    }
}

// A note typed key by key into the notes of reference ref (an entry made at
// the first key), as the notes window files it.
void TypeNote(Lib& l, const std::string& ref, const std::string& text)
{
    for (size_t k = 1; k <= text.size(); ++k) {
        l.h.Begin("Edit Note", 0, "note:" + ref);
        const int e = FindNoteEntry(l.notes, ref);
        if (e < 0)
            l.h.SpliceNotes(l.notes.size(), 0, {ref, text.substr(0, k)});
        else
            l.h.SpliceNotes(static_cast<size_t>(e) + 1, 1, {text.substr(0, k)});
        l.h.Commit(0);
    }
}

struct Change {
    const char* name;
    std::function<void(Lib&)> run; // records one step
};

const Change kChanges[] = {
    {"field typed", [](Lib& l) { Type(l, 1, "title", "New"); }},
    {"field cleared and so removed",
     [](Lib& l) {
         l.h.Begin("Edit title", 0, "0:title");
         l.h.TouchItem(0);
         l.items()[0].Fields[0] = l.items()[0].Fields.back();
         l.items()[0].Fields.pop_back();
         l.h.Commit(0);
     }},
    {"reference renamed with its note",
     [](Lib& l) {
         l.h.Begin("Edit Reference", 1, "1:reference");
         l.h.TouchItem(1);
         l.h.SpliceNotes(static_cast<size_t>(FindNoteEntry(l.notes, "r1")), 1, {"renamed"});
         l.items()[1].Reference = "renamed";
         l.h.Commit(1);
     }},
    {"item added",
     [](Lib& l) {
         l.h.Begin("New Item", 2);
         l.items().push_back(Bibitem{0, "article", "new", {}, ""});
         l.h.Commit(5);
     }},
    {"last item deleted, with its note",
     [](Lib& l) {
         l.h.Begin("Delete Item", 4);
         l.h.SpliceNotes(0, 0, {"r4", "its note"}); // given one first, in the same step
         Delete(l, 4);
         l.h.Commit(3);
     }},
    {"BibTeX pasted with a block",
     [](Lib& l) {
         l.h.Begin("Paste BibTeX", 0);
         l.items().push_back(Bibitem{0, "book", "p1", {{"title", "P"}}, "% a comment"});
         l.items().push_back(Bibitem{0, "misc", "p2", {}, ""});
         l.bib.Blocks.push_back("@string{c = {d}}");
         l.h.Commit(5);
     }},
    {"two notes in one step, the second moved by the first",
     [](Lib& l) {
         l.h.Begin("Delete Item", 1);
         l.h.SpliceNotes(0, 2, {});     // r1's entry goes,
         l.h.SpliceNotes(0, 1, {"R3"}); // r3's, now first, is renamed
         l.h.Commit(1);
     }},
    {"note typed into an item without one", [](Lib& l) { TypeNote(l, "r2", "abc"); }},
    {"notes changed in place, told only beforehand",
     [](Lib& l) {
         for (const char* text : {"n", "ne", "new"}) { // typed: one step
             l.h.Begin("Edit Note", 3, "note:r3");
             l.h.TouchNotes();
             l.notes[3] = text;
             l.notes.insert(l.notes.begin(), {"r0", text}); // and one more entry each time
             l.h.Commit(3);
         }
         l.h.Begin("Edit Note", 3, "note:r3");
         l.h.TouchNotes();
         l.notes.erase(l.notes.begin() + 2, l.notes.begin() + 4); // one of them goes again
         l.h.Commit(3);
     }},
};

} // namespace

TEST(UndoHistory, EveryChangeUndoneAndRedone)
{
    for (const Change& c : kChanges) {
        Lib l;
        Fill(l);
        const std::string before = Dump(l);
        c.run(l);
        const std::string after = Dump(l);
        ASSERT_NE(after, before) << c.name;
        ASSERT_EQ(l.h.UndoSteps(), 1u) << c.name;
        for (int round = 0; round < 2; ++round) {
            ASSERT_TRUE(l.h.Undo().Done) << c.name;
            EXPECT_EQ(Dump(l), before) << c.name;
            EXPECT_FALSE(l.h.CanUndo()) << c.name;
            ASSERT_TRUE(l.h.Redo().Done) << c.name;
            EXPECT_EQ(Dump(l), after) << c.name;
            EXPECT_FALSE(l.h.CanRedo()) << c.name;
        }
    }
}

// All of them one after the other: undone back to the start, redone to the
// end, each state on the way as it was.
TEST(UndoHistory, ASessionUndoneAndRedoneWhole)
{
    Lib l;
    Fill(l);
    std::vector<std::string> states{Dump(l)};
    std::vector<std::string> names;
    for (const Change& c : kChanges) {
        c.run(l);
        l.h.CloseStep();
        states.push_back(Dump(l));
        names.push_back(l.h.UndoName());
    }
    ASSERT_EQ(l.h.UndoSteps(), std::size(kChanges));
    for (size_t k = states.size() - 1; k > 0; --k) {
        EXPECT_EQ(l.h.UndoName(), names[k - 1]);
        const UndoHistory::Applied a = l.h.Undo();
        ASSERT_TRUE(a.Done);
        EXPECT_EQ(a.Name, names[k - 1]);
        EXPECT_EQ(Dump(l), states[k - 1]) << names[k - 1];
    }
    for (size_t k = 1; k < states.size(); ++k) {
        ASSERT_TRUE(l.h.Redo().Done);
        EXPECT_EQ(Dump(l), states[k]) << names[k - 1];
    }
}

TEST(UndoHistory, StepsMergeWhileTypingAndRestoreTheSelection)
{
    Lib l;
    Fill(l);
    Type(l, 1, "title", "abc");
    Type(l, 1, "title", "abcd"); // still the same field: the same step
    EXPECT_EQ(l.h.UndoSteps(), 1u);
    l.h.CloseStep(); // the focus left the field
    Type(l, 1, "title", "x");
    Type(l, 2, "title", "y"); // another field
    EXPECT_EQ(l.h.UndoSteps(), 3u);
    EXPECT_EQ(l.h.UndoName(), "Edit title");
    EXPECT_EQ(l.h.Undo().Selection, 2);
    l.h.Undo();
    EXPECT_EQ(GetFieldValue(l.items()[1], "title"), "abcd");
    EXPECT_EQ(l.h.Undo().Selection, 1);
    EXPECT_EQ(GetFieldValue(l.items()[1], "title"), "T1");
    EXPECT_EQ(l.h.RedoName(), "Edit title");

    // A new change drops what was undone.
    l.h.Begin("Change Type", 0);
    l.h.TouchItem(0);
    l.items()[0].ItemType = "misc";
    l.h.Commit(0);
    EXPECT_FALSE(l.h.CanRedo());
    l.h.Begin("New Item", 0);
    l.items().push_back(Bibitem{});
    l.h.Commit(5);
    EXPECT_EQ(l.h.Undo().Selection, 0);
    EXPECT_EQ(l.h.Redo().Selection, 5);

    // Typed and taken back again within one step: no step at all; a step
    // that changes nothing neither.
    Lib m;
    Fill(m);
    Type(m, 0, "title", "T0x");
    Type(m, 0, "title", "T0");
    TypeNote(m, "r0", "a");
    m.h.Begin("Edit Note", 0, "note:r0");
    m.h.SpliceNotes(static_cast<size_t>(FindNoteEntry(m.notes, "r0")), 2, {});
    m.h.Commit(0);
    m.h.Begin("Add Custom Field", 0);
    m.h.TouchItem(0);
    m.h.Commit(0);
    EXPECT_EQ(m.h.UndoSteps(), 0u);
}

TEST(UndoHistory, BoundedInStepsAndMemory)
{
    Lib l;
    Fill(l);
    for (int k = 0; k < 1500; ++k) {
        l.h.Begin("Change Type", 0);
        l.h.TouchItem(0);
        l.items()[0].ItemType = "t" + std::to_string(k);
        l.h.Commit(0);
    }
    EXPECT_EQ(l.h.UndoSteps(), UndoHistory::kMaxSteps);
    while (l.h.Undo().Done) {
    }
    EXPECT_EQ(l.items()[0].ItemType, "t499");

    // Items of 5 KB: a thousand edits would keep 5 MB, ten times a tenth of
    // the library; the oldest steps go.
    Lib big;
    for (int i = 0; i < 2000; ++i)
        big.items().push_back(
            Bibitem{0, "article", "r" + std::to_string(i), {{"abstract", std::string(5000, 'x')}}, ""});
    size_t libraryBytes = 0;
    for (const Bibitem& b : big.items())
        libraryBytes += ItemBytes(b);
    for (size_t k = 0; k < 1000; ++k) {
        big.h.Begin("Edit abstract", 0);
        big.h.TouchItem(k);
        big.items()[k].Fields[0].Value = "short";
        big.h.Commit(0);
        ASSERT_LE(big.h.Bytes(), std::max(UndoHistory::kMinBudget, libraryBytes / 10)) << k;
    }
    EXPECT_GT(big.h.UndoSteps(), 100u);
    EXPECT_LT(big.h.UndoSteps(), 300u);
    while (big.h.Undo().Done) {
    }
    EXPECT_EQ(big.items()[999].Fields[0].Value, std::string(5000, 'x'));
}

// A sorted save puts the items in another order: a step of its own, which
// puts them back.
TEST(UndoHistory, ReorderedLibraryAndChangesMadeOutsideTheHistory)
{
    Lib l;
    for (const char* r : {"A", "B", "C"})
        l.items().push_back(Bibitem{0, "article", r, {}, ""});
    Type(l, 0, "title", "x");
    l.h.CloseStep();
    l.h.Begin("Delete Item", 1);
    Delete(l, 1);
    l.h.Commit(1);
    l.h.Reorder("Sort Library", {0, 1}); // already in order: no step
    EXPECT_EQ(l.h.UndoSteps(), 2u);
    std::swap(l.items()[0], l.items()[1]); // [C, A'] from [A', C]
    l.h.Reorder("Sort Library", {1, 0});
    EXPECT_EQ(l.h.UndoName(), "Sort Library");
    l.h.Undo();
    EXPECT_EQ(Dump(l), "@article{A,title=x}\n@article{C}\ntrailing:");
    EXPECT_EQ(l.h.Undo().Selection, 1);
    l.h.Undo();
    EXPECT_EQ(Dump(l), "@article{A}\n@article{B}\n@article{C}\ntrailing:");
    for (int k = 0; k < 3; ++k)
        l.h.Redo();
    EXPECT_EQ(Dump(l), "@article{C}\n@article{A,title=x}\ntrailing:");

    // An item removed behind the history's back: undo refuses and forgets.
    l.items().pop_back();
    const std::string now = Dump(l);
    EXPECT_FALSE(l.h.Undo().Done);
    EXPECT_FALSE(l.h.CanUndo() || l.h.CanRedo());
    EXPECT_EQ(Dump(l), now);
    // A removal it was not told of cannot be recorded either.
    Type(l, 0, "title", "y");
    ASSERT_TRUE(l.h.CanUndo());
    l.h.Begin("Delete Item", 0);
    l.items().pop_back();
    l.h.Commit(0);
    EXPECT_FALSE(l.h.CanUndo());
}
