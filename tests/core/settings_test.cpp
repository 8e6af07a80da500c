#include "core/errors.h"
#include "core/fileio.h"
#include "core/schema.h"
#include "core/settings.h"
#include "core/text.h"
#include "support/testutil.h"

#include <gtest/gtest.h>

using namespace lorix;

TEST(SettingsList, ReadAndWriteRules)
{
    // Keys ignore letter case and the first line of a key answers; writing
    // replaces that line, an empty value deletes it, a new key is appended.
    SettingsList s({"# keep me", "Filename=a.bib", "", "filename=b.bib", "sorting=year", "empty=", "x=a=b"});
    EXPECT_EQ(s.Read("FILENAME"), "a.bib");
    EXPECT_EQ(s.Read("x"), "a=b");
    EXPECT_TRUE(s.Has("empty") && s.Read("empty").empty());
    EXPECT_FALSE(s.Has("missing"));
    s.Write("filename", "c.bib");
    s.Write("sorting", "");
    s.Write("sorting", ""); // nothing left to delete
    s.Write("newkey", "v");
    s.Write("lastfile", kNone); // "*none*" keeps a line
    EXPECT_EQ(s.Lines(), (std::vector<std::string>{"# keep me", "filename=c.bib", "", "filename=b.bib", "empty=",
                                                   "x=a=b", "newkey=v", "lastfile=*none*"}));
    s.Write("filename", ""); // now the second line answers
    EXPECT_EQ(s.Read("filename"), "b.bib");
}

TEST(SettingsList, FileRoundTripKeepsLinesAndLineEnds)
{
    test::TempDir dir;
    for (std::string end : {"\n", "\r\n"}) {
        std::string text = "a=1" + end + end + "; note" + end + "B=2" + end;
        test::WriteFile(dir.file("s.ini"), text);
        SettingsList s = SettingsList::LoadFromFile(dir.file("s.ini"));
        EXPECT_EQ(s.Read("b"), "2");
        s.SaveToFile(dir.file("out.ini"));
        EXPECT_EQ(test::ReadFile(dir.file("out.ini")), text);
    }
}

TEST(NextCommaToken, SplitsWithoutTrimming)
{
    std::vector<std::string> tokens;
    for (std::string list = "a, b,,c,", t; !list.empty();) {
        NextCommaToken(list, t);
        tokens.push_back(t);
    }
    EXPECT_EQ(tokens, (std::vector<std::string>{"a", " b", "", "c"}));
}

namespace {
Schema Parse(std::vector<std::string> lines)
{
    Schema schema;
    ParseSchema(SettingsList(std::move(lines)), schema, [](const std::string& w) { ADD_FAILURE() << w; });
    return schema;
}
} // namespace

TEST(ParseSchema, TheIllustratedSettings)
{
    Schema sc = Parse({"fields=author,title,journal,year,editor,publisher", "types=article,book",
                       "article=3,0,1,2,3", "book=3,1,4,5,3,0", "choice=book,0,4"});
    EXPECT_EQ(sc.LastSchemaField, 5);
    ASSERT_EQ(sc.LastTypeIndex(), 1);
    EXPECT_EQ(sc.TypeTable[0].RequiredCount, 3);
    EXPECT_EQ(sc.TypeTable[0].Fields, (std::vector<std::string>{"author", "title", "journal", "year"}));
    EXPECT_EQ(sc.TypeTable[1].Fields, (std::vector<std::string>{"title", "editor", "publisher", "year", "author"}));
    ASSERT_EQ(sc.ChoiceCount(), 1);
    EXPECT_EQ(sc.ChoiceTable[0].TypeName, "book");
    EXPECT_EQ(sc.ChoiceTable[0].Alternatives[0], "author");
    EXPECT_EQ(sc.ChoiceTable[0].Alternatives[1], "editor");
}

TEST(ParseSchema, EdgeCases)
{
    Schema sc = Parse({"fields=a,b", "types=x, y,z", "x=0", " y=1,1", "z=2,0,1", "choice="});
    ASSERT_EQ(sc.LastTypeIndex(), 2);
    EXPECT_EQ(sc.TypeTable[1].Name, " y");
    EXPECT_EQ(sc.TypeTable[0].LastField(), -1);
    EXPECT_EQ(sc.TypeTable[0].RequiredCount, 0);
    EXPECT_EQ(sc.TypeTable[1].Fields, std::vector<std::string>{"b"});
    EXPECT_EQ(sc.ChoiceCount(), 0);
    EXPECT_EQ(Parse({"types=", "fields="}).LastTypeIndex(), -1);
}
