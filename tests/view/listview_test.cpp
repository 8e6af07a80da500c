#include "core/errors.h"
#include "view/latextext.h"
#include "view/listview.h"

#include <gtest/gtest.h>
#include <tuple>

using namespace lorix;

namespace {

Bibitem Item(const std::string& ref, std::vector<Bibfield> fields, const std::string& type = "article",
             bool doc = false)
{
    return Bibitem{static_cast<std::uint8_t>(doc ? 1 : 0), type, ref, std::move(fields), ""};
}

// The references of the shown items, each line checked to be " " + its reference,
// and the same items and message when the lines are not built.
std::string Shown(const Session& s, const FilterRules& rules, const std::string& key = kNone)
{
    ListResult r = BuildList(s, rules, key);
    const ListResult bare = BuildList(s, rules, key, false);
    EXPECT_EQ(bare.ShownItems, r.ShownItems);
    EXPECT_EQ(bare.Message, r.Message);
    EXPECT_TRUE(bare.Lines.empty());
    std::string refs;
    for (size_t k = 0; k < r.ShownItems.size(); ++k) {
        const std::string& ref = s.Bib.Library[static_cast<size_t>(r.ShownItems[k])].Reference;
        EXPECT_EQ(r.Lines[k], " " + ref);
        refs += ref + " ";
    }
    return refs;
}

// One rule on the first line, filtering on.
FilterRules Rule(const std::string& field, const std::string& op, const std::string& bound, bool negate = false)
{
    FilterRules r;
    r.Filtering = true;
    r.Lines[0] = FilterLine{field, op, bound, negate};
    return r;
}

void Fill(Session& s, std::vector<Bibitem> items)
{
    s.Settings = SettingsList({"disp1=reference", "disp2=none", "disp3=none", "disp4=none"});
    s.Bib.Library = std::move(items);
}

} // namespace

TEST(BuildListLine, ColumnsTruncationAndMarkers)
{
    using Disp = std::array<std::string, 4>;
    const Disp title{"title", "none", "none", "none"}, refYear{"reference", "year", "none", "none"};
    // item, columns, truncate, width, UTF-8 library, line
    const std::tuple<Bibitem, Disp, bool, int, bool, std::string> cases[] = {
        {Item("Smith1999a", {{"year", "1999"}}), refYear, true, 5, true, " Smith 1999"},
        {Item("x", {{"folder", "box"}}), title, false, 0, true, "+"},
        {Item("x", {{"folder", "box"}}, "article", true), title, false, 0, true, "*"},
        // an empty first column vanishes with truncation, its padding trimmed
        {Item("ref", {{"year", "2001"}}), {"title", "year", "none", "none"}, true, 4, true, " 2001"},
        // without truncation empty columns add nothing
        {Item("ref", {{"year", "2001"}}), {"title", "reference", "year", "none"}, false, 0, true, " ref 2001"},
        // a width of 0 or less leaves the marker alone
        {Item("ref", {{"year", "2001"}}), refYear, true, -3, true, " "},
        // characters, not bytes, in a UTF-8 library; bytes in a Windows-1252 one
        {Item("M\xC3\xBCller", {}), {"reference", "reference", "none", "none"}, true, 2, true, " M\xC3\xBC M\xC3\xBC"},
        {Item("M\xFCller", {}), {"reference", "none", "none", "none"}, true, 2, false, " M\xFC"},
        {Item("\xC3\xA9", {{"year", "1"}}), refYear, true, 3, true, " \xC3\xA9   1"}, // padded by characters
        {Item("a\xFF" "bc", {}), {"reference", "none", "none", "none"}, true, 2, true, " a\xFF"}, // a stray byte
        {Item("r", {{"title", "a"}, {"title", "b"}}), title, false, 0, true, " b"}, // the last field of a name counts
    };
    for (const auto& [item, disp, truncate, width, utf8, line] : cases)
        EXPECT_EQ(BuildListLine(item, ListColumns{disp, truncate, width}, utf8), line) << item.Reference;
    // Accents shown as letters: field values converted before truncation counts
    // them; the reference stays as stored; off, the stored text.
    const std::tuple<Bibitem, bool, bool, std::string> letters[] = { // item, as letters, UTF-8, line
        {Item("M{\\\"u}ller", {{"year", "{\\\"U}ber {DNA}"}}), true, true, " M{\\\"u} Über D"},
        {Item("r", {{"year", "K{\\\"o}hler"}}), true, false, " r      K\xF6hler"},
        {Item("r", {{"year", "K{\\\"o}hler"}}), false, false, " r      K{\\\"o}"},
    };
    for (const auto& [item, unicode, utf8, line] : letters)
        EXPECT_EQ(BuildListLine(item, ListColumns{refYear, true, 6, unicode}, utf8), line) << unicode << utf8;
    // A non-numeric "charlimit" fails only when truncating.
    SettingsList s({"disp1=title", "truncate=yes", "charlimit=wide"});
    EXPECT_THROW(ListColumnsFromSettings(s), ConversionError);
    s.Write(key::Truncate, "no");
    EXPECT_NO_THROW(ListColumnsFromSettings(s));
}

