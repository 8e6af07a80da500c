// Settings that are wrong in every way a hand-edited "lorix.ini" can be:
// each gives a clean LorixError with a readable text or a warning, never a
// crash. Inputs that once crashed a fuzzer are kept here as regressions.
#include "core/errors.h"
#include "core/fileio.h"
#include "core/schema.h"
#include "core/settings.h"
#include "core/text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace lorix;

namespace {
SettingsList Ini(std::string_view text) { return SettingsList(SplitLines(text)); }

std::string Indices(int from, int count)
{
    std::string s;
    for (int i = 0; i < count; ++i)
        s += (i ? "," : "") + std::to_string(from + i % 2);
    return s;
}
} // namespace

TEST(BadSettings, IntegerValuesThatAreNotIntegersThrowConversionError)
{
    const std::vector<std::string> bad = {
        "",     "abc",  "12x",  "1.5", "--1", "+", " ", "0x10",
        "2147483648", "-2147483649", "99999999999999999999999999999999",
        std::string(100000, '9'), std::string("4\0" "2", 3), "\xff\xfe",
    };
    for (const std::string& v : bad) {
        SettingsList s = Ini("listwidth=" + v + "\n");
        EXPECT_THROW((void)s.ReadInt("listwidth"), ConversionError) << "value [" << v.substr(0, 40) << "]";
        EXPECT_THROW((void)ToInt(v), ConversionError) << "value [" << v.substr(0, 40) << "]";
    }
    EXPECT_THROW((void)Ini("").ReadInt("listwidth"), ConversionError);
}

TEST(BadSettings, HugeDigitStringsNeverOverflow)
{
    // Found by the settings fuzzer: 28 nines overflowed the accumulator
    // before the length check could reject them.
    std::string crash = "fields=key\xf3\xf5\x8b\x86\x8f\x9a\x8c\xb9x\r\nx=9999999999999999999999999999,0\r\nlistwidth=\r\n";
    SettingsList s = Ini(crash);
    EXPECT_THROW((void)s.ReadInt("x"), ConversionError);
    for (int digits = 10; digits <= 40; ++digits)
        EXPECT_THROW((void)ToInt(std::string(static_cast<size_t>(digits), '9')), ConversionError) << digits;
    EXPECT_EQ(ToInt("000000000042"), 42);
}

TEST(BadSchema, EachFaultGivesItsOwnError)
{
    struct Case {
        const char* name;
        std::string ini;
        bool conversion; // ConversionError rather than SettingsError
        const char* textPart;
    };
    const std::vector<Case> cases = {
        {"type without key", "types=article,ghost\nfields=key,title\narticle=1,0,1\n", false, "\"ghost\""},
        {"required count not a number", "types=article\nfields=key\narticle=x,0\n", true, "'x'"},
        {"required count empty", "types=article\nfields=key\narticle=,0\n", true, "''"},
        {"field index not a number", "types=article\nfields=key\narticle=1,zero\n", true, "'zero'"},
        {"field index too large", "types=article\nfields=key,title\narticle=1,2\n", false, "outside"},
        {"field index negative", "types=article\nfields=key,title\narticle=1,-1\n", false, "outside"},
        {"field index huge", "types=article\nfields=key\narticle=1,99999999999999999\n", true, "99999"},
        {"choice lacks an index", "types=a\nfields=key,title\na=0\nchoice=a,0\n", false, "\"a\""},
        {"choice index not a number", "types=a\nfields=key,title\na=0\nchoice=a,0,t\n", true, "'t'"},
    };
    for (const Case& c : cases) {
        Schema schema;
        try {
            ParseSchema(Ini(c.ini), schema, nullptr);
            ADD_FAILURE() << c.name << ": no error";
        } catch (const ConversionError& e) {
            EXPECT_TRUE(c.conversion) << c.name << ": " << e.what();
            EXPECT_NE(std::string(e.what()).find(c.textPart), std::string::npos) << c.name << ": " << e.what();
        } catch (const SettingsError& e) {
            EXPECT_FALSE(c.conversion) << c.name << ": " << e.what();
            EXPECT_NE(std::string(e.what()).find(c.textPart), std::string::npos) << c.name << ": " << e.what();
        }
    }
}

TEST(BadSchema, CapacitiesAreKeptAndTheRestIsReported)
{
    std::string ini = "types=big\nfields=key,title\nbig=1," + Indices(0, 40) + "\nchoice=";
    for (int g = 0; g < 14; ++g)
        ini += (g ? ",big" : "big") + std::string(",0,1");
    ini += "\n";
    Schema schema;
    std::vector<std::string> warnings;
    ParseSchema(Ini(ini), schema, [&](const std::string& w) { warnings.push_back(w); });
    ASSERT_EQ(schema.TypeTable.size(), 1u);
    EXPECT_EQ(schema.TypeTable[0].Fields.size(), static_cast<size_t>(kMaxFields));
    EXPECT_EQ(schema.ChoiceCount(), kMaxChoices);
    ASSERT_EQ(warnings.size(), 2u);
    EXPECT_NE(warnings[0].find("more than 31 fields"), std::string::npos) << warnings[0];
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
