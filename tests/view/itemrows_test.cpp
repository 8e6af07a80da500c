#include "editing_fixture.h"
#include "view/itemrows.h"

#include <gtest/gtest.h>

using namespace lorix;
using test::Item;

namespace {

class ItemRows : public ::testing::Test {
  protected:
    void SetUp() override { test::SetUpEditingSession(s); }
    int Add(Bibitem it)
    {
        s.Bib.Library.push_back(std::move(it));
        return s.Bib.LastItemIndex();
    }
    Session s;
};

} // namespace

TEST_F(ItemRows, ClassifyFieldStates)
{
    struct Case {
        std::vector<std::pair<std::string, std::string>> fields;
        const char* name;
        FieldState want;
    };
    const Case cases[] = {
        {{}, "title", FieldState::Absent},
        {{{"title", "T"}}, "title", FieldState::Present},
        {{}, "author", FieldState::ChoiceNeither},
        {{{"author", "A"}}, "author", FieldState::ChoiceThis},
        {{{"author", "A"}, {"editor", ""}}, "author", FieldState::ChoiceThis}, // empty partner
        {{{"editor", "E"}}, "author", FieldState::ChoiceOther},
        {{{"editor", ""}}, "author", FieldState::ChoiceOther}, // present, whatever its value
        {{{"author", "A"}, {"editor", "E"}}, "author", FieldState::ChoiceConflict},
        {{{"author", "A"}, {"editor", "E"}}, "editor", FieldState::ChoiceConflict},
        // first pair of the table: a conflict reads as ChoiceThis
        {{{"journal", "J"}, {"year", "1999"}}, "journal", FieldState::ChoiceThis},
        {{{"year", "1999"}}, "journal", FieldState::ChoiceOther},
    };
    for (const Case& c : cases) {
        Bibitem it = Item("article", "r", c.fields);
        EXPECT_EQ(ClassifyField(s.schema, it, it.FindField(c.name), c.name), c.want) << c.name;
    }
}

TEST_F(ItemRows, ClassifyFieldLaterPairWinsAndOwnTypeCounts)
{
    // author is paired with editor (entry 1) and later with year (entry 3):
    // the later entry decides the partner.
    s.schema.ChoiceTable.push_back({"article", {"year", "author"}});
    Bibitem it = Item("article", "r", {{"author", "A"}, {"editor", "E"}});
    EXPECT_EQ(ClassifyField(s.schema, it, 0, "author"), FieldState::ChoiceThis);
    it.Fields.push_back({"year", "2001"});
    EXPECT_EQ(ClassifyField(s.schema, it, 0, "author"), FieldState::ChoiceConflict);
    // An unknown type matches no pair even when shown under a fallback type.
    Bibitem odd = Item("Article", "r", {{"author", "A"}, {"editor", "E"}});
    EXPECT_EQ(ClassifyField(s.schema, odd, 0, "author"), FieldState::Present);
}

TEST_F(ItemRows, EmptyItemShowsSchemaRowsAndNoValueErrors)
{
    s.schema.ChoiceTable.clear();
    ItemLayout l = LayoutItem(s.schema, Item("article", "ref1", {}));
    ASSERT_EQ(l.Rows.size(), 6u); // reference + five fields; the window adds the blank label
    EXPECT_EQ(l.TypeIndex, 0);
    EXPECT_EQ(l.Rows[0].Label, "reference");
    EXPECT_EQ(l.Rows[0].Kind, RowKind::Reference);
    EXPECT_TRUE(l.Rows[0].Bold);
    EXPECT_EQ(l.Rows[0].LabelColour, kRed);
    EXPECT_EQ(l.Rows[0].Tooltip, "");
    EXPECT_EQ(l.Rows[1].Kind, RowKind::Required);
    EXPECT_EQ(l.Rows[1].Tooltip, "This is a required field.");
    EXPECT_EQ(l.Rows[3].Kind, RowKind::Optional);
    EXPECT_FALSE(l.Rows[3].Bold);
    EXPECT_EQ(l.Rows[3].LabelColour, kBlack);
    EXPECT_EQ(l.Rows[3].Tooltip, "Optional field.");
    EXPECT_TRUE(l.Rows[4].KeyPopup);
    EXPECT_FALSE(l.Rows[5].KeyPopup);
    EXPECT_EQ(l.Errors, (std::vector<std::string>{"No value for required field \"author\" in article ref1",
                                                  "No value for required field \"title\" in article ref1"}));
}