TEST(BuildList, SortIsStableAndByteWiseAndTheFilterRules)
{
    Session s;
    Fill(s, {Item("a", {{"year", "98"}, {"title", "apple"}}, "book"),
             Item("b", {{"year", "2001"}, {"title", "Banana"}}, "Article"), Item("c", {{"year", "1999"}}, "book"),
             Item("d", {{"year", "2001"}}, "article")});
    const FilterRules off;
    EXPECT_EQ(Shown(s, off, "year"), "c b d a ");
    EXPECT_EQ(Shown(s, off, "title"), "c d b a "); // empty first, then capitals
    EXPECT_EQ(Shown(s, off, "type"), "b d a c ");
    // Only the words of the Sort menu sort; any other keeps library order.
    EXPECT_EQ(Shown(s, off, "ref") + "|" + Shown(s, off, kNone) + "|" + Shown(s, off, "reference"),
              "a b c d |a b c d |a b c d ");

    // The filter rules.
    Fill(s, {Item("y1999", {{"year", "1999"}, {"title", "On DNA"}, {"journal", "J"}}),
             Item("y2001", {{"year", "2001"}, {"title", "dna again"}, {"journal", ""}}),
             Item("none", {{"title", "Proteins"}}, "book")});
    s.NotesList = {"Y1999", "to read soon", "none", "y2001", "y2001", "read"};
    const std::pair<FilterRules, std::string> cases[] = {
        {Rule("year", "less than", "2000"), "y1999 none "},
        {Rule("title", "contains", "DNA"), "y1999 y2001 "}, {Rule("title", "contains", ""), ""},
        {Rule("journal", "equals", "", true), "y1999 "}, {Rule("type", "equals", "BOOK"), "none "},
        {Rule("reference", "contains", "Y"), "y1999 y2001 "},
        // "none"'s note is "y2001", a note line that never hides y2001's own entry
        {Rule("notes", "contains", "read"), "y1999 y2001 "}, {Rule("notes", "equals", "y2001"), "none "},
        {Rule("title", "is", "dna", true), ""}, {Rule("missing", "equals", ""), "y1999 y2001 none "},
        {Rule("year", "greater than", "999"), ""}, // compared as text
    };
    for (const auto& [rules, shown] : cases)
        EXPECT_EQ(Shown(s, rules), shown)
            << rules.Lines[0].Field << " " << rules.Lines[0].Op << " " << rules.Lines[0].Bound;

    // All and any rules, and their inversion.
    Fill(s, {Item("a", {{"year", "1999"}, {"title", "x"}}), Item("b", {{"year", "2005"}, {"title", "x"}}),
             Item("c", {{"year", "2005"}, {"title", "y"}})});
    FilterRules allOff; // every line off: all rules hold, no rule holds
    allOff.Filtering = true;
    EXPECT_EQ(Shown(s, allOff), "a b c ");
    allOff.Any = true;
    EXPECT_EQ(Shown(s, allOff), "");
    FilterRules both = Rule("year", "equals", "2005");
    both.Lines[2] = FilterLine{"title", "equals", "x", false};
    EXPECT_EQ(Shown(s, both), "b ");
    both.Any = true;
    EXPECT_EQ(Shown(s, both), "a b c ");
    // Inverting mode (all, shown "b") and every not flag shows exactly what the rules hid.
    FilterRules inverted = both;
    for (FilterLine& l : inverted.Lines)
        l.Not = !l.Not;
    EXPECT_EQ(Shown(s, inverted), "a c ");
}

