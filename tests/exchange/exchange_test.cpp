// The exchange formats: MEDLINE import and the PubMed fetch, item templates
// and the HTML export.
#include "core/errors.h"
#include "exchange/htmlexport.h"
#include "exchange/medline.h"
#include "exchange/pubmed.h"
#include "exchange/template.h"
#include "support/httpserver.h"
#include "support/readback.h"
#include "support/testutil.h"

#include <gtest/gtest.h>
#include <tuple>

using namespace lorix;

namespace {

// A record in the layout the service delivers. That the line ends do not
// matter, and that the last line needs none, is the medline fuzz target's
// check; the common indentation of a pasted record goes (see RecordFields).
const std::string kRecord = "PMID- 1\nVI  - 3\nDP  - 2003 Jan 15\nTI  - A title spread\n      over three\n"
                            "      lines.\nPG  - 1-9\nAB  - First part\n      second part.\nFAU - Smith, John A\n"
                            "AU  - Smith JA\nFAU - Doe, Kim\nAU  - Doe K\nTA  - J Test\n";

// A session whose latest message lands in last.
struct Imports {
    Session s;
    std::string last;
    Imports()
    {
        s.Settings.Write(key::MaxLogSize, "100");
        s.Log.Observer = [this](const std::string& text, MessageKind) { last = text; };
    }
};

// The item read from text, or "" when the record would not be added.
std::string Read(const std::string& text)
{
    MedlineRecord r = ReadMedlineRecord(PrepareImportText(text));
    return r.Outcome == MedlineOutcome::Added ? test::Dump(TBib{{r.Item}}) : "";
}

// Field names by number: 02 author, 17 title, 20 year.
const std::vector<std::string> kNames = [] {
    std::vector<std::string> names(22, "f");
    names[2] = "author", names[17] = "title", names[20] = "year";
    return names;
}();

Bibitem Item(std::vector<Bibfield> fields) { return Bibitem{0, "article", "r", std::move(fields), ""}; }

const std::string kHead = "<html>\r\n <head>\r\n  <title>Lorix HTML Export</title>\r\n </head>\r\n <body>\r\n"
                          "  <h1>Lorix HTML Export<br>\r\n";
const std::string kTail = "  </table>\r\n </body>\r\n</html>\r\n";
const std::string kOpen = "   <tr>\r\n", kClose = "   </tr>\r\n";

std::string Heading(const std::string& ref, const std::string& type)
{
    return "   <tr>\r\n    <td colspan=2 bgcolor=lightgrey>\r\n     " + ref + " (" + type + ")\r\n    </td>\r\n";
}
std::string Cells(const std::string& name, const std::string& value)
{
    return "    <td>" + name + "</td>\r\n    <td>" + value + "</td>\r\n";
}

} // namespace

TEST(Medline, RecordFields)
{
    const std::pair<std::string, std::string> cases[] = {
        {kRecord, "article{smith:2003|title:A title spread over three lines|author:Smith, John A AND Doe, Kim|"
                  "journal:J Test|volume:3|pages:1-9|month:Jan 15|year:2003}"},
        {"TI  - Some title..\nAU  - Smith JA\nIP  - 4\n",
         "article{smith:|title:Some title.|author:Smith, JA|number:4|year:}"},
        {"TI  - T\nFAU - Plato\nDP  - 1999\n", "article{:1999|title:T|author:Plato|year:1999}"},
        {"FAU - Smith, J\nTI  - T\nDP  - 2001\n", "article{smith:2001|title:T|author:Smith, J|year:2001}"},
        {"    TI  - T\n          more\n    FAU - Smith, J\n", "article{smith:|title:T more|author:Smith, J|year:}"},
    };
    for (const auto& [text, fields] : cases)
        EXPECT_EQ(Read(text), fields) << text;
    EXPECT_EQ(ReadMedlineRecord(PrepareImportText(kRecord)).Abstract, "First part second part.");
}

// An import file is read up to "import.maxkb" (16 MB when not set): a longer
// one, or one that never ends, is refused with a message naming the setting.
TEST(Medline, ImportFileReadUpToTheLimit)
{
    test::TempDir dir;
    const SettingsList st({"import.maxkb=1"});
    test::WriteFile(dir.file("1024"), std::string(1024, 'x'));
    test::WriteFile(dir.file("1025"), std::string(1025, 'x'));
    EXPECT_EQ(ReadImportFile(st, dir.file("1024")).size(), 1024u);
    for (const std::string& path : {dir.file("1025"), std::string("/dev/zero")})
        EXPECT_EQ(test::Thrown<FileError>([&] { ReadImportFile(st, path); }),
                  "The file \"" + path + "\" is larger than 1 KB, the limit set by \"import.maxkb\".");
    EXPECT_EQ(ImportLimitBytes(SettingsList()), size_t(16384) * 1024);
}