TEST_F(ItemRows, PairStylesAndConflictMessages)
{
    // author required and paired with editor, which the item has.
    ItemLayout l = LayoutItem(s.schema, Item("article", "x", {{"editor", "E"}, {"title", "T"}}));
    EXPECT_TRUE(l.Errors.empty());
    EXPECT_TRUE(l.Rows[1].Italic);
    EXPECT_FALSE(l.Rows[1].Bold);
    EXPECT_EQ(l.Rows[1].Tooltip, "This required field must remain empty.");
    ASSERT_EQ(l.Rows.size(), 7u);
    EXPECT_EQ(l.Rows[6].Label, "editor");
    EXPECT_EQ(l.Rows[6].Kind, RowKind::Custom);
    EXPECT_EQ(l.Rows[6].LabelColour, kBlue);
    EXPECT_EQ(l.Rows[6].Tooltip, "Custom field.");

    // Both sides of a pair on book (not the first pair): two conflicts.
    ItemLayout b =
        LayoutItem(s.schema, Item("book", "b1", {{"editor", "E"}, {"title", "T"}, {"author", "A"}}));
    EXPECT_EQ(b.Errors, (std::vector<std::string>{"Field conflict involving field \"editor\" in book b1"}));
    EXPECT_EQ(b.Rows[1].EditorColour, kRed);
    EXPECT_EQ(b.Rows[1].Tooltip, "Maybe you should delete the value in this field.");
    EXPECT_EQ(b.Rows[3].Label, "author"); // custom row: not styled by the pair
    EXPECT_EQ(b.Rows[3].EditorColour, kBlack);

    // The first pair (journal/year on article) is never a conflict, but the
    // optional field it leaves empty reads "Leave empty".
    ItemLayout j =
        LayoutItem(s.schema, Item("article", "j", {{"author", "A"}, {"title", "T"}, {"year", "1"}}));
    EXPECT_TRUE(j.Errors.empty());
    EXPECT_TRUE(j.Rows[5].Italic);
    EXPECT_EQ(j.Rows[5].Tooltip, "Optional field. Leave empty.");
    ItemLayout jj = LayoutItem(
        s.schema, Item("article", "j", {{"author", "A"}, {"title", "T"}, {"year", "1"}, {"journal", "J"}}));
    EXPECT_TRUE(jj.Errors.empty());
}

TEST_F(ItemRows, CustomRowsFirstOfANameOnlyAndReferenceNeverShown)
{
    ItemLayout l = LayoutItem(
        s.schema,
        Item("misc", "m", {{"reference", "hidden"}, {"note", "one"}, {"note", "two"}, {"Note", "three"}}));
    ASSERT_EQ(l.Rows.size(), 3u);
    EXPECT_EQ(l.Rows[1].Label, "note");
    EXPECT_EQ(l.Rows[1].Value, "one");
    EXPECT_EQ(l.Rows[2].Label, "Note");
    // A schema row takes the value of the last field of its name.
    ItemLayout t = LayoutItem(s.schema, Item("book", "b", {{"title", "a"}, {"title", "b"}}));
    EXPECT_EQ(t.Rows[2].Value, "b");
}

