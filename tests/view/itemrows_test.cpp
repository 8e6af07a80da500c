// The item editor's rows, write-back and item commands, and the consistency
// check built on them, on a session made in memory.
#include "core/library.h"
#include "support/readback.h"
#include "support/testutil.h"
#include "view/consistency.h"
#include "view/itemrows.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>

using namespace lorix;
using Strings = std::vector<std::string>;

namespace {

using test::Item;

// Label, kind, state, style, label/editor colour, key menu, value and tooltip of a row.
std::string Describe(const ItemRow& r)
{
    auto colour = [](Rgb c) {
        return std::string(c == kBlack ? "black" : c == kRed ? "red" : c == kBlue ? "blue" : "other");
    };
    const char* const kinds[] = {"ref", "req", "opt", "custom"};
    return r.Label + " " + kinds[static_cast<int>(r.Kind)] + (r.Bold ? " bold" : "") + (r.Italic ? " italic" : "") + " " + colour(r.LabelColour) + "/" +
           colour(r.ShownEditorColour()) + (r.KeyPopup ? " keys" : "") + (r.Value.empty() ? "" : " =" + r.Value) +
           " " + r.Tooltip;
}

// The layout of an item, checked to give the same messages when laid out
// without text, as the consistency check does.
ItemLayout Laid(const Schema& schema, const Bibitem& item)
{
    const ItemLayout full = LayoutItem(schema, item), bare = LayoutItem(schema, item, false);
    EXPECT_EQ(bare.Errors, full.Errors);
    EXPECT_EQ(bare.Unshown, full.Unshown);
    return full;
}

// A schema with an "article" type (author, title required; year, key,
// journal optional), pairs on article and book, and a log that keeps every
// message.
class Editing : public ::testing::Test {
  protected:
    void SetUp() override
    {
        s.Settings.SetLines({"maxlogsize=100000", "log.error=yes", "log.status=yes", "disp.error=no",
                             "disp.status=no", "pdfpath=*none*"});
        s.schema.TypeTable = {{"article", 2, {"author", "title", "year", "key", "journal"}},
                              {"book", 1, {"editor", "title"}},
                              {"misc", 0, {}}};
        // The first pair is never reported as a conflict; the others are.
        s.schema.ChoiceTable = {
            {"article", {"journal", "year"}}, {"article", {"author", "editor"}}, {"book", {"editor", "author"}}};
    }
    int Add(Bibitem it)
    {
        s.Bib.Library.push_back(std::move(it));
        return s.Bib.LastItemIndex();
    }
    // The messages of the log without their time stamps ("2004/03/07, 09:05 ").
    Strings Messages() const
    {
        Strings out;
        for (const std::string& line : s.Log.LogList)
            out.push_back(line.substr(line.find(':') + 4));
        return out;
    }
    // The consistency check without pairs, with these files in the document folder.
    bool Check(std::initializer_list<const char*> files)
    {
        s.schema.ChoiceTable.clear();
        for (const char* n : files)
            test::WriteFile(dir.file(n), "x");
        return CheckConsistency(s, dir.path() + "/");
    }
    Session s;
    test::TempDir dir;
};

} // namespace

// The states behind the rows' styles are the next test's; here: pairs match
// the type ignoring case, and a field paired twice takes its partner from
// the later pair.
TEST_F(Editing, ClassifyFieldStates)
{
    Bibitem it = Item("ARTICLE", "r", {{"author", "A"}, {"editor", "E"}});
    EXPECT_EQ(ClassifyField(s.schema, it, 0, "author"), FieldState::ChoiceConflict);
    s.schema.ChoiceTable.push_back({"article", {"year", "author"}});
    EXPECT_EQ(ClassifyField(s.schema, it, 0, "author"), FieldState::ChoiceThis);
    it.Fields.push_back({"year", "2001"});
    EXPECT_EQ(ClassifyField(s.schema, it, 0, "author"), FieldState::ChoiceConflict);
}

