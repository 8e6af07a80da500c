#include "core/errors.h"
#include "core/library.h"
#include "core/log.h"
#include "core/model.h"
#include "core/text.h"
#include "support/testutil.h"

#include <gtest/gtest.h>

using namespace lorix;

TEST(FindDocumentFile, ColonRuleAndLastExtensionWins)
{
    test::TempDir dir;
    const std::string pdf = dir.path() + "/";
    for (const char* f : {"smith1999a.pdf", "xy:z.ps", "ref.pdf", "ref.doc"})
        test::WriteFile(pdf + f, "x");
    for (auto [ref, file] : {std::pair{"smith:1999a", "smith1999a.pdf"}, {"x:y:z", "xy:z.ps"}, {"ref", "ref.doc"},
                             {"nothing", ""}})
        EXPECT_EQ(FindDocumentFile(ref, pdf), file) << ref;
}

TEST(Notes, FileNameAndReferenceLinesAtEvenPositions)
{
    for (auto [lib, notes] : {std::pair{"lib.bib", "lib.not"}, {"/a/b.c.d", "/a/b.not"}, {"library", "library.not"},
                              {"my.data/library", "my.data/library.not"}, {"d/refs.not", "d/refs.not.not"},
                              {"refs.not.bib", "refs.not"}})
        EXPECT_EQ(NotesFileName(lib), notes) << lib;
    // The note of "b" equals the reference "c" and stands before c's own line;
    // such a note once hid the note of c.
    std::vector<std::string> list = {"A", "note of a", "b", "C", "c", "note of c", "d"};
    // "d" is a reference line without a note line.
    for (auto [ref, note, entry] :
         {std::tuple{"a", "note of a", 0}, {"B", "C", 2}, {"c", "note of c", 4}, {"d", "", 6}})
        EXPECT_TRUE(GetNote(list, ref) == note && FindNoteEntry(list, ref) == entry) << ref;
    EXPECT_EQ(FindNoteEntry({"b", "c"}, "c"), -1);
}

TEST(Text, Utf8AndCharacterCounts)
{
    EXPECT_TRUE(IsValidUtf8("M\xC3\xBCller \xE2\x82\xAC \xF0\x9F\x98\x80"));
    for (const char* bad : {"\xC0\xAF", "\xED\xA0\x80", "a\xE9t\xE9"}) // overlong, surrogate, Latin-1
        EXPECT_FALSE(IsValidUtf8(bad)) << bad;
}

TEST(LogMessage, SwitchesDecideWhereAMessageGoesAndTheLogIsTrimmed)
{
    SettingsList settings({"log.status=yes", "disp.status=no", "log.error=no", "disp.error=no", "maxlogsize=3"});
    MessageLog log{settings};
    std::string status = "Status";
    log.ShowStatus = [&](const std::string& t) { status = t; };
    log.Clock = [] {
        std::tm t{};
        t.tm_year = 104, t.tm_mon = 2, t.tm_mday = 7, t.tm_hour = 9, t.tm_min = 5;
        return t;
    };
    log.LogList = {"1", "2"};
    log.LogMessage("hello", MessageKind::Status);
    EXPECT_EQ(status, "Status");
    EXPECT_EQ(log.LogList, (std::vector<std::string>{"1", "2", "2004/03/07, 09:05 hello"}));
    log.LogMessage("bad", MessageKind::Error);
    settings.Write(key::DispError, "yes");
    log.LogMessage("shown", MessageKind::Error);
    EXPECT_EQ(status, "shown");
    {
        // A scope's policy decides for errors meanwhile; the settings stay as they are.
        const MessageLog::Scope quiet(log, ErrorPolicy{.Keep = true, .Show = false});
        log.LogMessage("kept", MessageKind::Error);
        EXPECT_EQ(status + " " + log.LogList.back(), "shown 2004/03/07, 09:05 kept");
        EXPECT_EQ(settings.Read(key::LogError) + settings.Read(key::DispError), "noyes");
    }
    log.LogMessage("dropped", MessageKind::Error);
    EXPECT_EQ(status + " " + log.LogList.back(), "dropped 2004/03/07, 09:05 kept");
    log.LogList.erase(log.LogList.end() - 1);
    log.LogMessage("4", MessageKind::Status); // trimmed to maxlogsize after every call
    EXPECT_EQ(log.LogList, (std::vector<std::string>{"2", "2004/03/07, 09:05 hello", "2004/03/07, 09:05 4"}));
    settings.Write(key::MaxLogSize, "lots");
    EXPECT_THROW(log.LogMessage("y", MessageKind::Status), ConversionError);
    EXPECT_EQ(log.LogList.size(), 4u); // kept before the conversion failed
}

// A new item's suffix could once be "}", which closed the entry's header.
TEST(UniqueReference, FirstFreeCandidateByCharacterCode)
{
    TBib bib;
    for (const char* r : {"smith", "smitha", "x", "xa", "t:1999a", "", "q"})
        bib.Library.push_back(Bibitem{0, "article", r, {}, {}});
    for (auto [ref, unique] : {std::pair{"smith", "smithb"}, {"Smith", "Smith"}, {"t:1999", "t:1999"}, {"", "a"}})
        EXPECT_EQ(UniqueReference(bib, ref), unique) << ref;
    for (char c = 'a'; c <= 'z'; ++c)
        bib.Library.push_back(Bibitem{0, "article", std::string("q") + c, {}, {}});
    EXPECT_EQ(UniqueReference(bib, "q"), "q|"); // braces cannot stand in a saved reference
    bib.Library.push_back(Bibitem{0, "article", "q|", {}, {}});
    EXPECT_EQ(UniqueReference(bib, "q"), "q~");
}