TEST_F(ItemRows, UnknownTypeFallsBackToTheFifteenthTypeOrToNone)
{
    // Fewer than 15 types: no schema rows, all fields custom, no errors.
    ItemLayout none = LayoutItem(s.schema, Item("thesis", "t", {{"title", "T"}}));
    EXPECT_EQ(none.TypeIndex, -1);
    EXPECT_EQ(none.TypeName, "");
    ASSERT_EQ(none.Rows.size(), 2u);
    EXPECT_EQ(none.Rows[1].Kind, RowKind::Custom);
    EXPECT_TRUE(none.Errors.empty());

    while (s.schema.TypeTable.size() < 15)
        s.schema.TypeTable.push_back({"t" + std::to_string(s.schema.TypeTable.size()), 1, {"howpublished"}});
    ItemLayout fb = LayoutItem(s.schema, Item("thesis", "t", {}));
    EXPECT_EQ(fb.TypeIndex, kFallbackTypeIndex);
    EXPECT_EQ(fb.Errors, (std::vector<std::string>{"No value for required field \"howpublished\" in t14 t"}));
    // The last type of a name wins.
    s.schema.TypeTable.push_back({"book", 0, {}});
    EXPECT_EQ(ShownTypeIndex(s.schema, "book"), 15);
}

TEST_F(ItemRows, MoreFieldsThanRowsAreReportedNotLost)
{
    TItem big{"big", 0, {}};
    for (int i = 0; i < 31; ++i)
        big.Fields.push_back("f" + std::to_string(i));
    s.schema.TypeTable.push_back(big);
    Bibitem it = Item("big", "r", {{"extra", "x"}, {"f30", "y"}});
    ItemLayout l = LayoutItem(s.schema, it);
    EXPECT_EQ(l.Rows.size(), static_cast<size_t>(kEditorRows));
    EXPECT_EQ(l.Unshown, (std::vector<std::string>{"extra", "f30"}));
    int i = Add(it);
    ShowItemRows(s, i);
    EXPECT_EQ(test::Messages(s).back(), "Not enough rows to show every field of r: extra f30");
}

TEST_F(ItemRows, WriteBackSetsRemovesAppendsAndRenames)
{
    int i = Add(Item("article", "old", {{"author", "A"}, {"title", "T"}, {"year", "1"}}));
    s.NotesList = {"OLD", "a note"};
    EXPECT_EQ(WriteBackRow(s, i, "title", "New"), EditResult::Set);
    EXPECT_TRUE(s.LibraryChanged);
    EXPECT_EQ(GetFieldValue(s.Bib.Library[0], "title"), "New");
    // Emptying moves the last field into the slot.
    EXPECT_EQ(WriteBackRow(s, i, "author", ""), EditResult::Removed);
    ASSERT_EQ(s.Bib.Library[0].Fields.size(), 2u);
    EXPECT_EQ(s.Bib.Library[0].Fields[0].Name, "year");
    EXPECT_EQ(WriteBackRow(s, i, "journal", "J"), EditResult::Appended);
    EXPECT_EQ(s.Bib.Library[0].Fields.back().Name, "journal");
    EXPECT_EQ(WriteBackRow(s, i, "reference", "new"), EditResult::Renamed);
    EXPECT_EQ(s.Bib.Library[0].Reference, "new");
    EXPECT_EQ(s.NotesList, (std::vector<std::string>{"new", "a note"}));
    // Characters that would end or break the entry header in the file are dropped.
    EXPECT_EQ(WriteBackRow(s, i, "reference", "a,b{c}\nd"), EditResult::Renamed);
    EXPECT_EQ(s.Bib.Library[0].Reference, "abcd");
    EXPECT_EQ(s.NotesList[0], "abcd");
    EXPECT_EQ(s.Bib.Library[AddNewItem(s, "x,y}")].Reference, "xy");
}

TEST_F(ItemRows, FullItemRefusesAnotherField)
{
    Bibitem it = Item("misc", "full", {});
    for (int k = 0; k < kMaxFields; ++k)
        it.Fields.push_back({"f" + std::to_string(k), "v"});
    int i = Add(it);
    EXPECT_EQ(WriteBackRow(s, i, "title", "T"), EditResult::Refused);
    EXPECT_FALSE(AddCustomField(s, i, "note", "x"));
    EXPECT_EQ(s.Bib.Library[0].Fields.size(), static_cast<size_t>(kMaxFields));
    EXPECT_EQ(test::Messages(s).back(), "Item full already holds 31 fields. Field note not added.");
    // Appending to an existing field still works on a full item.
    EXPECT_TRUE(AddCustomField(s, i, "f0", "w"));
    EXPECT_EQ(GetFieldValue(s.Bib.Library[0], "f0"), "v w");
}

