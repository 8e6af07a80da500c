#include "core/log.h"
#include "core/model.h"
#include "core/errors.h"
#include "core/text.h"
#include "support/testutil.h"

#include <gtest/gtest.h>

using namespace lorix;

TEST(GetFieldValue, LastExactNameWins)
{
    Bibitem it;
    it.Fields = {{"title", "first"}, {"year", "1999"}, {"title", "second"}};
    EXPECT_EQ(GetFieldValue(it, "title"), "second");
    EXPECT_EQ(GetFieldValue(it, "Title"), "");
    EXPECT_EQ(GetFieldValue(it, "author"), "");
}

TEST(FindDocumentFile, ColonRuleAndLastExtensionWins)
{
    test::TempDir dir;
    const std::string pdf = dir.path() + "/";
    for (const char* f : {"smith1999a.pdf", "xy:z.ps", "ref.pdf", "ref.doc"})
        test::WriteFile(pdf + f, "x");
    EXPECT_EQ(FindDocumentFile("smith:1999a", pdf), "smith1999a.pdf");
    EXPECT_EQ(FindDocumentFile("x:y:z", pdf), "xy:z.ps");
    EXPECT_EQ(FindDocumentFile("ref", pdf), "ref.doc");
    EXPECT_EQ(FindDocumentFile("nothing", pdf), "");
    EXPECT_EQ(PdfPrefix("*none*"), "");
}

TEST(NextKeyword, BlanksSeparateCommasDoNot)
{
    std::string text = "neuro  vision,retina";
    EXPECT_EQ(NextKeyword(text), "neuro");
    EXPECT_EQ(NextKeyword(text), "vision,retina");
    EXPECT_EQ(text, "");
    std::vector<std::string> list = {"X"};
    AddKeywords(list, "x y x Y z");
    EXPECT_EQ(list, (std::vector<std::string>{"X", "y", "z"}));
}

TEST(NotesFileName, OnlyTheFilesOwnNameCounts)
{
    const std::pair<const char*, const char*> cases[] = {
        {"lib.bib", "lib.not"},
        {"my.data/lib.bib", "my.data/lib.not"},
        {"/a/b.c.d", "/a/b.not"},
        {"library", "library.not"},
        {"my.data/library", "my.data/library.not"},
    };
    for (auto [lib, notes] : cases)
        EXPECT_EQ(NotesFileName(lib), notes) << lib;
}

TEST(Notes, OnlyReferenceLinesAtEvenPositionsCount)
{
    // The note of "b" equals the reference "c" and stands before c's own line.
    std::vector<std::string> notes = {"A", "note of a", "b", "C", "c", "note of c", "d"};
    EXPECT_EQ(GetNote(notes, "a"), "note of a");
    EXPECT_EQ(GetNote(notes, "B"), "C");
    EXPECT_EQ(GetNote(notes, "c"), "note of c"); // the note line "C" is no reference line
    EXPECT_EQ(FindNoteEntry(notes, "c"), 4);
    EXPECT_EQ(FindNoteEntry({"b", "c"}, "c"), -1);
    EXPECT_EQ(GetNote(notes, "d"), "");      // reference line without a note line
    EXPECT_EQ(FindNoteEntry(notes, "d"), 6);
}

TEST(Text, Utf8AndCharacterCounts)
{
    EXPECT_TRUE(IsValidUtf8("plain"));
    EXPECT_TRUE(IsValidUtf8("M\xC3\xBCller \xE2\x82\xAC \xF0\x9F\x98\x80"));
    for (const char* bad : {"\xC3", "\xC0\xAF", "\xED\xA0\x80", "\xFF", "a\xE9t\xE9"})
        EXPECT_FALSE(IsValidUtf8(bad)) << bad;
    EXPECT_EQ(CharCount("M\xC3\xBCller", true), 6u);
    EXPECT_EQ(CharCount("M\xC3\xBCller", false), 7u);
    EXPECT_EQ(CharPrefixBytes("M\xC3\xBCller", 2, true), 3u);
    EXPECT_EQ(CharPrefixBytes("ab", 5, true), 2u);
    EXPECT_EQ(Trim("\t x \r\n"), "x");
    EXPECT_EQ(LowerAscii("AbC\xC4"), "abc\xC4");
}

