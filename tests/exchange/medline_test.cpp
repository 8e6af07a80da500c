#include "core/errors.h"
#include "exchange/medline.h"
#include "exchange/pubmed.h"
#include "support/httpserver.h"
#include "support/testutil.h"

#include <gtest/gtest.h>
#include <tuple>

using namespace lorix;

namespace {

// A record in the layout the service delivers, lines ended by sep.
std::string Record(const std::string& sep)
{
    std::string r;
    for (const char* line : {"PMID- 1", "VI  - 3", "DP  - 2003 Jan 15", "TI  - A title spread", "      over three",
                             "      lines.", "PG  - 1-9", "AB  - First part", "      second part.",
                             "FAU - Smith, John A", "AU  - Smith JA", "FAU - Doe, Kim", "AU  - Doe K", "TA  - J Test"})
        r += line + sep;
    return r;
}

// A session whose latest message lands in last.
struct Imports {
    Session s;
    std::string last;
    Imports()
    {
        s.Settings.Write("maxlogsize", "100");
        s.Log.Observer = [this](const std::string& text, MessageKind) { last = text; };
    }
};

std::string Fields(const Bibitem& b)
{
    std::string out = b.ItemType + " " + b.Reference;
    for (const Bibfield& f : b.Fields)
        out += "|" + f.Name + "=" + f.Value;
    return out;
}

std::string Read(const std::string& text, LineEnd end = LineEnd::CR)
{
    return Fields(ReadMedlineRecord(PrepareImportText(text, end)).Item);
}

} // namespace

TEST(Medline, PrepareImportText)
{
    const std::pair<std::string, std::string> cases[] = {
        {"a\r\nb\r\n", "a\r\nb\r\n"}, {"a\nb\n", "a\r\nb\r\n"}, {"a\rb\r", "a\r\nb\r\n"}, {"", ""},
        {"a\r\nb", "a\r\nb\r\n"}, {"one line", "one line\r\n"}, // the last line without a line end is kept
        {"    TI  - x\n          y\n  z\n", "TI  - x\r\n      y\r\n  z\r\n"}, // common indentation only
        {"\n  x\n", "\r\n  x\r\n"}, // an empty first line removes nothing
    };
    for (const auto& [in, out] : cases)
        for (LineEnd end : {LineEnd::CR, LineEnd::LF})
            EXPECT_EQ(PrepareImportText(in, end), out) << in;
}

TEST(Medline, FindTagTakesEntriesInTurn)
{
    std::string t = PrepareImportText("AU  - Smith JA\nAU  - Doe K\nXX  - rest\n", LineEnd::CR);
    EXPECT_EQ(FindTag(t, "AU"), "Smith, JA");
    EXPECT_EQ(FindTag(t, "AU"), "Doe, K");
    EXPECT_EQ(FindTag(t, "AU"), "");
    EXPECT_EQ(t, "XX  - rest\r\n");
    std::string noDash = "TI no dash\r\n";
    EXPECT_EQ(FindTag(noDash, "TI "), "");
    EXPECT_EQ(noDash, "TI no dash\r\n");
    std::string atStart = "FAU - First, A\r\nFAU - Second, B\r\n";
    EXPECT_EQ(FindTag(atStart, "\nFAU"), "First, A");
}

TEST(Medline, RecordFields)
{
    const std::string full = "article smith:2003|title=A title spread over three lines|"
                             "author=Smith, John A AND Doe, Kim|journal=J Test|volume=3|pages=1-9|month=Jan 15|year=2003";
    const std::pair<std::string, std::string> cases[] = {
        {Record("\r\n"), full},
        {Record("\n"), full},
        {"TI  - T\nAU  - Smith JA\nAU  - Doe K\nDP  - 2003\n", "article smith:2003|title=T|author=Smith, JA AND Doe, K|year=2003"},
        {"TI  - Some title..\nAU  - Smith JA\nIP  - 4\n", "article smith:|title=Some title.|author=Smith, JA|number=4|year="},
        {"TI  - T\nFAU - Plato\nDP  - 1999\n", "article :1999|title=T|author=Plato|year=1999"},
        {"FAU - Smith, J\nTI  - T\nDP  - 2001\n", "article smith:2001|title=T|author=Smith, J|year=2001"}, // title not first
        {"TI  - T\nFAU - Smith, J\nDP  - 2001", "article smith:2001|title=T|author=Smith, J|year=2001"},   // no last line end
        {"    TI  - T\n          more\n    FAU - Smith, J\n", "article smith:|title=T more|author=Smith, J|year="},
    };
    for (const auto& [text, fields] : cases) {
        ASSERT_EQ(ReadMedlineRecord(PrepareImportText(text, LineEnd::CR)).Outcome, MedlineOutcome::Added) << text;
        EXPECT_EQ(Read(text), fields) << text;
    }
    EXPECT_EQ(ReadMedlineRecord(PrepareImportText(Record("\n"), LineEnd::LF)).Abstract, "First part second part.");
}

