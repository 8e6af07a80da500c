#include "core/errors.h"
#include "view/listview.h"

#include <gtest/gtest.h>

using namespace lorix;

namespace {

Bibitem Item(const std::string& ref, std::vector<Bibfield> fields, const std::string& type = "article",
             bool doc = false)
{
    Bibitem b;
    b.ItemType = type;
    b.Reference = ref;
    b.Fields = std::move(fields);
    b.HasDocument = doc ? 1 : 0;
    return b;
}

ListColumns Cols(std::array<std::string, 4> disp, bool truncate = false, int limit = 0)
{
    return ListColumns{std::move(disp), truncate, limit};
}

} // namespace

TEST(BuildListLine, ColumnsTruncationAndMarkers)
{
    struct Case {
        Bibitem item;
        ListColumns cols;
        bool utf8;
        std::string line;
    };
    const Case cases[] = {
        {Item("Smith1999a", {{"year", "1999"}}), Cols({"reference", "year", "none", "none"}, true, 5), true,
         " Smith 1999"},
        {Item("x", {}), Cols({"title", "none", "none", "none"}), true, " "},
        {Item("x", {{"folder", "box"}}), Cols({"title", "none", "none", "none"}), true, "+"},
        {Item("x", {{"folder", "box"}}, "article", true), Cols({"title", "none", "none", "none"}), true, "*"},
        // an empty first column vanishes with truncation, its padding trimmed
        {Item("ref", {{"year", "2001"}}), Cols({"title", "year", "none", "none"}, true, 4), true, " 2001"},
        // without truncation empty columns add nothing
        {Item("ref", {{"year", "2001"}}), Cols({"title", "reference", "year", "none"}), true, " ref 2001"},
        {Item("r", {{"title", "T"}}), Cols({"type", "title", "none", "none"}), true, " article T"},
        // a width of 0 or less leaves the marker alone
        {Item("ref", {{"year", "2001"}}), Cols({"reference", "year", "none", "none"}, true, 0), true, " "},
        {Item("ref", {{"year", "2001"}}), Cols({"reference", "year", "none", "none"}, true, -3), true, " "},
        // characters, not bytes, in a UTF-8 library; bytes in a Windows-1252 one
        {Item("M\xC3\xBCller", {}), Cols({"reference", "reference", "none", "none"}, true, 2), true,
         " M\xC3\xBC M\xC3\xBC"},
        {Item("M\xFCller", {}), Cols({"reference", "none", "none", "none"}, true, 2), false, " M\xFC"},
        // the last field of a name counts
        {Item("r", {{"title", "a"}, {"title", "b"}}), Cols({"title", "none", "none", "none"}), true, " b"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(BuildListLine(c.item, c.cols, c.utf8), c.line) << c.item.Reference;
}

TEST(ListColumns, NonNumericCharLimitFailsOnlyWhenTruncating)
{
    SettingsList s({"disp1=title", "truncate=yes", "charlimit=wide"});
    EXPECT_THROW(ListColumnsFromSettings(s), ConversionError);
    s.Write("truncate", "no");
    EXPECT_NO_THROW(ListColumnsFromSettings(s));
}

namespace {

struct ListFixture {
    Session s;
    ListFixture()
    {
        s.Settings = SettingsList({"disp1=reference", "disp2=none", "disp3=none", "disp4=none"});
    }
    std::vector<std::string> Refs(const FilterRules& rules, const std::string& key = kNone)
    {
        ListResult r = BuildList(s, rules, key);
        std::vector<std::string> refs;
        for (size_t k = 0; k < r.ShownItems.size(); ++k) {
            refs.push_back(s.Bib.Library[static_cast<size_t>(r.ShownItems[k])].Reference);
            EXPECT_EQ(r.Lines[k], " " + refs.back());
        }
        return refs;
    }
};

FilterRules Rule(const std::string& field, const std::string& op, const std::string& bound, bool negate = false,
                 bool any = false)
{
    FilterRules r;
    r.Filtering = true;
    r.Any = any;
    r.Lines[0] = FilterLine{field, op, bound, negate};
    return r;
}

using Refs = std::vector<std::string>;

} // namespace

TEST(BuildList, SortIsStableAndByteWise)
{
    ListFixture f;
    f.s.Bib.Library = {Item("a", {{"year", "98"}, {"title", "apple"}}, "book"),
                       Item("b", {{"year", "2001"}, {"title", "Banana"}}, "Article"),
                       Item("c", {{"year", "1999"}}, "book"), Item("d", {{"year", "2001"}}, "article")};
    FilterRules off;
    EXPECT_EQ(f.Refs(off, "year"), (Refs{"c", "b", "d", "a"}));
    EXPECT_EQ(f.Refs(off, "title"), (Refs{"c", "d", "b", "a"})); // empty first, then capitals
    EXPECT_EQ(f.Refs(off, "type"), (Refs{"b", "d", "a", "c"}));
    EXPECT_EQ(f.Refs(off, "ref"), (Refs{"a", "b", "c", "d"}));
    EXPECT_EQ(f.Refs(off, kNone), (Refs{"a", "b", "c", "d"}));
}

TEST(FilterRules, OperatorsAndFields)
{
    ListFixture f;
    f.s.Bib.Library = {
        Item("y1999", {{"year", "1999"}, {"title", "On DNA"}, {"journal", "J"}}),
        Item("y2001", {{"year", "2001"}, {"title", "dna again"}, {"journal", ""}}),
        Item("none", {{"title", "Proteins"}}, "book"),
    };
    f.s.NotesList = {"Y1999", "to read soon", "none", "y2001", "y2001", "read"};
    struct Case {
        FilterRules rules;
        Refs shown;
    };
    const Case cases[] = {
        {Rule("year", "less than", "2000"), {"y1999", "none"}},
        {Rule("year", "greater than", "2000"), {"y2001"}},
        {Rule("title", "contains", "DNA"), {"y1999", "y2001"}},
        {Rule("title", "contains", ""), {}},
        {Rule("journal", "equals", "", true), {"y1999"}},
        {Rule("type", "equals", "BOOK"), {"none"}},
        {Rule("reference", "contains", "Y"), {"y1999", "y2001"}},
        // "none"'s note is "y2001", a note line that never hides y2001's own entry
        {Rule("notes", "contains", "read"), {"y1999", "y2001"}},
        {Rule("notes", "equals", "y2001"), {"none"}},
        {Rule("title", "is", "dna"), {}},
        {Rule("title", "is", "dna", true), {}},
        {Rule("missing", "equals", ""), {"y1999", "y2001", "none"}},
        {Rule("year", "greater than", "999", false), {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(f.Refs(c.rules), c.shown) << c.rules.Lines[0].Field << " " << c.rules.Lines[0].Op << " "
                                           << c.rules.Lines[0].Bound;
}

TEST(FilterRules, AllAndAnyAndInversion)
{
    ListFixture f;
    f.s.Bib.Library = {Item("a", {{"year", "1999"}, {"title", "x"}}), Item("b", {{"year", "2005"}, {"title", "x"}}),
                       Item("c", {{"year", "2005"}, {"title", "y"}})};
    FilterRules allOff;
    allOff.Filtering = true;
    EXPECT_EQ(f.Refs(allOff), (Refs{"a", "b", "c"}));
    FilterRules anyOff = allOff;
    anyOff.Any = true;
    EXPECT_EQ(f.Refs(anyOff), Refs{});

    FilterRules both = Rule("year", "equals", "2005");
    both.Lines[2] = FilterLine{"title", "equals", "x", false};
    EXPECT_EQ(f.Refs(both), Refs{"b"});
    both.Any = true;
    EXPECT_EQ(f.Refs(both), (Refs{"a", "b", "c"}));

    // Inverting mode and every not flag shows exactly what the rules hid.
    both.Any = false;
    FilterRules inverted = both;
    inverted.Any = true;
    for (FilterLine& l : inverted.Lines)
        l.Not = !l.Not;
    EXPECT_EQ(f.Refs(inverted), (Refs{"a", "c"}));
}