TEST(Medline, ImportReportsMakesReferencesUniqueAndTakesRealRecords)
{
    Imports im;
    const std::string text = PrepareImportText(kRecord);
    int changes = 0; // told just before each item goes in
    const auto change = [&changes, &im] {
        changes += im.s.Bib.Library.size() == static_cast<size_t>(changes);
    };
    for (const std::string ref : {"smith:2003", "smith:2003a", "smith:2003b"}) {
        ASSERT_TRUE(ImportMedline(im.s, text, change));
        EXPECT_EQ(im.s.Bib.Library.back().Reference, ref);
        EXPECT_EQ(im.last, "Added item " + ref + " from Clipboard.");
        EXPECT_EQ(GetNote(im.s.NotesList, ref), "First part second part.");
    }
    EXPECT_EQ(changes, 3);
    const std::pair<std::string, std::string> failures[] = {
        {"PMID- 1\nAU  - Smith J\n", kImportNoItem}, {"TI  - \nAU  - Smith J\n", kImportNoItem},
        {"TI  - T\nDP  - 2000\n", kImportNoAuthor}, {"no line end at all", kImportNoItem}};
    for (const auto& [text, message] : failures) {
        Imports e;
        EXPECT_FALSE(ImportMedline(e.s, PrepareImportText(text), [] { FAIL() << "no change"; })) << text;
        EXPECT_TRUE(e.s.Bib.Library.empty()) << text;
        EXPECT_EQ(e.last, message);
    }
    if (const std::string why = test::CorpusMissing(); !why.empty())
        GTEST_SKIP() << why;
    for (const char* file : {"medline/pmid-12230038.txt", "medline/pmid-16377612.txt", "medline/pmid-21969133.txt"}) {
        Imports im;
        const std::string raw = test::ReadFile(test::CorpusFile(file));
        ASSERT_TRUE(ImportMedline(im.s, PrepareImportText(raw))) << file;
        const Bibitem& b = im.s.Bib.Library.back();
        EXPECT_FALSE(GetFieldValue(b, "title").empty() || GetFieldValue(b, "journal").empty()) << file;
        EXPECT_NE(GetNote(im.s.NotesList, b.Reference), "") << file;
        EXPECT_TRUE(file != std::string("medline/pmid-12230038.txt") || b.Reference == "mangalam:2002") << b.Reference;
    }
}

TEST(Pubmed, IdentifierRulesUrlAndFetch)
{
    const std::tuple<std::string, bool, std::string> cases[] = { // clipboard, an identifier, which
        {" 12345678 ", true, "12345678"}, {"\t\n", true, ""}, {"123456789012345", true, "123456789012345"},
        {"1234567890123456", false, ""}, {"1234a", false, ""}, {"12 34", false, ""}};
    for (const auto& [clip, ok, want] : cases) {
        std::string id = "before";
        EXPECT_EQ(ClipboardPubmedId(clip, id), ok) << clip;
        EXPECT_EQ(id, ok ? want : "before") << clip; // a refused text leaves it alone
    }
    EXPECT_EQ(PubmedUrl(SettingsList({"pubmed.url=http://h/x?id={id}&again={id}"}), "a b&c"),
              "http://h/x?id=a%20b%26c&again=a%20b%26c");

    // The fetch against a loopback server: id=kbN answers N bytes.
    test::LoopbackServer server([](const std::string& target) {
        const std::string id = target.substr(target.find("id=") + 3);
        if (id.starts_with("kb"))
            return test::HttpAnswer{200, std::string(size_t(std::stoi(id.substr(2))), 'k')};
        return id == "slow"      ? test::HttpAnswer{200, "late", 3000}
               : id == "endless" ? test::HttpAnswer{200, std::string(100, 'e'), 0, true}
               : id == "500"     ? test::HttpAnswer{500, "oops"}
                                 : test::HttpAnswer{200, "<html>" + target + "</html>\n"};
    });
    SettingsList st({"pubmed.url=" + server.url("/efetch?id={id}"), "pubmed.timeout=1", "import.maxkb=1"});
    CurlHttpClient http;
    const auto fetch = [&](const std::string& id) { return FetchPubmedRecord(http, st, PubmedUrl(st, id)); };
    // The body comes back unchanged, whatever it holds.
    EXPECT_EQ(fetch("1"), "<html>/efetch?id=1</html>\n");
    EXPECT_EQ(fetch("kb1024").size(), 1024u);
    // An HTTP error status and a transfer longer than the time-out fail;
    // answers are cut off at "import.maxkb": an announced length above it,
    // and an endless answer, stop with an error that names the setting. A
    // server that does not answer is the DOI fetch's test.
    for (const char* id : {"500", "slow"})
        EXPECT_THROW(fetch(id), HttpError) << id;
    for (const char* id : {"kb1025", "endless"})
        EXPECT_EQ(test::Thrown<HttpError>([&] { fetch(id); }),
                  "The answer of " + PubmedUrl(st, id) + " is larger than 1 KB, the limit set by \"import.maxkb\".");
}