TEST(Medline, ImportReportsAndMakesReferencesUnique)
{
    Imports im;
    const std::string text = PrepareImportText(Record("\n"), LineEnd::CR);
    for (const std::string ref : {"smith:2003", "smith:2003a", "smith:2003b"}) {
        ASSERT_TRUE(ImportMedline(im.s, text));
        EXPECT_EQ(im.s.Bib.Library.back().Reference, ref);
        EXPECT_EQ(im.last, "Added item " + ref + " from Clipboard.");
        EXPECT_EQ(GetNote(im.s.NotesList, ref), "First part second part.");
    }
    EXPECT_TRUE(im.s.LibraryChanged);
    const std::pair<std::string, std::string> failures[] = {
        {"PMID- 1\nAU  - Smith J\n", kImportNoItem}, {"TI  - \nAU  - Smith J\n", kImportNoItem},
        {"TI  - T\nDP  - 2000\n", kImportNoAuthor}, {"", kImportNoItem}, {"no line end at all", kImportNoItem}};
    for (const auto& [text, message] : failures) {
        Imports e;
        EXPECT_FALSE(ImportMedline(e.s, PrepareImportText(text, LineEnd::CR))) << text;
        EXPECT_TRUE(e.s.Bib.Library.empty() && !e.s.LibraryChanged) << text;
        EXPECT_EQ(e.last, message);
    }
}

TEST(Medline, RealRecordsImportAlikeWithEitherLineEnd)
{
    for (const char* file : {"medline/pmid-12230038.txt", "medline/pmid-16377612.txt", "medline/pmid-21969133.txt"}) {
        Imports im;
        const std::string raw = test::ReadFile(test::CorpusFile(file));
        ASSERT_TRUE(ImportMedline(im.s, PrepareImportText(raw, LineEnd::LF))) << file;
        const Bibitem& b = im.s.Bib.Library.back();
        EXPECT_FALSE(GetFieldValue(b, "title").empty() || GetFieldValue(b, "journal").empty()) << file;
        EXPECT_NE(GetNote(im.s.NotesList, b.Reference), "") << file;
        EXPECT_TRUE(file != std::string("medline/pmid-12230038.txt") || b.Reference == "mangalam:2002") << b.Reference;
        std::string crlf;
        for (char ch : raw)
            crlf += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
        EXPECT_EQ(Read(crlf, LineEnd::LF), Read(raw)) << file;
    }
}

TEST(Pubmed, IdentifierRulesAndUrl)
{
    const std::tuple<std::string, bool, std::string> cases[] = { // clipboard, an identifier, which
        {" 12345678 ", true, "12345678"}, {"\t\n", true, ""}, {"123456789012345", true, "123456789012345"},
        {"1234567890123456", false, ""}, {"1234a", false, ""}, {"12 34", false, ""}};
    for (const auto& [clip, ok, want] : cases) {
        std::string id;
        EXPECT_EQ(ClipboardPubmedId(clip, id), ok) << clip;
        EXPECT_EQ(id, ok ? want : id) << clip;
    }
    SettingsList st;
    EXPECT_EQ(PubmedUrl(st, "42"),
              "http://www.ncbi.nlm.nih.gov/entrez/query.fcgi?cmd=Text&db=PubMed&uid=42&dopt=Medline");
    st.Write("pubmed.url", "http://h/x?id={id}&again={id}");
    EXPECT_EQ(PubmedUrl(st, "a b&c"), "http://h/x?id=a%20b%26c&again=a%20b%26c");
}

TEST(Pubmed, FetchAgainstLoopbackServer)
{
    test::LoopbackServer server([](const std::string& target) {
        if (target.find("id=500") != std::string::npos)
            return test::HttpAnswer{500, "oops"};
        if (target.find("id=slow") != std::string::npos)
            return test::HttpAnswer{200, "late", 3000};
        if (target.find("id=1") != std::string::npos)
            return test::HttpAnswer{200, "TI  - T\nFAU - Smith, J\n"};
        return test::HttpAnswer{200, "<html>unknown id</html>\n"};
    });
    SettingsList st({"pubmed.url=" + server.url("/efetch?id={id}"), "pubmed.timeout=1"});
    CurlHttpClient http;
    EXPECT_EQ(FetchPubmedRecord(http, st, PubmedUrl(st, "1")), "TI  - T\nFAU - Smith, J\n");
    EXPECT_EQ(server.lastTarget(), "/efetch?id=1");
    EXPECT_EQ(FetchPubmedRecord(http, st, PubmedUrl(st, "9")), "<html>unknown id</html>\n");
    for (const char* id : {"500", "slow"})
        EXPECT_THROW(FetchPubmedRecord(http, st, PubmedUrl(st, id)), HttpError) << id;
    st.Write("pubmed.url", "http://127.0.0.1:" + std::to_string(test::UnusedPort()) + "/?id={id}");
    EXPECT_THROW(FetchPubmedRecord(http, st, PubmedUrl(st, "1")), HttpError);
    st.Write("pubmed.timeout", "soon");
    EXPECT_THROW(FetchPubmedRecord(http, st, PubmedUrl(st, "1")), ConversionError);
}
