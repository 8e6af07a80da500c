// The reader's sixteen-byte scans against plain byte-by-byte rules, with the
// interesting byte at every offset of and around a block, so that an error
// at a block edge or in the short tail shows up.
#include "core/library.h"
#include "core/scan.h"
#include "core/text.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

using namespace lorix;

namespace {

// Blank folding as the file format defines it: line ends produce nothing, a
// run of blanks (also across a line end) becomes one blank, then trimming.
std::string FoldByRule(std::string_view v)
{
    std::string out;
    bool prev = false;
    for (char c : v) {
        if (c == '\r' || c == '\n')
            continue;
        if (c == ' ' && prev)
            continue;
        prev = c == ' ';
        out.push_back(c);
    }
    return Trim(out);
}

std::string ReadValue(const std::string& value)
{
    TBib bib;
    ReadContext ctx;
    ctx.pdfPath = "/nonexistent-folder/";
    EXPECT_EQ(ReadBibText("@misc{r,\n  t = {" + value + "}\n}\n", bib, ctx), 1);
    return bib.Library.empty() || bib.Library[0].Fields.empty() ? "<none>" : bib.Library[0].Fields[0].Value;
}

} // namespace

TEST(Scan, FoldingAtEveryOffset)
{
    const char* const breaks[] = {"  ", "   ", " \r\n ", "\r\n", "\n", "\r", " \n", "\n ", "\t ", " \r"};
    for (const char* brk : breaks) {
        for (size_t len = 0; len <= 40; ++len) {
            std::string base;
            for (size_t i = 0; i < len; ++i)
                base.push_back(i % 6 == 5 ? ' ' : char('a' + i % 26));
            for (size_t pos = 0; pos <= len; ++pos) {
                std::string v = base.substr(0, pos) + brk + base.substr(pos);
                EXPECT_EQ(ReadValue(v), FoldByRule(v)) << "break [" << brk << "] at " << pos << " of " << len;
            }
        }
    }
}

TEST(Scan, BracesAndLineEndsAtEveryOffset)
{
    for (size_t pos = 0; pos <= 40; ++pos) {
        const std::string pad(pos, 'x');
        EXPECT_EQ(ReadValue(pad + "{in}" + pad), pad + "{in}" + pad) << pos;
        const std::string notEntry = pad + "\r\n  @ {x}" + pad;
        EXPECT_EQ(ReadValue(notEntry), FoldByRule(notEntry)) << pos;
        // A line that starts an entry ends the broken value, wherever it falls.
        TBib bib;
        ReadContext ctx;
        ctx.pdfPath = "/nonexistent-folder/";
        ASSERT_EQ(ReadBibText("@misc{r,\n  t = {" + pad + "\r\n@misc{x, u = {1}}\n", bib, ctx), 2) << pos;
        EXPECT_EQ(bib.Library[1].Reference, "x") << pos;
    }
}

TEST(Scan, CountLineEndsMatchesTheRule)
{
    std::mt19937 rng(9);
    const char alphabet[] = "\r\n\r\nab \t";
    for (int round = 0; round < 3000; ++round) {
        std::string s;
        for (int i = 0, n = int(rng() % 80); i < n; ++i)
            s.push_back(alphabet[rng() % (sizeof alphabet - 1)]);
        const size_t from = s.empty() ? 0 : rng() % s.size(), to = from + (s.size() > from ? rng() % (s.size() - from + 1) : 0);
        size_t expected = 0;
        for (size_t i = from; i < to; ++i)
            expected += s[i] == '\n' || (s[i] == '\r' && (i + 1 >= s.size() || s[i + 1] != '\n'));
        ASSERT_EQ(scan::CountLineEnds(s, from, to), expected) << round;
    }
}

TEST(Scan, Utf8CheckFindsABadByteAnywhere)
{
    for (size_t pos = 0; pos <= 40; ++pos) {
        std::string s(41, 'a');
        s[pos] = '\xff';
        EXPECT_FALSE(IsValidUtf8(s)) << pos;
        s.replace(pos, 1, "\xc3\xa9");
        EXPECT_TRUE(IsValidUtf8(s)) << pos;
        s.erase(pos + 1, 1); // a lead byte without its continuation
        EXPECT_FALSE(IsValidUtf8(s)) << pos;
    }
}

TEST(Scan, ErrorLineNumbersCountEveryKindOfLineEnd)
{
    // 3000 lines of mixed endings, so the count crosses many blocks.
    std::string text;
    const char* const ends[] = {"\r\n", "\n", "\r"};
    for (int i = 0; i < 3000; ++i)
        text += std::string("% line ") + ends[i % 3];
    text += "@misc{cut, t = {open\n";
    TBib bib;
    ReadContext ctx;
    ctx.pdfPath = "/nonexistent-folder/";
    std::vector<std::string> errors;
    ctx.report = [&](const std::string& e) { errors.push_back(e); };
    EXPECT_EQ(ReadBibText(text, bib, ctx), 0);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find("cut at line 3001"), std::string::npos) << errors[0];
}
