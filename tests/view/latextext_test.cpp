// LaTeX shown as letters: the values are taken from the real files of the
// corpus (and the sample library), with every accent command found in them;
// the encoding of each library gets its own letters.
#include "view/latextext.h"

#include <gtest/gtest.h>
#include <tuple>

using namespace lorix;

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