// LaTeX shown as letters: the values are taken from the real files of the
// corpus (and the sample library), with every accent command found in them;
// the encoding of each library gets its own letters.
TEST(LatexToText, AccentsAndTextCommandsOfRealFiles)
{
    const std::tuple<std::string, bool, std::string> cases[] = { // value, UTF-8 library, shown
        {"The {New Encyclop{\\ae}dia Britannica}", true, "The New Encyclopædia Britannica"},
        // a P with macron has no character of its own: kept with its braces
        {"Ulrich {\\\"{U}}nderwood and Ned {\\~N}et and Paul {\\={P}}ot", true,
         "Ulrich Ünderwood and Ned Ñet and Paul {\\={P}}ot"},
        {"Garc{\\'\\i}a, Jean-Fran{\\c{c}}ois, Kaiser, {\\L}ukasz", true, "García, Jean-François, Kaiser, Łukasz"},
        {"Vertretergesch{\\\"a}ftes\\,?", true, "Vertretergeschäftes ?"},
        {"The {\\TeX book}, {\\TeX}: The Program, {\\LaTeX}: A System", true,
         "The TeXbook, TeX: The Program, LaTeX: A System"},
        {"Le \\emph{De Anima} dans la tradition, the \\textsc{doi}", true, "Le De Anima dans la tradition, the doi"},
        // what is not known stays as written, with the braces of its arguments and around it
        {"Des \\mkbibquote{{\\\"U}ber die M{\\\"o}glichkeit}", true, "Des \\mkbibquote{Über die Möglichkeit}"},
        {"An {$O(n \\log n / \\! \\log\\log n)$} Sorting Algorithm", true,
         "An {$O(n \\log n / \\! \\log\\log n)$} Sorting Algorithm"},
        // the other ways of writing accents, dashes and quotes
        {"\\\"{u} \\'e \\c c \\v{s} {\\aa} \\H{o} \\k{e} \\.{Z} \\ss e \\ss{}e", true, "ü é ç š å ő ę Ż ße ße"},
        {"1999--2001 --- ``quoted'' \\textendash\\ \\ldots", true, "1999–2001 — “quoted” – …"},
        // a Windows-1252 library gets Windows-1252 bytes, or the command as written
        {"Heinz H{\\\"u}bner, M{\\\"u}nchen, Kr\xE4mer", false, "Heinz H\xFC" "bner, M\xFC" "nchen, Kr\xE4mer"},
        {"Salvatoris~-- Vom, \\v{s}, ``a''", false, "Salvatoris\xA0\x96 Vom, \x9A, \x93" "a\x94"},
        {"Bronis{\\l}aw, Aks{\\i}n, \\v{c}, {\\L}ukasz", false, "Bronis{\\l}aw, Aks{\\i}n, \\v{c}, {\\L}ukasz"},
        // unbalanced and cut-off text
        {"a}b {c \\", true, "a}b {c \\"},
    };
    for (const auto& [value, utf8, shown] : cases)
        EXPECT_EQ(LatexToText(value, utf8), shown) << value;

    // Any nesting depth, closed or not.
    const std::string deep = std::string(200000, '{') + "x" + std::string(200000, '}');
    EXPECT_EQ(LatexToText(deep, true), "x");
    EXPECT_EQ(LatexToText(deep.substr(0, 200000), true), deep.substr(0, 200000));
}
