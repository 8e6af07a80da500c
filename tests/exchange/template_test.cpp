#include "core/errors.h"
#include "exchange/template.h"

#include <gtest/gtest.h>

using namespace lorix;

namespace {

std::vector<std::string> Names()
{
    std::vector<std::string> names(22, "f");
    names[2] = "author";
    names[17] = "title";
    names[20] = "year";
    return names;
}

Bibitem Item(std::vector<Bibfield> fields)
{
    Bibitem b;
    b.ItemType = "article";
    b.Reference = "r";
    b.Fields = std::move(fields);
    return b;
}

} // namespace

TEST(Template, RenderPlainAndBracketedCodes)
{
    const Bibitem full = Item({{"author", "Smith, J."}, {"title", "A study"}, {"year", "1999"}});
    const Bibitem noYear = Item({{"author", "Smith, J."}, {"title", "A study"}});
    const Bibitem emptyYear = Item({{"author", "Smith, J."}, {"title", "A study"}, {"year", ""}});
    const Bibitem percent = Item({{"title", "50% off %02"}});
    struct Case {
        const Bibitem* item;
        std::string templ, out;
    };
    const Case cases[] = {
        {&full, "%02: %17 %(20.", "Smith, J.: A study (1999)."},
        {&noYear, "%02: %17 %(20.", "Smith, J.: A study ."},
        {&emptyYear, "%(20", ""},
        {&full, "by %2", "by Smith, J."},        // a single digit ends the template
        {&full, "(%(2", "((Smith, J.)"},
        {&percent, "%17!", "50% off %02!"},      // values are not scanned again
        {&full, "plain text", "plain text"},
        {&full, "", ""},
        {&noYear, "%20", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RenderTemplate(*c.item, c.templ, Names()), c.out) << c.templ;
}

TEST(Template, PreviewAndErrors)
{
    EXPECT_EQ(PreviewTemplate("%02: %17 %(20.", Names()), "author: title (year).");
    EXPECT_EQ(PreviewTemplate("ends %2", Names()), "ends author");
    for (const char* bad : {"%", "%(", "%x1", "a %(x1", "% 1"})
        EXPECT_EQ(PreviewTemplate(bad, Names()), kTemplateSyntaxError) << bad;
    const Bibitem item = Item({});
    EXPECT_THROW(RenderTemplate(item, "%x1", Names()), ConversionError);
    EXPECT_THROW(RenderTemplate(item, "%", Names()), ConversionError);
    EXPECT_THROW(RenderTemplate(item, "%99", Names()), LorixError);
    EXPECT_THROW(PreviewTemplate("%99", Names()), LorixError);
}
