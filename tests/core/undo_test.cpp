// The undo history on its own: the kinds of change a step records (an item,
// a field, the notes spliced or changed in place, blocks and the text after
// the last item) undone and redone, compared with the library before and
// after, and its bounds. Merging typed keys, reordering and each command
// being one step are the commands test's.
#include "core/fileio.h"
#include "core/library.h"
#include "core/undo.h"

#include <gtest/gtest.h>

using namespace lorix;

namespace {

struct Lib {
    TBib bib;
    std::vector<std::string> notes;
    UndoHistory h{bib, notes};
    std::vector<Bibitem>& items() { return bib.Library; }
};

// Everything the history may change, as one text: the library as saved
// (items, blocks, the text around them) and the notes.
std::string Dump(const Lib& l) { return FormatLibrary(l.bib, {}) + "notes:" + JoinLines(l.notes, "|"); }

void Fill(Lib& l)
{
    for (int i = 0; i < 5; ++i)
        l.items().push_back(Bibitem{0, "article", "r" + std::to_string(i),
                                    {{"title", "T" + std::to_string(i)}, {"year", "2000"}}, ""});
    l.notes = {"r1", "note one", "r3", "note three"};
    l.items()[4].LeadingText = "% before the last\n";
    l.bib.Blocks = {"@string{a = {b}}"};
    l.bib.TrailingText = "% the end\n";
}

// One step: a change that tells the history what it touches beforehand.
using Change = void (*)(Lib&);
void Step(Lib& l, Change change)
{
    l.h.Begin("Change", 0);
    change(l);
    l.h.Commit(0);
}

void DropLast(Lib& l)
{
    l.h.TouchItem(l.items().size() - 1);
    l.items().pop_back();
}

const std::pair<const char*, Change> kChanges[] = {
    {"field typed", [](Lib& l) { l.h.TouchItem(1), l.items()[1].Fields[0].Value = "New"; }},
    {"reference renamed with its note",
     [](Lib& l) { l.h.TouchItem(1), l.h.SpliceNotes(0, 1, {"new"}), l.items()[1].Reference = "new"; }},
    {"items added with a block",
     [](Lib& l) {
         l.items().push_back(Bibitem{0, "book", "p1", {{"title", "P"}}, "% a comment"});
         l.items().push_back(Bibitem{0, "misc", "p2", {}, ""});
         l.bib.Blocks.push_back("@string{c = {d}}");
     }},
    // as Delete Item does it: its note goes, the last item takes its place,
    // the leading comment of the last goes to the text after it
    {"last item deleted, with a note given in the same step",
     [](Lib& l) {
         l.h.TouchTrailing();
         l.h.SpliceNotes(0, 0, {"r4", "its note"});
         l.h.SpliceNotes(0, 2, {});
         l.bib.TrailingText = l.items().back().LeadingText + l.bib.TrailingText;
         DropLast(l);
     }},
    {"an item deleted, the last in its place",
     [](Lib& l) { l.h.TouchItem(1), l.items()[1] = l.items().back(), DropLast(l); }},
    {"two notes in one step, the second moved by the first",
     [](Lib& l) { l.h.SpliceNotes(0, 2, {}), l.h.SpliceNotes(0, 1, {"R3"}); }},
    {"a note appended, then typed into",
     [](Lib& l) { l.h.SpliceNotes(4, 0, {"r2", "a"}), l.h.SpliceNotes(5, 1, {"ab"}); }},
    {"notes changed in place, told only beforehand",
     [](Lib& l) { l.h.TouchNotes(), l.notes[3] = "new", l.notes.insert(l.notes.begin(), {"r0", "x"}); }},
};

} // namespace

// Each change alone undone and redone twice, then all of them one after the
// other undone back to the start and redone to the end, each state on the
// way as it was.
TEST(UndoHistory, EveryChangeUndoneAndRedone)
{
    for (const auto& [name, run] : kChanges) {
        SCOPED_TRACE(name);
        Lib l;
        Fill(l);
        const std::string before = Dump(l);
        Step(l, run);
        const std::string after = Dump(l);
        ASSERT_NE(after, before);
        ASSERT_EQ(l.h.UndoSteps(), 1u);
        for (int round = 0; round < 2; ++round) {
            ASSERT_TRUE(l.h.Undo().Done);
            EXPECT_EQ(Dump(l), before);
            ASSERT_TRUE(l.h.Redo().Done);
            EXPECT_EQ(Dump(l), after);
        }
    }
    Lib l;
    Fill(l);
    std::vector<std::string> states{Dump(l)};
    for (const auto& [name, run] : kChanges) {
        Step(l, run);
        states.push_back(Dump(l));
    }
    for (size_t k = states.size() - 1; k > 0; --k) {
        ASSERT_TRUE(l.h.Undo().Done);
        EXPECT_EQ(Dump(l), states[k - 1]) << kChanges[k - 1].first;
    }
    EXPECT_FALSE(l.h.CanUndo());
    for (size_t k = 1; k < states.size(); ++k) {
        ASSERT_TRUE(l.h.Redo().Done);
        EXPECT_EQ(Dump(l), states[k]) << kChanges[k - 1].first;
    }
    // An item removed behind the history's back: undo refuses and forgets.
    l.items().pop_back();
    const std::string now = Dump(l);
    EXPECT_FALSE(l.h.Undo().Done);
    EXPECT_FALSE(l.h.CanUndo() || l.h.CanRedo());
    EXPECT_EQ(Dump(l), now);
}

// The bound in memory; the one in steps (kMaxSteps) only limits the steps
// of small items further.
TEST(UndoHistory, BoundedInMemory)
{
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
