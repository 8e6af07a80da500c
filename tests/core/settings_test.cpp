#include "core/errors.h"
#include "core/fileio.h"
#include "core/schema.h"
#include "core/settings.h"
#include "core/text.h"
#include "support/testutil.h"

#include <gtest/gtest.h>

using namespace lorix;

TEST(SettingsList, ReadIgnoresCaseAndTakesFirstLine)
{
    SettingsList s({"# comment", "", "Filename=a.bib", "filename=b.bib", "empty=", "x=a=b"});
    EXPECT_EQ(s.Read("FILENAME"), "a.bib");
    EXPECT_EQ(s.Read("x"), "a=b");
    EXPECT_TRUE(s.Has("empty") && s.Read("empty").empty());
    EXPECT_FALSE(s.Has("missing"));
    EXPECT_EQ(s.Read("missing"), "");
}

TEST(SettingsList, WriteReplacesFirstDeletesOnEmptyAndAppendsNewKeys)
{
    SettingsList s({"# keep me", "Filename=a.bib", "", "filename=b.bib", "sorting=year"});
    s.Write("filename", "c.bib");
    s.Write("sorting", "");          // deletes
    s.Write("sorting", "");          // nothing left to delete
    s.Write("newkey", "v");          // appended
    s.Write("lastfile", kNone);      // "*none*" keeps a line
    EXPECT_EQ(s.Lines(), (std::vector<std::string>{"# keep me", "filename=c.bib", "", "filename=b.bib",
                                                   "newkey=v", "lastfile=*none*"}));
    EXPECT_EQ(s.Read("filename"), "c.bib");
    s.Write("filename", "");         // now the second line answers
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
    std::string list = "a, b,,c", t;
    std::vector<std::string> tokens;
    while (!list.empty()) {
        NextCommaToken(list, t);
        tokens.push_back(t);
    }
    EXPECT_EQ(tokens, (std::vector<std::string>{"a", " b", "", "c"}));
    list = "x,";
    NextCommaToken(list, t);
    EXPECT_EQ(t, "x");
    EXPECT_EQ(list, "");
}

TEST(ToInt, AcceptsDecimalAndNamesBadText)
{
    EXPECT_EQ(ToInt(" -7 "), -7);
    EXPECT_EQ(ToInt("+3"), 3);
    EXPECT_EQ(ToInt("2147483647"), 2147483647);
    // Which texts are refused is covered with the bad settings; here: the message quotes the text.
    try {
        ToInt("12x");
        ADD_FAILURE() << "accepted '12x'";
    } catch (const ConversionError& e) {
        EXPECT_NE(std::string(e.what()).find("'12x'"), std::string::npos) << e.what();
    }
}

namespace {
Schema Parse(std::vector<std::string> lines, std::vector<std::string>* warnings = nullptr)
{
    SettingsList s(std::move(lines));
    Schema schema;
    ParseSchema(s, schema, [&](const std::string& w) {
        if (warnings)
            warnings->push_back(w);
    });
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

TEST(ParseSchema, AFullTypeKeepsItsFirstFieldsAndNamesTheFirstDropped)
{
    std::string fields = "fields=f0", type = "t=0";
    for (int i = 1; i < 40; ++i)
        fields += ",f" + std::to_string(i);
    for (int i = 0; i < 40; ++i)
        type += "," + std::to_string(i);
    std::vector<std::string> warnings;
    Schema sc = Parse({fields, "types=t", type}, &warnings);
    EXPECT_EQ(sc.TypeTable[0].Fields.back(), "f30");
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find("f39"), std::string::npos) << warnings[0];
}
