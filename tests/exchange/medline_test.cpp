#include "core/errors.h"
#include "exchange/medline.h"
#include "exchange/pubmed.h"
#include "support/httpserver.h"
#include "support/testutil.h"

#include <gtest/gtest.h>

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

// A session whose messages land in last.
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

} // namespace

TEST(Medline, PrepareImportText)
{
    struct Case {
        std::string in, out;
    };
    const Case cases[] = {
        {"a\r\nb\r\n", "a\r\nb\r\n"},
        {"a\nb\n", "a\r\nb\r\n"},       // LF line ends (clipboard on this desktop)
        {"a\rb\r", "a\r\nb\r\n"},       // lone CR
        {"a\r\nb", "a\r\nb\r\n"},       // the last line without a line end is kept
        {"one line", "one line\r\n"},
        {"", ""},
        {"    TI  - x\n          y\n  z\n", "TI  - x\r\n      y\r\n  z\r\n"}, // common indentation only
        {"\n  x\n", "\r\n  x\r\n"},     // an empty first line removes nothing
    };
    for (const Case& c : cases)
        for (LineEnd end : {LineEnd::CR, LineEnd::LF})
            EXPECT_EQ(PrepareImportText(c.in, end), c.out) << c.in;
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
    const std::string kFullRecord = "article smith:2003|title=A title spread over three lines|"
                                    "author=Smith, John A AND Doe, Kim|journal=J Test|volume=3|pages=1-9|"
                                    "month=Jan 15|year=2003";
    struct Case {
        const char* name;
        std::string text;
        std::string fields;
    };
    const Case cases[] = {
        {"full names, CR LF", Record("\r\n"), kFullRecord},
        {"full names, LF", Record("\n"), kFullRecord},
        {"short names only", "TI  - T\nAU  - Smith JA\nAU  - Doe K\nDP  - 2003\n",
         "article smith:2003|title=T|author=Smith, JA AND Doe, K|year=2003"},
        {"two dots keep one", "TI  - Some title..\nAU  - Smith JA\nIP  - 4\n",
         "article smith:|title=Some title.|author=Smith, JA|number=4|year="},
        {"one-word author", "TI  - T\nFAU - Plato\nDP  - 1999\n", "article :1999|title=T|author=Plato|year=1999"},
        {"title line first", "FAU - Smith, J\nTI  - T\nDP  - 2001\n",
         "article smith:2001|title=T|author=Smith, J|year=2001"},
        {"last line without line end", "TI  - T\nFAU - Smith, J\nDP  - 2001",
         "article smith:2001|title=T|author=Smith, J|year=2001"},
        {"indented copy", "    TI  - T\n          more\n    FAU - Smith, J\n",
         "article smith:|title=T more|author=Smith, J|year="},
    };
    for (const Case& c : cases) {
        const MedlineRecord r = ReadMedlineRecord(PrepareImportText(c.text, LineEnd::CR));
        ASSERT_EQ(r.Outcome, MedlineOutcome::Added) << c.name;
        EXPECT_EQ(Fields(r.Item), c.fields) << c.name;
    }
    EXPECT_EQ(ReadMedlineRecord(PrepareImportText(Record("\n"), LineEnd::LF)).Abstract, "First part second part.");
}

TEST(Medline, ImportReportsAndMakesReferencesUnique)
{
    Imports im;
    Session& s = im.s;
    const std::string text = PrepareImportText(Record("\n"), LineEnd::CR);
    for (const char* ref : {"smith:2003", "smith:2003a", "smith:2003b"}) {
        ASSERT_TRUE(ImportMedline(s, text));
        EXPECT_EQ(s.Bib.Library.back().Reference, ref);
        EXPECT_EQ(im.last, std::string("Added item ") + ref + " from Clipboard.");
        EXPECT_EQ(GetNote(s.NotesList, ref), "First part second part.");
    }
    EXPECT_TRUE(s.LibraryChanged);

    // The first free reference, not the one after the highest suffix.
    Imports gap;
    gap.s.Bib.Library.push_back({});
    gap.s.Bib.Library.back().Reference = "smith:2003a";
    ASSERT_TRUE(ImportMedline(gap.s, text));
    EXPECT_EQ(gap.s.Bib.Library.back().Reference, "smith:2003");

    struct Fail {
        std::string text, message;
    };
    for (const Fail& f : {Fail{"PMID- 1\nAU  - Smith J\n", kImportNoItem}, Fail{"TI  - \nAU  - Smith J\n", kImportNoItem},
                          Fail{"TI  - T\nDP  - 2000\n", kImportNoAuthor}, Fail{"", kImportNoItem},
                          Fail{"no line end at all", kImportNoItem}}) {
        Imports e;
        EXPECT_FALSE(ImportMedline(e.s, PrepareImportText(f.text, LineEnd::CR))) << f.text;
        EXPECT_TRUE(e.s.Bib.Library.empty());
        EXPECT_FALSE(e.s.LibraryChanged);
        EXPECT_EQ(e.last, f.message);
    }
}

TEST(Medline, RealRecordsImport)
{
    struct Case {
        const char* file;
        const char* ref;
    };
    for (const Case& c : {Case{"medline/pmid-12230038.txt", "mangalam:2002"},
                          Case{"medline/pmid-16377612.txt", nullptr}, Case{"medline/pmid-21969133.txt", nullptr}}) {
        Imports im;
        Session& s = im.s;
        const std::string raw = test::ReadFile(test::CorpusFile(c.file));
        ASSERT_TRUE(ImportMedline(s, PrepareImportText(raw, LineEnd::LF))) << c.file;
        const Bibitem& b = s.Bib.Library.back();
        if (c.ref) {
            EXPECT_EQ(b.Reference, c.ref);
        }
        EXPECT_FALSE(GetFieldValue(b, "title").empty()) << c.file;
        EXPECT_FALSE(GetFieldValue(b, "journal").empty()) << c.file;
        EXPECT_NE(GetNote(s.NotesList, b.Reference), "") << c.file;
        // CR LF copies of the same record read the same.
        std::string crlf;
        for (char ch : raw)
            crlf += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
        EXPECT_EQ(Fields(ReadMedlineRecord(PrepareImportText(crlf, LineEnd::LF)).Item),
                  Fields(ReadMedlineRecord(PrepareImportText(raw, LineEnd::CR)).Item));
    }
}

TEST(Pubmed, IdentifierRulesAndUrl)
{
    struct Case {
        const char* clip;
        bool ok;
        const char* id;
    };
    for (const Case& c : {Case{" 12345678 ", true, "12345678"}, Case{"\t\n", true, ""},
                          Case{"123456789012345", true, "123456789012345"}, Case{"1234567890123456", false, ""},
                          Case{"1234a", false, ""}, Case{"12 34", false, ""}}) {
        std::string id;
        EXPECT_EQ(ClipboardPubmedId(c.clip, id), c.ok) << c.clip;
        if (c.ok) {
            EXPECT_EQ(id, c.id);
        }
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
    SettingsList st;
    st.Write("pubmed.url", server.url("/efetch?id={id}"));
    st.Write("pubmed.timeout", "1");
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