TEST(Template, RenderPreviewAndErrors)
{
    const Bibitem full = Item({{"author", "Smith, J."}, {"title", "A study"}, {"year", "1999"}}),
                  noYear = Item({{"author", "Smith, J."}, {"title", "A study"}}), emptyYear = Item({{"year", ""}}),
                  percent = Item({{"title", "50% off %02"}});
    const std::tuple<const Bibitem&, std::string, std::string> cases[] = { // item, template, text
        {full, "%02: %17 %(20.", "Smith, J.: A study (1999)."}, {noYear, "%02: %17 %(20.", "Smith, J.: A study ."},
        {emptyYear, "%(20", ""}, {noYear, "%20", ""}, {full, "plain text", "plain text"}, {full, "", ""},
        {full, "by %2", "by Smith, J."}, // a single digit ends the template
        {full, "(%(2", "((Smith, J.)"},
        {percent, "%17!", "50% off %02!"}, // values are not scanned again
    };
    for (const auto& [item, templ, out] : cases)
        EXPECT_EQ(RenderTemplate(item, templ, kNames), out) << templ;
    EXPECT_EQ(PreviewTemplate("%02: %17 %(20.", kNames) + "|" + PreviewTemplate("ends %2", kNames),
              "author: title (year).|ends author");
    // The export fails where the preview does: the template fuzz target's check.
    for (const char* bad : {"%", "%(", "%x1", "a %(x1", "% 1"})
        EXPECT_EQ(PreviewTemplate(bad, kNames), kTemplateSyntaxError) << bad;
    EXPECT_THROW(RenderTemplate(Item({}), "%x1", kNames), ConversionError);
    EXPECT_THROW(PreviewTemplate("%99", kNames), LorixError);
}

TEST(HtmlExport, LayoutEscapingAndOptions)
{
    Session s;
    s.Settings.Write(key::MaxLogSize, "10");
    s.Bib.Library = {Bibitem{0, "article", "a:1", {{"author", "Smith"}, {"year", "1999"}}, ""},
                     Bibitem{0, "book", "b<2>", {{"author", "Doe & \"Roe\""}}, ""}};
    auto html = [&](int columns, bool separate) {
        return BuildHtmlExport(s, {0, 1}, HtmlExportOptions{{"author", "year"}, columns, separate});
    };
    const std::string top = kHead + "   Displaying 2 items.</h1>\r\n  <table cellpadding=4>\r\n";
    const std::string a = Heading("a:1", "article"), smith = Cells("author", "Smith"), y = Cells("year", "1999");
    const std::string b = Heading("b&lt;2&gt;", "book"), doe = Cells("author", "Doe &amp; &quot;Roe&quot;");
    const std::string none = Cells("year", "");
    // One column: every field a row of its own, each closed.
    EXPECT_EQ(html(1, false), top + a + kOpen + smith + kClose + kOpen + y + kClose + b + kOpen + doe + kClose +
                                  kOpen + none + kClose + kTail);
    // Two columns: the first field joins the heading row, which it closes;
    // the second opens a row that stays open.
    EXPECT_EQ(html(2, false), top + a + smith + kClose + kOpen + y + b + doe + kClose + kOpen + none + kTail);
    // Three columns with separators: both fields share the heading row.
    const std::string sep = "   <tr><td><br></td></tr>\r\n";
    EXPECT_EQ(html(3, true), top + a + smith + y + kClose + sep + b + doe + none + kClose + sep + kTail);
    EXPECT_EQ(BuildHtmlExport(s, {}, HtmlExportOptions{{"author"}, 1, false}),
              kHead + "   Displaying 0 items.</h1>\r\n  <table cellpadding=4>\r\n" + kTail);
}
