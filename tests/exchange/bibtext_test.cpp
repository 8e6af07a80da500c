// BibTeX from outside the library: Paste BibTeX, and the fetch by DOI or
// arXiv identifier against a loopback server.
#include "core/errors.h"
#include "core/library.h"
#include "core/undo.h"
#include "exchange/bibtext.h"
#include "exchange/doi.h"
#include "support/httpserver.h"
#include "support/readback.h"
#include "support/testutil.h"

#include <gtest/gtest.h>
#include <tuple>

using namespace lorix;

namespace {

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

} // namespace

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
    EXPECT_EQ(DoiUrl(SettingsList(), "10.1000/a b"), "https://doi.org/10.1000%2Fa%20b");
    EXPECT_EQ(DoiUrl(SettingsList({"doi.url=http://h/{id}?again={id}"}), "10.1/x"),
              "http://h/10.1%2Fx?again=10.1%2Fx");
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
