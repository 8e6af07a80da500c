#include "core/errors.h"
#include "exchange/template.h"

#include <gtest/gtest.h>
#include <tuple>

using namespace lorix;

namespace {

// Field names by number: 02 author, 17 title, 20 year.
const std::vector<std::string> kNames = [] {
    std::vector<std::string> names(22, "f");
    names[2] = "author";
    names[17] = "title";
    names[20] = "year";
    return names;
}();

Bibitem Item(std::vector<Bibfield> fields) { return Bibitem{0, "article", "r", std::move(fields), ""}; }

} // namespace

TEST(Template, RenderPlainAndBracketedCodes)
{
    const Bibitem full = Item({{"author", "Smith, J."}, {"title", "A study"}, {"year", "1999"}});
    const Bibitem noYear = Item({{"author", "Smith, J."}, {"title", "A study"}});
    const Bibitem emptyYear = Item({{"author", "Smith, J."}, {"title", "A study"}, {"year", ""}});
    const Bibitem percent = Item({{"title", "50% off %02"}});
    const std::tuple<const Bibitem&, std::string, std::string> cases[] = { // item, template, text
        {full, "%02: %17 %(20.", "Smith, J.: A study (1999)."}, {noYear, "%02: %17 %(20.", "Smith, J.: A study ."},
        {emptyYear, "%(20", ""}, {noYear, "%20", ""}, {full, "plain text", "plain text"}, {full, "", ""},
        {full, "by %2", "by Smith, J."}, // a single digit ends the template
        {full, "(%(2", "((Smith, J.)"},
        {percent, "%17!", "50% off %02!"}, // values are not scanned again
    };
    for (const auto& [item, templ, out] : cases)
        EXPECT_EQ(RenderTemplate(item, templ, kNames), out) << templ;
}

TEST(Template, PreviewAndErrors)
{
    EXPECT_EQ(PreviewTemplate("%02: %17 %(20.", kNames), "author: title (year).");
    EXPECT_EQ(PreviewTemplate("ends %2", kNames), "ends author");
    for (const char* bad : {"%", "%(", "%x1", "a %(x1", "% 1"})
        EXPECT_EQ(PreviewTemplate(bad, kNames), kTemplateSyntaxError) << bad;
    for (const char* bad : {"%x1", "%"})
        EXPECT_THROW(RenderTemplate(Item({}), bad, kNames), ConversionError) << bad;
    EXPECT_THROW(RenderTemplate(Item({}), "%99", kNames), LorixError);
    EXPECT_THROW(PreviewTemplate("%99", kNames), LorixError);
}
