#include "core/errors.h"
#include "core/fileio.h"
#include "core/schema.h"
#include "core/settings.h"
#include "core/text.h"
#include "support/testutil.h"

#include <gtest/gtest.h>

using namespace lorix;

namespace {
SettingsList Ini(std::string_view text) { return SettingsList(SplitLines(text)); }
} // namespace

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

// Settings wrong in every way a hand-edited "lorix.ini" can be: each gives a
// clean LorixError with a readable text or a warning, never a crash.
TEST(BadSettings, IntegerValuesThatAreNotIntegersThrowConversionError)
{
    const std::vector<std::string> bad = {
        "", "abc", "12x", "1.5", "--1", "+", " ", "0x10", "2147483648", "-2147483649",
        std::string(100000, '9'), std::string("4\0" "2", 3), "\xff\xfe",
    };
    for (const std::string& v : bad) {
        SCOPED_TRACE("value [" + v.substr(0, 40) + "]");
        EXPECT_THROW((void)Ini("listwidth=" + v + "\n").ReadInt("listwidth"), ConversionError);
        EXPECT_THROW((void)ToInt(v), ConversionError);
    }
    // Found by the settings fuzzer: 28 nines overflowed the accumulator
    // before the length check could reject them.
    EXPECT_THROW((void)Ini("fields=key\xf3\xf5\x8b\x86\x8f\x9a\x8c\xb9x\r\nx=9999999999999999999999999999,0\r\n"
                           "listwidth=\r\n").ReadInt("x"), ConversionError);
    for (size_t digits = 10; digits <= 40; ++digits)
        EXPECT_THROW((void)ToInt(std::string(digits, '9')), ConversionError) << digits;
    EXPECT_THROW((void)Ini("").ReadInt("listwidth"), ConversionError);
    try {
        ToInt("12x");
        ADD_FAILURE() << "accepted '12x'";
    } catch (const ConversionError& e) {
        EXPECT_NE(std::string(e.what()).find("'12x'"), std::string::npos) << e.what();
    }
    for (auto [text, value] : {std::pair{"000000000042", 42}, {" -7 ", -7}, {"+3", 3}, {"2147483647", 2147483647}})
        EXPECT_EQ(ToInt(text), value) << text;
}

TEST(BadSchema, EachFaultGivesItsOwnError)
{
    struct Case {
        std::string ini;
        bool conversion; // ConversionError rather than SettingsError
        const char* textPart;
    } cases[] = {
        {"types=article,ghost\nfields=key,title\narticle=1,0,1\n", false, "\"ghost\""}, // type without key
        {"types=article\nfields=key\narticle=x,0\n", true, "'x'"},
        {"types=article\nfields=key\narticle=,0\n", true, "''"},
        {"types=article\nfields=key\narticle=1,zero\n", true, "'zero'"},
        {"types=article\nfields=key,title\narticle=1,2\n", false, "outside"},
        {"types=article\nfields=key,title\narticle=1,-1\n", false, "outside"},
        {"types=article\nfields=key\narticle=1,99999999999999999\n", true, "99999"},
        {"types=a\nfields=key,title\na=0\nchoice=a,0\n", false, "\"a\""}, // choice lacks an index
        {"types=a\nfields=key,title\na=0\nchoice=a,0,t\n", true, "'t'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ini);
        Schema schema;
        try {
            ParseSchema(Ini(c.ini), schema, nullptr);
            ADD_FAILURE() << "no error";
        } catch (const ConversionError& e) {
            EXPECT_TRUE(c.conversion) << e.what();
            EXPECT_NE(std::string(e.what()).find(c.textPart), std::string::npos) << e.what();
        } catch (const SettingsError& e) {
            EXPECT_FALSE(c.conversion) << e.what();
            EXPECT_NE(std::string(e.what()).find(c.textPart), std::string::npos) << e.what();
        }
    }
}

TEST(BadSchema, CapacitiesAreKeptAndTheRestIsReported)
{
    std::string ini = "types=big\nfields=key", type = "\nbig=1", choice = "\nchoice=big,0,1";
    for (int i = 1; i < 40; ++i)
        ini += ",f" + std::to_string(i);
    for (int i = 0; i < 40; ++i)
        type += "," + std::to_string(i);
    for (int g = 1; g < 14; ++g)
        choice += ",big,0,1";
    Schema schema;
    std::vector<std::string> warnings;
    ParseSchema(Ini(ini + type + choice), schema, [&](const std::string& w) { warnings.push_back(w); });
    ASSERT_EQ(schema.TypeTable.size(), 1u);
    EXPECT_EQ(schema.TypeTable[0].Fields.size(), static_cast<size_t>(kMaxFields));
    EXPECT_EQ(schema.TypeTable[0].Fields.back(), "f30");
    EXPECT_EQ(schema.ChoiceCount(), kMaxChoices);
    ASSERT_EQ(warnings.size(), 2u);
    EXPECT_NE(warnings[0].find("more than 31 fields"), std::string::npos) << warnings[0];
    EXPECT_NE(warnings[0].find("f39"), std::string::npos) << warnings[0];
    EXPECT_NE(warnings[1].find("more than 10 groups"), std::string::npos) << warnings[1];
}

TEST(BadSettings, NulBytesAndInvalidUtf8AreKeptAsBytes)
{
    std::string value("a\0b\xff\xc3(", 6);
    SettingsList s = Ini("note=" + value + "\r\nNOTE=second\r\n");
    EXPECT_EQ(s.Read("Note"), value);
    s.Write("note", "x\xfe");
    EXPECT_EQ(s.Read("note"), "x\xfe");
    EXPECT_EQ(s.Read("note\xff"), "");
}
