// The reader's sixteen-byte scans against plain byte-by-byte rules, with the
// interesting bytes at every offset of and around a block, so that an error
// at a block edge or in the short tail shows up.
#include "core/library.h"
#include "core/scan.h"
#include "core/text.h"

#include <gtest/gtest.h>

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
        if (c == '\r' || c == '\n' || (c == ' ' && prev))
            continue;
        prev = c == ' ';
        out.push_back(c);
    }
    return Trim(out);
}

size_t LineEndsByRule(std::string_view s, size_t from, size_t to)
{
    size_t n = 0;
    for (size_t i = from; i < to; ++i)
        n += s[i] == '\n' || (s[i] == '\r' && (i + 1 >= s.size() || s[i + 1] != '\n'));
    return n;
}

TBib ReadBib(const std::string& text)
{
    TBib bib;
    ReadContext ctx;
    ctx.pdfPath = "/nonexistent-folder/";
    ReadBibText(text, bib, ctx);
    return bib;
}

} // namespace

TEST(Scan, EveryPieceAtEveryOffset)
{
    const std::pair<const char*, bool> pieces[] = {
        {"  ", true},   {"   ", true},  {" \r\n ", true}, {"\r\n", true},        {"\n", true},
        {"\r", true},   {" \n", true},  {"\n ", true},    {"\t ", true},         {" \r", true},
        {"{in}", true}, {"\r\n  @ {x}", true},           {"\xc3\xa9", true},
        {"\xff", false}, {"\xc3", false}, // a bad byte; a lead byte without its continuation
    };
    for (const auto& [piece, utf8] : pieces) {
        for (size_t len = 0; len <= 40; ++len) {
            std::string base;
            for (size_t i = 0; i < len; ++i)
                base.push_back(i % 6 == 5 ? ' ' : char('a' + i % 26));
            for (size_t pos = 0; pos <= len; ++pos) {
                const std::string v = base.substr(0, pos) + piece + base.substr(pos);
                SCOPED_TRACE(testing::Message() << "[" << piece << "] at " << pos << " of " << len);
                const TBib bib = ReadBib("@misc{r,\n  t = {" + v + "}\n}\n");
                ASSERT_EQ(bib.Library.size(), 1u);
                ASSERT_EQ(bib.Library[0].Fields.size(), 1u);
                EXPECT_EQ(bib.Library[0].Fields[0].Value, FoldByRule(v));
                EXPECT_EQ(IsValidUtf8(v), utf8);
                const size_t n = v.size(), mid = std::min(pos + 1, n);
                for (auto [from, to] : {std::pair{size_t(0), n}, {pos, n}, {size_t(0), mid}, {mid, n}})
                    EXPECT_EQ(scan::CountLineEnds(v, from, to), LineEndsByRule(v, from, to)) << from << ".." << to;
            }
        }
    }
    // A line that starts an entry ends a broken value, wherever it falls.
    for (size_t pos = 0; pos <= 40; ++pos) {
        const TBib bib = ReadBib("@misc{r,\n  t = {" + std::string(pos, 'x') + "\r\n@misc{x, u = {1}}\n");
        ASSERT_EQ(bib.Library.size(), 2u) << pos;
        EXPECT_EQ(bib.Library[1].Reference, "x") << pos;
    }
}
