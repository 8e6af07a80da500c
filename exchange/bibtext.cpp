#include "exchange/bibtext.h"

#include "core/library.h"
#include "core/text.h"

#include <unordered_map>
#include <unordered_set>

namespace lorix {

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool IsWordByte(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// "@", a word and an opening delimiter from p on, blanks allowed between:
// the word, and in open where the delimiter stands.
std::string_view TypeAt(std::string_view text, size_t p, size_t& open)
{
    if (p >= text.size() || text[p] != '@')
        return {};
    size_t i = p + 1;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    const size_t w = i;
    while (i < text.size() && IsWordByte(text[i]))
        ++i;
    const std::string_view word = text.substr(w, i - w);
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    if (word.empty() || i >= text.size() || (text[i] != '{' && text[i] != '('))
        return {};
    open = i;
    return word;
}

// The macro a @string block defines, lower-cased (macro names ignore case),
// or empty.
std::string MacroName(std::string_view own)
{
    size_t open = 0;
    if (TypeAt(own, 0, open).empty())
        return {};
    size_t i = open + 1;
    while (i < own.size() && IsBlank(own[i]))
        ++i;
    const size_t start = i;
    while (i < own.size() && !IsBlank(own[i]) && own[i] != '=' && own[i] != '}' && own[i] != ')')
        ++i;
    return LowerAscii(own.substr(start, i - start));
}

std::string_view OwnText(const std::string& block)
{
    size_t start = 0;
    BlockType(block, &start);
    return std::string_view(block).substr(start);
}

} // namespace

std::string_view BlockType(std::string_view block, size_t* start)
{
    // Comment lines kept before a block never start with an entry's "@word{"
    // (the reader would have read one there), so the first line that does
    // is the block's own.
    for (size_t p = 0; p < block.size(); p = block.find('\n', p) + 1) {
        size_t open = 0;
        if (const std::string_view type = TypeAt(block, p, open); !type.empty()) {
            if (start)
                *start = p;
            return type;
        }
        if (block.find('\n', p) == std::string_view::npos)
            break;
    }
    if (start)
        *start = 0;
    return {};
}

BibTextAddition ReadBibAddition(Session& s, std::string_view text)
{
    BibTextAddition add;
    TBib read;
    ReadContext ctx;
    ctx.schema = &s.schema;
    ctx.pdfPath = s.PdfPath();
    ctx.report = [&add](const std::string& e) { add.Errors.push_back(e); };
    ReadBibText(text, read, ctx);
    add.Entries = std::move(read.Library);

    // The library's macros by name, and its preambles.
    std::unordered_map<std::string, std::string> macros;
    std::unordered_set<std::string> preambles;
    auto known = [&](const std::string& block) {
        const std::string_view type = BlockType(block);
        if (EqualsNoCase(type, "string"))
            macros.emplace(MacroName(OwnText(block)), OwnText(block));
        else if (EqualsNoCase(type, "preamble"))
            preambles.emplace(OwnText(block));
    };
    for (const std::string& b : s.Bib.Blocks)
        known(b);
    for (std::string& b : read.Blocks) {
        const std::string_view type = BlockType(b), own = OwnText(b);
        if (EqualsNoCase(type, "string")) {
            const auto m = macros.find(MacroName(own));
            if (m == macros.end()) {
                add.Blocks.push_back(std::move(b));
                known(add.Blocks.back());
            } else if (m->second != own) {
                add.Errors.push_back("The macro \"" + m->first +
                                     "\" is already defined in the library; its definition there is kept: " +
                                     std::string(own));
            }
        } else if (EqualsNoCase(type, "preamble") && !preambles.count(std::string(own))) {
            add.Blocks.push_back(std::move(b));
            known(add.Blocks.back());
        }
    }
    return add;
}

int AppendBibAddition(Session& s, BibTextAddition add, const std::function<void()>& before)
{
    for (const std::string& e : add.Errors)
        s.Error(e);
    if (add.Entries.empty())
        return -1;
    std::unordered_set<std::string_view> used;
    used.reserve(s.Bib.Library.size() + add.Entries.size());
    for (const Bibitem& it : s.Bib.Library)
        used.insert(it.Reference);
    // Entries does not change size below, so the views of its references
    // stay valid while the set lives.
    for (Bibitem& e : add.Entries) {
        e.Reference = UniqueReference(used, e.Reference);
        used.insert(e.Reference);
    }
    used.clear();
    if (before)
        before();
    const int first = static_cast<int>(s.Bib.Library.size());
    s.Bib.Library.insert(s.Bib.Library.end(), std::make_move_iterator(add.Entries.begin()),
                         std::make_move_iterator(add.Entries.end()));
    s.Bib.Blocks.insert(s.Bib.Blocks.end(), std::make_move_iterator(add.Blocks.begin()),
                        std::make_move_iterator(add.Blocks.end()));
    s.LibraryChanged = true;
    return first;
}

std::string AddedItemsText(size_t n)
{
    return "Added " + std::to_string(n) + " items.";
}

int PasteBibText(Session& s, std::string_view text, const std::function<void()>& before)
{
    BibTextAddition add = ReadBibAddition(s, text);
    const size_t n = add.Entries.size();
    if (n == 0) {
        // What the reader found wrong with the text may say why.
        for (const std::string& e : add.Errors)
            s.Error(e);
        s.Error(kPasteNoEntry);
        return -1;
    }
    const int first = AppendBibAddition(s, std::move(add), before);
    s.Status(AddedItemsText(n));
    return first;
}

} // namespace lorix
