#include "core/errors.h"
#include "exchange/htmlexport.h"

#include <gtest/gtest.h>

using namespace lorix;

namespace {

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

TEST(HtmlExport, RowsForOneTwoAndThreeColumnsAndEscaping)
{
    Session s;
    s.Settings.Write("maxlogsize", "10");
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
    EXPECT_EQ(ExportFieldNames(s, {1, 0}), (std::vector<std::string>{"author", "year"}));
}

TEST(HtmlExport, OptionsFromAndToSettings)
{
    EXPECT_TRUE(ExportFieldTicked(",booktitle,", "booktitle"));
    EXPECT_FALSE(ExportFieldTicked(",booktitle,", "title"));
    SettingsList st({"expfields=,year,author,", "expcolumns=2", "expline=yes"});
    HtmlExportOptions o = HtmlExportOptionsFromSettings(st);
    EXPECT_EQ(o.Columns, 3); // the stored value counts from 0
    EXPECT_TRUE(o.Separate);
    st.Write("expcolumns", "many");
    EXPECT_THROW(HtmlExportOptionsFromSettings(st), ConversionError);
    StoreHtmlExportOptions(st, HtmlExportOptions{{}, 1, false});
    EXPECT_EQ(st.Read("expfields") + "|" + st.Read("expcolumns") + "|" + st.Read("expline"), ",|0|no");
}
