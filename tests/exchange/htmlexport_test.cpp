#include "core/errors.h"
#include "exchange/htmlexport.h"

#include <gtest/gtest.h>

using namespace lorix;

namespace {

const char* const kHead = "<html>\r\n <head>\r\n  <title>Lorix HTML Export</title>\r\n </head>\r\n <body>\r\n"
                          "  <h1>Lorix HTML Export<br>\r\n";
const char* const kTail = "  </table>\r\n </body>\r\n</html>\r\n";

struct ExportFixture {
    Session s;
    ExportFixture()
    {
        s.Settings.Write("maxlogsize", "10");
        Bibitem a;
        a.ItemType = "article";
        a.Reference = "a:1";
        a.Fields = {{"author", "Smith"}, {"year", "1999"}};
        Bibitem b;
        b.ItemType = "book";
        b.Reference = "b<2>";
        b.Fields = {{"author", "Doe & \"Roe\""}};
        s.Bib.Library = {a, b};
    }
    std::string Html(int columns, bool separate, std::vector<std::string> fields = {"author", "year"})
    {
        return BuildHtmlExport(s, {0, 1}, HtmlExportOptions{std::move(fields), columns, separate});
    }
};

std::string Heading(const std::string& ref, const std::string& type)
{
    return "   <tr>\r\n    <td colspan=2 bgcolor=lightgrey>\r\n     " + ref + " (" + type + ")\r\n    </td>\r\n";
}
std::string Cells(const std::string& name, const std::string& value)
{
    return "    <td>" + name + "</td>\r\n    <td>" + value + "</td>\r\n";
}

} // namespace

TEST(HtmlExport, RowsForOneTwoAndThreeColumns)
{
    ExportFixture f;
    const std::string top = std::string(kHead) + "   Displaying 2 items.</h1>\r\n  <table cellpadding=4>\r\n";
    const std::string b = Heading("b&lt;2&gt;", "book");
    const std::string bAuthor = Cells("author", "Doe &amp; &quot;Roe&quot;");
    // One column: every field a row of its own, each closed.
    EXPECT_EQ(f.Html(1, false), top + Heading("a:1", "article") + "   <tr>\r\n" + Cells("author", "Smith") +
                                    "   </tr>\r\n" + "   <tr>\r\n" + Cells("year", "1999") + "   </tr>\r\n" + b +
                                    "   <tr>\r\n" + bAuthor + "   </tr>\r\n" + "   <tr>\r\n" + Cells("year", "") +
                                    "   </tr>\r\n" + kTail);
    // Two columns: the first field joins the heading row, which it closes;
    // the second opens a row that stays open.
    EXPECT_EQ(f.Html(2, false), top + Heading("a:1", "article") + Cells("author", "Smith") + "   </tr>\r\n" +
                                    "   <tr>\r\n" + Cells("year", "1999") + b + bAuthor + "   </tr>\r\n" +
                                    "   <tr>\r\n" + Cells("year", "") + kTail);
    // Three columns with separators: both fields share the heading row.
    const std::string sep = "   <tr><td><br></td></tr>\r\n";
    EXPECT_EQ(f.Html(3, true), top + Heading("a:1", "article") + Cells("author", "Smith") + Cells("year", "1999") +
                                   "   </tr>\r\n" + sep + b + bAuthor + Cells("year", "") + "   </tr>\r\n" + sep +
                                   kTail);
}

TEST(HtmlExport, EmptyListAndOptions)
{
    ExportFixture f;
    EXPECT_EQ(BuildHtmlExport(f.s, {}, HtmlExportOptions{{"author"}, 1, false}),
              std::string(kHead) + "   Displaying 0 items.</h1>\r\n  <table cellpadding=4>\r\n" + kTail);
    EXPECT_TRUE(ExportFieldTicked(",booktitle,", "booktitle"));
    EXPECT_FALSE(ExportFieldTicked(",booktitle,", "title"));
    EXPECT_EQ(ExportFieldNames(f.s, {1, 0}), (std::vector<std::string>{"author", "year"}));
    SettingsList st({"expfields=,year,author,", "expcolumns=2", "expline=yes"});
    HtmlExportOptions o = HtmlExportOptionsFromSettings(st);
    EXPECT_EQ(o.Columns, 3);
    EXPECT_TRUE(o.Separate);
    st.Write("expcolumns", "many");
    EXPECT_THROW(HtmlExportOptionsFromSettings(st), ConversionError);
    StoreHtmlExportOptions(st, HtmlExportOptions{{}, 1, false});
    EXPECT_EQ(st.Read("expfields"), ",");
    EXPECT_EQ(st.Read("expcolumns"), "0");
    EXPECT_EQ(st.Read("expline"), "no");
}
