// The undo history on its own: the kinds of change a step records (an item,
// a field, the notes spliced or changed in place, blocks and the text after
// the last item) undone and redone, compared with the library before and
// after, and its bounds. Merging typed keys, reordering and each command
// being one step are the commands test's.
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
        l.items().push_back(Bibitem{0, "article", "r" + std::to_string(i),
                                    {{"title", "T" + std::to_string(i)}, {"year", "2000"}}, ""});
    l.notes = {"r1", "note one", "r3", "note three"};
    l.items()[4].LeadingText = "% before the last\n";
    l.bib.Blocks = {"@string{a = {b}}"};
    l.bib.TrailingText = "% the end\n";
}

// One step: the items it touches told beforehand, then the change.
void Step(Lib& l, std::vector<size_t> touched, const std::function<void(Lib&)>& change)
{
    l.h.Begin("Change", 0);
    for (size_t i : touched)
        l.h.TouchItem(i);
    change(l);
    l.h.Commit(0);
}

using Run = void (*)(Lib&);
const std::pair<const char*, Run> kChanges[] = {
    {"field typed", [](Lib& l) { Step(l, {1}, [](Lib& m) { m.items()[1].Fields[0].Value = "New"; }); }},
    {"field removed",
     [](Lib& l) {
         Step(l, {0}, [](Lib& m) {
             m.items()[0].Fields[0] = m.items()[0].Fields.back();
             m.items()[0].Fields.pop_back();
         });
     }},
    {"reference renamed with its note",
     [](Lib& l) {
         Step(l, {1}, [](Lib& m) {
             m.h.SpliceNotes(0, 1, {"renamed"});
             m.items()[1].Reference = "renamed";
         });
     }},
    {"items added with a block",
     [](Lib& l) {
         Step(l, {}, [](Lib& m) {
             m.items().push_back(Bibitem{0, "book", "p1", {{"title", "P"}}, "% a comment"});
             m.items().push_back(Bibitem{0, "misc", "p2", {}, ""});
             m.bib.Blocks.push_back("@string{c = {d}}");
         });
     }},
    // as Delete Item does it: its note goes, the last item takes its place,
    // the leading comment of the last goes to the text after it
    {"last item deleted, with a note given in the same step",
     [](Lib& l) {
         Step(l, {}, [](Lib& m) {
             m.h.TouchItem(m.items().size() - 1);
             m.h.TouchTrailing();
             m.h.SpliceNotes(0, 0, {"r4", "its note"});
             m.h.SpliceNotes(0, 2, {});
             m.bib.TrailingText = m.items().back().LeadingText + m.bib.TrailingText;
             m.items().pop_back();
         });
     }},
    {"an item deleted, the last in its place",
     [](Lib& l) {
         Step(l, {1}, [](Lib& m) {
             m.h.TouchItem(m.items().size() - 1);
             m.items()[1] = m.items().back();
             m.items().pop_back();
         });
     }},
    {"two notes in one step, the second moved by the first",
     [](Lib& l) {
         Step(l, {}, [](Lib& m) {
             m.h.SpliceNotes(0, 2, {});
             m.h.SpliceNotes(0, 1, {"R3"});
         });
     }},
    {"a note appended, then typed into",
     [](Lib& l) {
         Step(l, {}, [](Lib& m) {
             m.h.SpliceNotes(4, 0, {"r2", "a"});
             m.h.SpliceNotes(5, 1, {"ab"});
         });
     }},
    {"notes changed in place, told only beforehand",
     [](Lib& l) {
         Step(l, {}, [](Lib& m) {
             m.h.TouchNotes();
             m.notes[3] = "new";
             m.notes.insert(m.notes.begin(), {"r0", "x"});
         });
     }},
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
        run(l);
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
        run(l);
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

TEST(UndoHistory, BoundedInStepsAndMemory)
{
    Lib l;
    Fill(l);
    for (int k = 0; k < 1500; ++k)
        Step(l, {0}, [k](Lib& m) { m.items()[0].ItemType = "t" + std::to_string(k); });
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
        Step(big, {k}, [k](Lib& m) { m.items()[k].Fields[0].Value = "short"; });
        ASSERT_LE(big.h.Bytes(), std::max(UndoHistory::kMinBudget, libraryBytes / 10)) << k;
    }
    EXPECT_GT(big.h.UndoSteps(), 100u);
    EXPECT_LT(big.h.UndoSteps(), 300u);
    while (big.h.Undo().Done) {
    }
    EXPECT_EQ(big.items()[999].Fields[0].Value, std::string(5000, 'x'));
}