TEST_F(ItemRows, CustomFieldOkRule)
{
    int i = Add(Item("article", "r", {{"note", "y"}}));
    AddCustomField(s, i, "note", "x");
    AddCustomField(s, i, "Note", "z");
    s.LibraryChanged = false;
    AddCustomField(s, i, "", "ignored");
    EXPECT_TRUE(s.LibraryChanged);
    AddCustomField(s, i, "empty", "");
    AddCustomField(s, i, "@a b=c,", "w"); // what would break the entry is dropped from the name
    const auto& f = s.Bib.Library[0].Fields;
    ASSERT_EQ(f.size(), 3u);
    EXPECT_EQ(f[0].Value, "y x");
    EXPECT_EQ(f[1].Name, "Note");
    EXPECT_EQ(f[2].Name, "abc");
}

TEST_F(ItemRows, NewItemSuffixAndDeleteSwapsWithLast)
{
    Add(Item("article", "smith", {}));
    Add(Item("article", "smitha", {}));
    // The suffix rule itself is the unique reference's; here: a new item uses it.
    EXPECT_EQ(s.Bib.Library[AddNewItem(s, "smith")].Reference, "smithb");
    EXPECT_EQ(s.Bib.Library.back().ItemType, "article");

    s.NotesList = {"x", "n", "SMITHA", "note"};
    s.Bib.Library[1].LeadingText = "% about smitha";
    DeleteItem(s, 1);
    ASSERT_EQ(s.Bib.Library.size(), 2u);
    EXPECT_EQ(s.Bib.Library[1].Reference, "smithb");           // the former last item
    EXPECT_EQ(s.Bib.Library[1].LeadingText, "% about smitha"); // the comment stays in the file
    EXPECT_EQ(s.NotesList, (std::vector<std::string>{"x", "n"}));
    DeleteItem(s, 1);
    EXPECT_EQ(s.Bib.Library.size(), 1u);
}

TEST(SelectionAfterDelete, Rule)
{
    // row, new LastItemIndex, shown lines -> selected line
    const int cases[][4] = {
        {0, 8, 9, 1},   {1, 8, 9, 2},  {5, 8, 9, 4},
        {0, -1, 0, -1}, {0, 0, 1, -1}, {1, 0, 1, -1}, // second of two items
        {6, 8, 3, 2},                                 // a filtered list shorter than row - 1: its last line
        {0, 8, 1, 0},                                 // a filtered list of one line: never past its end
    };
    for (const auto& c : cases)
        EXPECT_EQ(SelectionAfterDelete(c[0], c[1], c[2]), c[3]) << c[0] << " " << c[1] << " " << c[2];
}

TEST(KeywordGroups, FlatUpToTwentyThenGroupsOfTwenty)
{
    auto keys = [](int n) {
        std::vector<std::string> k;
        for (int i = 0; i < n; ++i)
            k.push_back("k" + std::to_string(100 + i));
        return k;
    };
    EXPECT_TRUE(KeywordGroups(keys(0)).empty());
    EXPECT_TRUE(KeywordGroups(keys(20)).empty());
    auto g21 = KeywordGroups(keys(21));
    ASSERT_EQ(g21.size(), 2u);
    EXPECT_EQ(g21[0].Caption, "k100-k119");
    EXPECT_EQ(g21[1].Caption, "k120-k120");
    auto g45 = KeywordGroups(keys(45));
    ASSERT_EQ(g45.size(), 3u);
    EXPECT_EQ(g45[2].First, 40);
    EXPECT_EQ(g45[2].Last, 44);
    EXPECT_EQ(g45[1].Last - g45[1].First + 1, 20);
}

TEST(AppendKeyword, TrimsBothSides)
{
    EXPECT_EQ(AppendKeyword("", "neuro"), "neuro");
    EXPECT_EQ(AppendKeyword("a   ", "neuro"), "a neuro");
    EXPECT_EQ(AppendKeyword("\ta neuro\r\n", "neuro"), "a neuro neuro");
}
