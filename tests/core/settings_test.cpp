#include "core/errors.h"
#include "core/fileio.h"
#include "core/recent.h"
#include "core/schema.h"
#include "core/settings.h"
#include "core/text.h"
#include "support/testutil.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace lorix;
using lorix::test::Repeat;

namespace {
SettingsList Ini(std::string_view text) { return SettingsList(SplitLines(text)); }

// A parsed schema in one line, "fields:N type(required):field,...; choice type:a|b;"
// followed by the warnings, or the error that stopped the parse.
std::string ParseResult(const std::string& ini)
{
    Schema sc;
    std::string warnings;
    try {
        ParseSchema(Ini(ini), sc, [&](const std::string& w) { warnings += " ! " + w; });
    } catch (const ConversionError& e) {
        return std::string("ConversionError: ") + e.what();
    } catch (const SettingsError& e) {
        return std::string("SettingsError: ") + e.what();
    }
    std::string s = "fields:" + std::to_string(sc.LastSchemaField + 1);
    for (const TItem& t : sc.TypeTable)
        s += " " + t.Name + "(" + std::to_string(t.RequiredCount) + "):" +
             Repeat(t.LastField() + 1, [&](int i) { return (i ? "," : "") + t.Fields[size_t(i)]; }) + ";";
    for (const TChoices& c : sc.ChoiceTable)
        s += " choice " + c.TypeName + ":" + c.Alternatives[0] + "|" + c.Alternatives[1] + ";";
    return s + warnings;
}
} // namespace

TEST(SettingsList, ReadAndWriteRulesAndAFileRoundTripKeepsLinesAndLineEnds)
{
    // Keys ignore letter case and the first line of a key answers; writing
    // replaces that line, an empty value deletes it, a new key is appended.
    SettingsList s({"# keep me", "Filename=a.bib", "", "filename=b.bib", "sorting=year", "empty=", "x=a=b"});
    EXPECT_EQ(s.ReadByName("FILENAME"), "a.bib");
    EXPECT_EQ(s.ReadByName("x"), "a=b");
    EXPECT_TRUE(s.HasName("empty") && s.ReadByName("empty").empty());
    EXPECT_FALSE(s.HasName("missing"));
    s.Write(key::Filename, "c.bib");
    s.Write(key::Sorting, "");
    s.Write(key::Sorting, ""); // nothing left to delete
    s.WriteByName("newkey", "v");
    s.Write(key::LastFile, kNone); // "*none*" keeps a line
    EXPECT_EQ(s.Lines(), (std::vector<std::string>{"# keep me", "filename=c.bib", "", "filename=b.bib", "empty=",
                                                   "x=a=b", "newkey=v", "lastfile=*none*"}));
    s.Write(key::Filename, ""); // now the second line answers
    EXPECT_EQ(s.Read(key::Filename), "b.bib");
    // A path setting: "*none*" reads as no path, and no path is stored as "*none*".
    EXPECT_EQ(s.ReadPath(key::LastFile) + "|" + s.ReadPath(key::Filename), "|b.bib");
    s.WritePath(key::DataPath, "");
    EXPECT_EQ(s.Read(key::DataPath), kNone);
    // NUL bytes and invalid UTF-8 are bytes like any other.
    const std::string value("a\0b\xff\xc3(", 6);
    s = Ini("note=" + value + "\r\nNOTE=second\r\n");
    EXPECT_EQ(s.ReadByName("Note"), value);
    s.WriteByName("note", "x\xfe");
    EXPECT_EQ(s.ReadByName("note"), "x\xfe");
    EXPECT_EQ(s.ReadByName("note\xff"), "");
    test::TempDir dir;
    for (std::string end : {"\n", "\r\n"}) {
        std::string text = "a=1" + end + end + "; note" + end + "B=2" + end;
        test::WriteFile(dir.file("s.ini"), text);
        SettingsList s = SettingsList::LoadFromFile(dir.file("s.ini"));
        EXPECT_EQ(s.ReadByName("b"), "2");
        s.SaveToFile(dir.file("out.ini"));
        EXPECT_EQ(test::ReadFile(dir.file("out.ini")), text);
    }
}