namespace {
struct LogFixture {
    SettingsList settings;
    MessageLog log{settings};
    std::string status = "Status";
    LogFixture(std::vector<std::string> lines) : settings(std::move(lines))
    {
        log.ShowStatus = [this](const std::string& t) { status = t; };
        log.Clock = [] {
            std::tm t{};
            t.tm_year = 104, t.tm_mon = 2, t.tm_mday = 7, t.tm_hour = 9, t.tm_min = 5;
            return t;
        };
    }
};
} // namespace

TEST(LogMessage, SwitchesDecideWhereAMessageGoes)
{
    LogFixture f({"log.status=yes", "disp.status=no", "log.error=no", "disp.error=no", "maxlogsize=10"});
    f.log.LogMessage("hello", MessageKind::Status);
    EXPECT_EQ(f.status, "Status");
    EXPECT_EQ(f.log.LogList, std::vector<std::string>{"2004/03/07, 09:05 hello"});
    std::tm late{};
    late.tm_year = 104, late.tm_mon = 11, late.tm_mday = 31, late.tm_hour = 23, late.tm_min = 59;
    EXPECT_EQ(LogStamp(late), "2004/12/31, 23:59 ");
    f.log.ConsistencyPassed = true;
    f.log.LogMessage("bad", MessageKind::Error);
    EXPECT_FALSE(f.log.ConsistencyPassed);
    EXPECT_EQ(f.log.LogList.size(), 1u);
    f.settings.Write("disp.error", "yes");
    f.log.LogMessage("shown", MessageKind::Error);
    EXPECT_EQ(f.status, "shown");
}

TEST(LogMessage, TrimsToMaxLogSizeAfterEveryCall)
{
    LogFixture f({"log.status=yes", "maxlogsize=3"});
    f.log.LogList = {"1", "2", "3"};
    f.log.LogMessage("4", MessageKind::Status);
    ASSERT_EQ(f.log.LogList.size(), 3u);
    EXPECT_EQ(f.log.LogList.front(), "2");
    f.settings.Write("maxlogsize", "0");
    f.settings.Write("log.status", "no");
    f.log.LogMessage("x", MessageKind::Status);
    EXPECT_TRUE(f.log.LogList.empty());
    f.settings.Write("maxlogsize", "lots");
    f.settings.Write("log.status", "yes");
    EXPECT_THROW(f.log.LogMessage("y", MessageKind::Status), ConversionError);
    EXPECT_EQ(f.log.LogList.size(), 1u); // kept before the conversion failed
}

TEST(UniqueReference, FirstFreeCandidateByCharacterCode)
{
    TBib bib;
    for (const char* r : {"smith", "smitha", "x", "xa", "xb", "t:1999a"})
        bib.Library.push_back(Bibitem{0, "article", r, {}, {}});
    EXPECT_EQ(UniqueReference(bib, "smith"), "smithb");
    EXPECT_EQ(UniqueReference(bib, "Smith"), "Smith");
    EXPECT_EQ(UniqueReference(bib, "t:1999"), "t:1999");
    EXPECT_EQ(UniqueReference(bib, ""), "");
    bib.Library.push_back(Bibitem{0, "article", "", {}, {}});
    EXPECT_EQ(UniqueReference(bib, ""), "a");
    TBib z;
    z.Library.push_back(Bibitem{0, "article", "q", {}, {}});
    for (char c = 'a'; c <= 'z'; ++c)
        z.Library.push_back(Bibitem{0, "article", std::string("q") + c, {}, {}});
    // Braces cannot stand in a saved reference: "z" is followed by "|".
    EXPECT_EQ(UniqueReference(z, "q"), "q|");
    for (const char* r : {"q|"})
        z.Library.push_back(Bibitem{0, "article", r, {}, {}});
    EXPECT_EQ(UniqueReference(z, "q"), "q~");
}
