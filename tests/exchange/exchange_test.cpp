// The exchange formats: MEDLINE import and the PubMed fetch, BibTeX from
// outside the library (Paste BibTeX, the fetch by DOI or arXiv identifier),
// item templates and the HTML export. The fetches go to a loopback server.
#include "core/errors.h"
#include "exchange/bibtext.h"
#include "exchange/doi.h"
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

// A session that keeps its messages, "E " before an error, "S " before a status.
struct Messages {
    Session s;
    std::vector<std::string> all;
    Messages()
    {
        s.Settings.Write(key::MaxLogSize, "1000");
        s.Log.Observer = [this](const std::string& text, MessageKind k) {
            all.push_back((k == MessageKind::Error ? "E " : "S ") + text);
        };
    }
};

const std::string kTwo = "@article{smith:2001, title={One}, doi={10.1/x}}\n@book{doe, title={Two}}\n";

// The item read from text, or "" when the record would not be added.
std::string Read(const std::string& text)
{
    MedlineRecord r = ReadMedlineRecord(PrepareImportText(text));
    return r.Outcome == MedlineOutcome::Added ? test::Dump(r.Item) : "";
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
    Messages im;
    const std::string text = PrepareImportText(kRecord);
    int changes = 0; // told just before each item goes in
    const auto change = [&changes, &im] {
        changes += im.s.Bib.Library.size() == static_cast<size_t>(changes);
    };
    for (const std::string ref : {"smith:2003", "smith:2003a", "smith:2003b"}) {
        ASSERT_TRUE(ImportMedline(im.s, text, change));
        EXPECT_EQ(im.s.Bib.Library.back().Reference, ref);
        EXPECT_EQ(im.all.back(), "S Added item " + ref + " from Clipboard.");
        EXPECT_EQ(GetNote(im.s.NotesList, ref), "First part second part.");
    }
    EXPECT_EQ(changes, 3);
    const std::pair<std::string, std::string> failures[] = {
        {"PMID- 1\nAU  - Smith J\n", kImportNoItem}, {"TI  - \nAU  - Smith J\n", kImportNoItem},
        {"TI  - T\nDP  - 2000\n", kImportNoAuthor}, {"no line end at all", kImportNoItem}};
    for (const auto& [text, message] : failures) {
        Messages e;
        EXPECT_FALSE(ImportMedline(e.s, PrepareImportText(text), [] { FAIL() << "no change"; })) << text;
        EXPECT_TRUE(e.s.Bib.Library.empty()) << text;
        EXPECT_EQ(e.all.back(), "E " + message);
    }
    if (const std::string why = test::CorpusMissing(); !why.empty())
        GTEST_SKIP() << why;
    for (const char* file : {"medline/pmid-12230038.txt", "medline/pmid-16377612.txt", "medline/pmid-21969133.txt"}) {
        Messages im;
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
    const auto heading = [](const std::string& ref, const std::string& type) {
        return "   <tr>\r\n    <td colspan=2 bgcolor=lightgrey>\r\n     " + ref + " (" + type + ")\r\n    </td>\r\n";
    };
    const auto cells = [](const std::string& name, const std::string& value) {
        return "    <td>" + name + "</td>\r\n    <td>" + value + "</td>\r\n";
    };
    const std::string top = kHead + "   Displaying 2 items.</h1>\r\n  <table cellpadding=4>\r\n";
    const std::string a = heading("a:1", "article"), smith = cells("author", "Smith"), y = cells("year", "1999");
    const std::string b = heading("b&lt;2&gt;", "book"), doe = cells("author", "Doe &amp; &quot;Roe&quot;");
    const std::string none = cells("year", "");
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

TEST(PasteBibtex, AppendsEntriesUniqueAndKeepsMissingBlocks)
{
    Messages m;
    m.s.Bib = test::ReadText("@string{jan = {January}}\n@preamble{\"\\def\\x{}\"}\n@article{doe, title={Old}}\n").bib;
    const std::string text = "% copied\n@STRING{ Jan = {Jan.}}\n@string{feb = {February}}\n"
                             "@preamble{\"\\def\\x{}\"}\n@comment{not data}\n" +
                             kTwo + "@misc{doe, note={Again}}\n";
    EXPECT_EQ(PasteBibText(m.s, text), 1);
    ASSERT_EQ(m.s.Bib.Library.size(), 4u);
    std::vector<std::string> refs;
    for (const Bibitem& b : m.s.Bib.Library)
        refs.push_back(b.Reference);
    // The second "doe" of the text takes the next suffix after the first one.
    EXPECT_EQ(refs, (std::vector<std::string>{"doe", "smith:2001", "doea", "doeb"}));
    EXPECT_EQ(GetFieldValue(m.s.Bib.Library[3], "note"), "Again");
    EXPECT_TRUE(m.s.LibraryChanged);
    // feb is new; jan is the library's own (defined otherwise: named), the
    // preamble it has already; @comment is no library data.
    ASSERT_EQ(m.s.Bib.Blocks.size(), 3u);
    EXPECT_EQ(m.s.Bib.Blocks[2], "@string{feb = {February}}");
    ASSERT_EQ(m.all.size(), 2u);
    EXPECT_EQ(m.all[0].substr(0, 18), "E The macro \"jan\" ");
    EXPECT_EQ(m.all[1], "S Added 3 items.");

    for (const std::string bad : {"", "just words", "@comment{x}", "@string{a = {b}}"}) {
        Messages e;
        EXPECT_EQ(PasteBibText(e.s, bad), -1) << bad;
        EXPECT_TRUE(e.s.Bib.Library.empty() && e.s.Bib.Blocks.empty() && !e.s.LibraryChanged) << bad;
        ASSERT_FALSE(e.all.empty());
        EXPECT_EQ(e.all.back(), std::string("E ") + kPasteNoEntry);
    }
}

TEST(Doi, RecognizesIdentifiers)
{
    using K = WorkId::Kind;
    const std::tuple<std::string, K, std::string> cases[] = {
        // text, kind, DOI asked
        {"https://doi.org/10.1002/%28SICI%291097", K::Doi, "10.1002/(SICI)1097"},
        {"10.1000.10/abc(1)<2>;x", K::Doi, "10.1000.10/abc(1)<2>;x"},
        {"arXiv:2101.00001v2", K::Arxiv, "10.48550/arXiv.2101.00001"},
        {"hep-th/9901001", K::Arxiv, "10.48550/arXiv.hep-th/9901001"},
        {"https://arxiv.org/abs/2101.00001v3", K::Arxiv, "10.48550/arXiv.2101.00001"},
        // not identifiers; no 13th month; five digits from 2015 on
        {"10.123/short", K::None, ""}, {"10.1000/a b", K::None, ""}, {"2113.00001", K::None, ""},
        {"1501.0001", K::None, ""}, {"arXiv:10.1000/x", K::None, ""}, {"doi:2101.00001", K::None, ""},
        {"see 10.1000/x", K::None, ""},
    };
    for (const auto& [text, kind, doi] : cases) {
        const WorkId id = RecognizeWorkId(text);
        EXPECT_EQ(id.kind, kind) << text;
        EXPECT_EQ(id.Doi, doi) << text;
    }
    EXPECT_EQ(RecognizeWorkId("arXiv:2101.00001v2").Id, "2101.00001v2");
    // A "{id}" in the URL setting: the PubMed test's (both share one rule).
    EXPECT_EQ(DoiUrl(SettingsList(), "10.1000/a b"), "https://doi.org/10.1000%2Fa%20b");
}

TEST(Doi, FetchFollowsRedirectsAndFails)
{
    // /hop/N redirects N more times, then answers with two entries.
    std::string self;
    test::LoopbackServer server([&self](const std::string& target) {
        const int left = target.starts_with("/hop/") ? std::stoi(target.substr(5)) : -1;
        const std::string next = "Location: " + self + "/hop/" + std::to_string(left - 1) + "\r\n";
        const std::string ftp = "Location: ftp://127.0.0.1/x\r\n";
        return left > 0                        ? test::HttpAnswer{302, "", 0, false, next}
               : left == 0                     ? test::HttpAnswer{200, kTwo}
               : target == "/elsewhere"        ? test::HttpAnswer{301, "", 0, false, ftp}
               : target.starts_with("/10.404") ? test::HttpAnswer{404, "DOI not found"}
                                               : test::HttpAnswer{200, "<html>no entry here</html>"};
    });
    self = server.url("");
    SettingsList st({"doi.url=" + server.url("/{id}")});
    CurlHttpClient http;

    EXPECT_EQ(FetchDoiBibtex(http, st, DoiUrl(st, "10.1000/x")), "<html>no entry here</html>");
    const std::string request = server.lastRequest();
    EXPECT_EQ(request.substr(0, request.find("\r\n")), "GET /10.1000%2Fx HTTP/1.1");
    EXPECT_NE(request.find("\r\nAccept: application/x-bibtex"), std::string::npos) << request;
    EXPECT_EQ(request.find("Content-Type"), std::string::npos) << request;

    EXPECT_EQ(FetchDoiBibtex(http, st, server.url("/hop/5")), kTwo);
    // too many redirects, a redirect to another scheme, an error status, nobody listening, not HTTP
    for (const std::string& url : {server.url("/hop/6"), server.url("/elsewhere"), server.url("/10.404%2Fx"),
                                   "http://127.0.0.1:" + std::to_string(test::UnusedPort()) + "/x",
                                   std::string("file:///etc/hostname")})
        EXPECT_THROW(FetchDoiBibtex(http, st, url), HttpError) << url;
}

TEST(Doi, AnswerAddsEntriesWithTheirDoi)
{
    const WorkId id = RecognizeWorkId("arXiv:2101.00001");
    Messages m;
    m.s.Bib = test::ReadText("@book{doe, title={Mine}}\n").bib;
    // Both entries come in; one has a DOI, so none is added.
    EXPECT_EQ(AddDoiAnswer(m.s, kTwo, id), 1);
    ASSERT_EQ(m.s.Bib.Library.size(), 3u);
    EXPECT_EQ(m.s.Bib.Library[2].Reference, "doea");
    EXPECT_EQ(GetFieldValue(m.s.Bib.Library[1], "doi"), "10.1/x");
    EXPECT_EQ(m.s.Bib.Library[2].FindField("doi"), -1);
    EXPECT_EQ(m.all.back(), "S Added item doea from DOI 10.48550/arXiv.2101.00001.");
    // Without one, the first entry gets the DOI asked.
    EXPECT_EQ(AddDoiAnswer(m.s, "@misc{x, title={T}}", id), 3);
    EXPECT_EQ(m.s.Bib.Library[3].Fields.back().Name + "=" + m.s.Bib.Library[3].Fields.back().Value,
              "doi=10.48550/arXiv.2101.00001");
    // No entry: an error, nothing changes.
    Messages e;
    EXPECT_EQ(AddDoiAnswer(e.s, "<html>no entry here</html>", id), -1);
    EXPECT_TRUE(e.s.Bib.Library.empty() && !e.s.LibraryChanged);
    EXPECT_EQ(e.all.back(), "E No BibTeX entry in the answer for DOI 10.48550/arXiv.2101.00001.");
    // A Windows-1252 answer becomes UTF-8; UTF-8 stays as it is.
    EXPECT_EQ(AnswerAsUtf8("Gr\xfc\xdf \x80"), "Gr\xc3\xbc\xc3\x9f \xe2\x82\xac");
    EXPECT_EQ(AnswerAsUtf8("Gr\xc3\xbc\xc3\x9f"), "Gr\xc3\xbc\xc3\x9f");
}