// Settings wrong in every way a hand-edited "lorix.ini" can be: each gives a
// clean LorixError with a readable text or a warning, never a crash.
TEST(BadSettings, IntegerValuesThatAreNotIntegersThrowConversionError)
{
    // 2^64 + 5 would wrap to 5 in the accumulator: a number that long is
    // refused before it is summed (a fuzzer found 28 nines overflowing it).
    const std::string bad[] = {"", "12x", "1.5", "+", "2147483648", "-2147483649", "18446744073709551621",
                               std::string("4\0" "2", 3), "\xff\xfe"};
    for (const std::string& v : bad)
        EXPECT_THROW((void)ToInt(v), ConversionError) << "value [" << v.substr(0, 40) << "]";
    // A missing key reads as empty, which is no integer either; the texts: see the schema errors.
    EXPECT_THROW((void)Ini("").ReadInt(key::LineWidth), ConversionError);
    for (auto [text, value] : {std::pair{"000000000042", 42}, {" -7 ", -7}, {"+3", 3}, {"2147483647", 2147483647}})
        EXPECT_EQ(ToInt(text), value) << text;
    // The error box names the key and the settings file, and a NUL of the
    // value does not end its text.
    test::TempDir dir;
    test::WriteFile(dir.file("lorix.ini"), "linewidth=\nmaxlogsize=4" + std::string(1, '\0') + "2\n");
    const SettingsList ini = SettingsList::LoadFromFile(dir.file("lorix.ini"));
    for (const auto& [k, value] : {std::pair{key::LineWidth, ""}, {key::MaxLogSize, "4^@2"}})
        EXPECT_EQ(test::Thrown<ConversionError>([&] { (void)ini.ReadInt(k); }),
                  "'" + std::string(value) + "' is not a valid integer value for the setting \"" + std::string(k.Name) +
                      "\" in " + dir.file("lorix.ini") + ".");
}

TEST(BadSchema, ParsedSchemasAndTheirErrors)
{
    const std::string many = "types=big\nfields=key" +
                             Repeat(39, [](int i) { return ",f" + std::to_string(i + 1); }) +
                             "\nbig=1" + Repeat(40, [](int i) { return "," + std::to_string(i); }) +
                             "\nchoice=big,0,1" + Repeat(13, [](int) { return std::string(",big,0,1"); });
    const std::pair<std::string, std::string> cases[] = {
        {"fields=author,title,journal,year,editor,publisher\ntypes=article,book\narticle=3,0,1,2,3\n"
         "book=3,1,4,5,3,0\nchoice=book,0,4",
         "fields:6 article(3):author,title,journal,year; book(3):title,editor,publisher,year,author;"
         " choice book:author|editor;"},
        {"fields=a,b\ntypes=x, y,z\nx=0\n y=1,1\nz=2,0,1\nchoice=", "fields:2 x(0):;  y(1):b; z(2):a,b;"},
        {"types=\nfields=", "fields:0"},
        {many, "fields:40 big(1):key" + Repeat(30, [](int i) { return ",f" + std::to_string(i + 1); }) + ";" +
                   Repeat(10, [](int) { return std::string(" choice big:key|f1;"); }) +
                   " ! Type big lists more than 31 fields; ignored: f31" +
                   Repeat(8, [](int i) { return ", f" + std::to_string(i + 32); }) +
                   " ! The setting \"choice\" holds more than 10 groups; ignored: big, big, big, big"},
        {"types=article,ghost\nfields=key,title\narticle=1,0,1\n",
         "SettingsError: The type \"ghost\" of the setting \"types\" has no key of its own."},
        {"types=article\nfields=key\narticle=x,0\n",
         "ConversionError: 'x' is not a valid integer value for the setting \"article\"."},
        {"types=article\nfields=key,title\narticle=1,2\n",
         "SettingsError: Field index 2 in setting \"article\" is outside the field list (0 to 1)."},
        {"types=article\nfields=key,title\narticle=1,-1\n",
         "SettingsError: Field index -1 in setting \"article\" is outside the field list (0 to 1)."},
        {"types=a\nfields=key,title\na=0\nchoice=a,0\n",
         "SettingsError: The group \"a\" of the setting \"choice\" lacks a field index."},
    };
    for (const auto& [ini, result] : cases)
        EXPECT_EQ(ParseResult(ini), result) << ini;
}

// The recent list: "<settings before> + name -> list after | settings lines
// after", each ended by ",", relative names taken from the folder /w.
TEST(RecentLibraries, ANameGoesFirstOnceAbsoluteAndTheListKeepsEight)
{
    const auto nine = Repeat(9, [](int i) { return "recent" + std::to_string(i + 1) + "=/" + std::to_string(i) + "\n"; });
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {"recent1=/b\nrecent2=/w/a.bib", "./sub/../a.bib", "/w/a.bib,/b,|recent1=/w/a.bib,recent2=/b,"},
        // A hand-edited file: gaps, "*none*" and doubles are closed up, a ninth key is left alone.
        {"Recent3=/b\nrecent1=*none*\nrecent5=/b", "/c", "/c,/b,|recent1=/c,recent2=/b,"},
        {nine, "/new", "/new,/0,/1,/2,/3,/4,/5,/6,|recent1=/new,recent2=/0,recent3=/1,recent4=/2,recent5=/3,"
                       "recent6=/4,recent7=/5,recent8=/6,recent9=/8,"},
        {"recent1=/a", "", "/a,|recent1=/a,"}, {"recent1=/a", kNone, "/a,|recent1=/a,"},
    };
    for (const auto& [before, name, after] : cases) {
        SettingsList s = Ini(before);
        RememberRecentLibrary(s, name, "/w");
        EXPECT_EQ(JoinLines(RecentLibraries(s), ",") + "|" + JoinLines(s.Lines(), ","), after) << before << " + " << name;
    }
}