// Rows of items under the schema (with its pairs or without): the messages,
// and rows by their number as Describe shows them.
TEST_F(Editing, RowStylesTooltipsAndSchemaMessages)
{
    const struct {
        bool pairs;
        Bibitem item;
        Strings errors;
        std::vector<std::pair<size_t, std::string>> rows;
    } cases[] = {
        {false, Item("article", "ref1", {}),
         {"No value for required field \"author\" in article ref1",
          "No value for required field \"title\" in article ref1"},
         {{0, "reference ref bold red/black =ref1 "}, {1, "author req bold red/black This is a required field."},
          {3, "year opt black/black Optional field."}, {4, "key opt black/black keys Optional field."},
          {5, "journal opt black/black Optional field."}}},
        // author is required and paired with editor, which the item has
        {true, Item("article", "x", {{"editor", "E"}, {"title", "T"}}), {},
         {{1, "author req italic red/black This required field must remain empty."},
          {6, "editor custom blue/black =E Custom field."}}},
        // both sides of a pair on book (not the first pair): a conflict; a custom row is not styled by it
        {true, Item("book", "b1", {{"editor", "E"}, {"title", "T"}, {"author", "A"}}),
         {"Field conflict involving field \"editor\" in book b1"},
         {{1, "editor req bold red/red =E Maybe you should delete the value in this field."},
          {3, "author custom blue/black =A Custom field."}}},
        // the first pair (journal/year on article) is never a conflict, but
        // the optional field it leaves empty reads "Leave empty"
        {true, Item("article", "j", {{"author", "A"}, {"title", "T"}, {"year", "1"}}), {},
         {{5, "journal opt italic black/black Optional field. Leave empty."}}},
        // a type in capitals is the schema's type; values whose braces do not balance show red
        {true, Item("Article", "A1", {{"title", "Close } brace"}, {"note", "{open"}, {"n", "{ok}"}}),
         {"No value for required field \"author\" in article A1"},
         {{2, "title req bold red/red =Close } brace This is a required field."},
          {6, "note custom blue/red ={open Custom field."}, {7, "n custom blue/black ={ok} Custom field."}}},
        // custom rows: the first field of a name only, the reference never;
        // a schema row takes the value of the last field of its name
        {true, Item("misc", "m", {{"reference", "hidden"}, {"note", "one"}, {"note", "two"}, {"Note", "3"}}), {},
         {{1, "note custom blue/black =one Custom field."}, {2, "Note custom blue/black =3 Custom field."}}},
        {true, Item("book", "b", {{"title", "a"}, {"title", "b"}}),
         {"No value for required field \"editor\" in book b"}, {{2, "title opt black/black =b Optional field."}}},
        // an unknown type with fewer than 15 types: no schema rows, all fields custom
        {true, Item("thesis", "t", {{"title", "T"}}), {}, {{1, "title custom blue/black =T Custom field."}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.item.Reference);
        SetUp();
        if (!c.pairs)
            s.schema.ChoiceTable.clear();
        const ItemLayout l = Laid(s.schema, c.item);
        EXPECT_EQ(l.Errors, c.errors);
        for (const auto& [row, text] : c.rows) {
            ASSERT_LT(row, l.Rows.size());
            EXPECT_EQ(Describe(l.Rows[row]), text);
        }
        EXPECT_EQ(l.Rows.size(), c.rows.back().first + 1);
    }
    // With 15 types, an unknown type shows the last one.
    while (s.schema.TypeTable.size() < 15)
        s.schema.TypeTable.push_back({"t" + std::to_string(s.schema.TypeTable.size()), 1, {"howpublished"}});
    ItemLayout l = Laid(s.schema, Item("thesis", "t", {}));
    EXPECT_EQ(l.TypeIndex, kFallbackTypeIndex);
    EXPECT_EQ(l.Errors, (Strings{"No value for required field \"howpublished\" in t14 t"}));
    s.schema.TypeTable.push_back({"book", 0, {}});
    EXPECT_EQ(ShownTypeIndex(s.schema, "book"), 15); // the last type of a name wins

    // More fields than rows: reported, not lost.
    TItem big{"big", 0, {}};
    for (int i = 0; i < 31; ++i)
        big.Fields.push_back("f" + std::to_string(i));
    s.schema.TypeTable.push_back(big);
    l = ShowItemRows(s, Add(Item("big", "r", {{"extra", "x"}, {"f30", "y"}})));
    EXPECT_EQ(l.Unshown, (Strings{"extra", "f30"}));
    EXPECT_EQ(Messages().back(), "Not enough rows to show every field of r: extra f30");
}

// Setting, clearing and adding fields through the rows is driven by the
// random session, which checks the model after each step; here: what the
// write-back changes beyond the typed text.
TEST_F(Editing, WriteBackCustomFieldsAndAFullItem)
{
    int i = Add(Item("article", "old", {{"author", "A"}}));
    s.NotesList = {"OLD", "a note"};
    // characters that would end or break the entry header in the file are dropped
    EXPECT_EQ(WriteBackRow(s, i, "reference", "a,b{c}\nd"), EditResult::Renamed);
    EXPECT_EQ(test::Dump(s.Bib.Library[0]), "article{abcd|author:A}");
    EXPECT_EQ(s.NotesList, (Strings{"abcd", "a note"})); // the note moves with the renaming
    EXPECT_EQ(s.Bib.Library[AddNewItem(s, "x,y}")].Reference, "xy");

    i = Add(Item("article", "r", {{"note", "y"}, {"month", "jan", true}}));
    // An empty name or value adds nothing; what would break the entry is dropped from the name.
    for (const auto& [name, value] : {std::pair("note", "x"), {"Note", "z"}, {"", "ignored"}, {"empty", ""},
                                      {"@a b=c,", "w"}, {"month", "or feb"}})
        AddCustomField(s, i, name, value);
    // Text added to a macro makes it text ("month:"), so that it is saved whole.
    EXPECT_EQ(test::Dump(s.Bib.Library[i]), "article{r|note:y x|month:jan or feb|Note:z|abc:w}");
    EXPECT_EQ(AppendKeyword("", "k") + "|" + AppendKeyword("\ta k   \r\n", "k"), "k|a k k");

    // A full item refuses another field, but appending to one it has works.
    Bibitem full = Item("misc", "full", {});
    for (int k = 0; k < kMaxFields; ++k)
        full.Fields.push_back({"f" + std::to_string(k), "v"});
    i = Add(full);
    EXPECT_EQ(WriteBackRow(s, i, "title", "T"), EditResult::Refused);
    EXPECT_FALSE(AddCustomField(s, i, "note", "x"));
    EXPECT_EQ(Messages().back(), "Item full already holds 31 fields. Field note not added.");
    EXPECT_TRUE(AddCustomField(s, i, "f0", "w"));
    EXPECT_EQ(GetFieldValue(s.Bib.Library[i], "f0"), "v w");

    // The line selected after a delete (row, new LastItemIndex, shown lines):
    // the only item, the second of two, a filtered list shorter than row - 1
    // (or of one line): its last line. The rows of a long list are the
    // editor test's, through the Delete command.
    const int cases[][4] = {{0, -1, 0, -1}, {1, 0, 1, -1}, {6, 8, 3, 2}, {0, 8, 1, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(SelectionAfterDelete(c[0], c[1], c[2]), c[3]) << c[0] << " " << c[1] << " " << c[2];
}

TEST_F(Editing, ConsistencyCheckMessagesAndDocumentFiles)
{
    EXPECT_TRUE(Check({}));
    EXPECT_EQ(Messages(), (Strings{"Starting consistency check.", "Consistency check successful. No errors found"}));
    s.Log.LogList.clear();
    // Double references ignore case and come in library order; schema errors
    // reach the log with error logging off, and the setting comes back.
    s.Settings.Write(key::LogError, "no");
    s.Bib.Library = {Item("misc", "Smith:2001", {{"title", "One"}}), Item("misc", "other", {}),
                     Item("book", "smith:2001", {{"title", "Two"}, {"editor", "E"}}),
                     Item("article", "a1", {{"title", "T"}})};
    EXPECT_FALSE(Check({}));
    EXPECT_EQ(Messages(), (Strings{"Starting consistency check.", "Multiply definined reference Smith:2001 in misc One",
                                   "Multiply definined reference smith:2001 in book Two",
                                   "No value for required field \"author\" in article a1",
                                   "Consistency check found errors. Refer to error log."}));
    EXPECT_EQ(s.Settings.Read(key::LogError), "no");
    EXPECT_FALSE(s.LibraryChanged);

    // Document files match by their first dot and the reference without its first colon.
    s.Log.LogList.clear();
    std::filesystem::create_directory(dir.file("misc"));
    s.Bib.Library = {Item("misc", "smith:2001", {}), Item("misc", "x:y:z", {})};
    EXPECT_FALSE(Check({"smith2001.pdf", "smith2001.ps", "smith2001.old.pdf", "SMITH2001.doc", "old.misc.pdf",
                        "xy:z.pdf", ".hidden"}));
    Strings files;
    for (const std::string& m : Messages())
        if (m.rfind("File not in database: ", 0) == 0)
            files.push_back(m.substr(22));
    std::sort(files.begin(), files.end()); // the folder's own order is not fixed
    // "misc" (a folder, no dot) and ".hidden" have an empty base; x:y:z owns
    // xy:z.pdf, as only its first colon is removed.
    EXPECT_EQ(files, (Strings{"", "", "old"}));
    EXPECT_EQ(s.Bib.Library[0].HasDocument + s.Bib.Library[1].HasDocument, 2); // xy:z.pdf is x:y:z's
    // A folder that cannot be listed gives no file messages and no documents.
    EXPECT_TRUE(CheckConsistency(s, dir.path() + "/missing/"));
    EXPECT_EQ(s.Bib.Library[0].HasDocument + s.Bib.Library[1].HasDocument, 0);
    // Only the entries that start with the prefix count.
    EXPECT_EQ(ListDocumentFolder(dir.path() + "/smith2001.o"), (Strings{"smith2001.old.pdf"}));
}
