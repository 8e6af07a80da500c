// Settings that are wrong in every way a hand-edited "lorix.ini" can be:
// each gives a clean LorixError with a readable text or a warning, never a
// crash. Inputs that once crashed a fuzzer are kept here as regressions.
// Libraries far beyond the working size must load and save in linear time.
#include "core/errors.h"
#include "core/fileio.h"
#include "core/library.h"
#include "core/schema.h"
#include "core/session.h"
#include "core/settings.h"
#include "core/text.h"
#include "support/testutil.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

using namespace lorix;

namespace {
SettingsList Ini(std::string_view text) { return SettingsList(SplitLines(text)); }

double SecondsSince(std::chrono::steady_clock::time_point t0)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

void PrepareHugeSession(Session& s)
{
    ASSERT_TRUE(LoadSettingsFile(s, LORIX_SOURCE_DIR "/data/lorix.ini"));
    s.Settings.Write("pdfpath", "*none*");
    s.Settings.Write("backup", "no");
}

} // namespace

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

// A million entries (about 40 MB): counted, and the first, a middle and the
// last one read whole. The time bound is generous; quadratic work in the
// number of entries would take hours.
TEST(HugeInput, MillionSmallEntriesLoadInLinearTime)
{
    const int count = 1000000;
    lorix::test::TempDir dir;
    std::string text;
    text.reserve(size_t(count) * 44);
    for (int e = 0; e < count; ++e)
        text += "@misc{R" + std::to_string(e) + ",\r\n  title = {T " + std::to_string(e) + "},\r\n  year = {" +
                std::to_string(1900 + e % 100) + "}\r\n}\r\n";
    const std::string path = dir.file("million.bib");
    lorix::test::WriteFile(path, text);
    text = std::string();

    Session s;
    PrepareHugeSession(s);
    const auto t0 = std::chrono::steady_clock::now();
    ASSERT_EQ(LoadLibraryFile(s, path), count);
    EXPECT_LT(SecondsSince(t0), 20.0);
    ASSERT_EQ(s.Bib.LastItemIndex(), count - 1);
    for (int e : {0, count / 2 + 1, count - 1}) {
        const Bibitem& it = s.Bib.Library[static_cast<size_t>(e)];
        EXPECT_EQ(it.ItemType, "misc");
        EXPECT_EQ(it.Reference, "R" + std::to_string(e));
        ASSERT_EQ(it.Fields.size(), 2u) << e;
        EXPECT_EQ(GetFieldValue(it, "title"), "T " + std::to_string(e));
        EXPECT_EQ(GetFieldValue(it, "year"), std::to_string(1900 + e % 100));
    }
}

// One value of 50 MB spans fifty chunks of the reader and is broken into
// hundreds of thousands of lines by the writer: every byte comes back, in
// linear time both ways.
TEST(HugeInput, FiftyMegabyteValueSurvivesLoadSaveLoad)
{
    const size_t size = 50u << 20;
    std::string value;
    value.reserve(size + 16);
    for (int w = 0; value.size() < size; ++w)
        value += (w % 11 == 0 ? "{DNA} " : w % 5 == 0 ? "\xc3\xa9t\xc3\xa9 " : "word ");
    value.pop_back(); // no trailing blank: a value is stored trimmed
    lorix::test::TempDir dir;
    const std::string path = dir.file("big.bib");
    lorix::test::WriteFile(path, "@article{Big,\n  abstract = {" + value + "},\n  year = {2001}\n}\n@misc{After, t = {x}}\n");

    for (const char* lineBreak : {"no", "yes"}) {
        Session s;
        PrepareHugeSession(s);
        s.Settings.Write("linebreak", lineBreak);
        auto t0 = std::chrono::steady_clock::now();
        ASSERT_EQ(LoadLibraryFile(s, path), 2);
        ASSERT_EQ(s.Bib.Library[0].Fields.size(), 2u);
        EXPECT_TRUE(GetFieldValue(s.Bib.Library[0], "abstract") == value) << "first read differs";
        EXPECT_EQ(GetFieldValue(s.Bib.Library[0], "year"), "2001");
        EXPECT_EQ(s.Bib.Library[1].Reference, "After");

        const std::string saved = dir.file(std::string("saved-") + lineBreak + ".bib");
        SaveLibraryFile(s, saved);
        Session again;
        PrepareHugeSession(again);
        ASSERT_EQ(LoadLibraryFile(again, saved), 2);
        EXPECT_LT(SecondsSince(t0), 20.0) << "linebreak=" << lineBreak;
        EXPECT_TRUE(GetFieldValue(again.Bib.Library[0], "abstract") == value) << "linebreak=" << lineBreak;
        EXPECT_EQ(GetFieldValue(again.Bib.Library[0], "year"), "2001");
        EXPECT_EQ(again.Bib.Library[1].Reference, "after"); // the writer lower-cases references
    }
}
