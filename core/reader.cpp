// The BibTeX reader: one pass over the bytes, fed in chunks so that a large
// library never sits in memory twice (file text and parsed items).
#include "core/reader.h"

#include "core/errors.h"
#include "core/fileio.h"
#include "core/scan.h"
#include "core/text.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>

namespace lorix {

namespace {

bool IsLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsWordByte(char c)
{
    return IsLetter(c) || (c >= '0' && c <= '9') || c == '_' || c == '-';
}
// Between tokens every control character counts as white space, as trimming
// does; a stray one before a value must not turn the value into an empty macro.
bool IsSpace(char c)
{
    return static_cast<unsigned char>(c) <= 32;
}

// The bytes that blank folding looks at: blank, CR and LF.
constexpr auto kFoldByte = [] {
    std::array<bool, 256> t{};
    t[' '] = t['\r'] = t['\n'] = true;
    return t;
}();

// Length of the run at the start of [i, n) that folding copies unchanged:
// up to the first line end, or just past the first blank that another blank
// or a line end follows (that blank is kept, the ones after it are not).
// found tells whether the run ended at such a byte.
size_t PlainRun(const char* p, size_t i, size_t n, bool& found)
{
    const size_t start = i;
#if defined(__SSE2__)
    for (; i + 17 <= n; i += 16) {
        const __m128i v = scan::Load16(p + i), next = scan::Load16(p + i + 1);
        const __m128i stop = scan::MatchAny<'\r', '\n'>(v) |
                             (_mm_cmpeq_epi8(v, _mm_set1_epi8(' ')) & scan::MatchAny<' ', '\r', '\n'>(next));
        const int m = _mm_movemask_epi8(stop);
        if (m != 0) {
            i += static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(m)));
            found = true;
            return i - start;
        }
    }
#endif
    // Short values end here: one table test per byte.
    for (; i < n; ++i) {
        if (!kFoldByte[static_cast<unsigned char>(p[i])])
            continue;
        if (p[i] != ' ' || (i + 1 < n && kFoldByte[static_cast<unsigned char>(p[i + 1])])) {
            found = true;
            return i - start;
        }
    }
    found = false;
    return i - start;
}

// Appends src to out with the reader's blank folding: a run of blanks (also
// one running across a line end) becomes one blank. In a value a line end is
// itself a blank, as BibTeX reads it (files of other programs wrap long values
// without indenting the next line); in a reference or a field name it
// produces no character. Ordinary text between the places where something is
// dropped is appended as whole spans.
template <bool LineEndIsBlank> void AppendFolded(std::string& out, std::string_view src, bool& prevBlank)
{
    const char* p = src.data();
    size_t i = 0, n = src.size();
    while (i < n) {
        if (!prevBlank) {
            bool found = false;
            const size_t len = PlainRun(p, i, n, found);
            if (!found) {
                out.append(p + i, len);
                prevBlank = n > 0 && p[n - 1] == ' ';
                return;
            }
            size_t stop = i + len;
            out.append(p + i, len);
            if (p[stop] == ' ' || LineEndIsBlank) {
                out.push_back(' ');
                prevBlank = true; // the first blank of a run is kept, the rest dropped
            }
            i = stop + 1; // a dropped line end keeps the blank state
            continue;
        }
        const char c = p[i];
        if (c == '\r' || c == '\n') {
            ++i; // a line end keeps the blank state
        } else if (c == ' ') {
            ++i; // a blank after a blank is dropped
        } else {
            prevBlank = false;
        }
    }
}

// Trimming first changes nothing in the result (folding only drops blanks
// and line ends, and trimming removes every byte up to 32 at either end),
// but it spares building the untrimmed text.
template <bool LineEndIsBlank = false> std::string Folded(std::string_view src)
{
    std::string out;
    bool prev = false;
    AppendFolded<LineEndIsBlank>(out, TrimView(src), prev);
    return out;
}

// Lines of text with the blank lines at either end removed, joined by "\n".
std::string TidyLines(std::string_view text)
{
    if (TrimView(text).empty())
        return {};
    std::vector<std::string> lines = SplitLines(text);
    size_t a = 0, b = lines.size();
    while (a < b && TrimView(lines[a]).empty())
        ++a;
    while (b > a && TrimView(lines[b - 1]).empty())
        --b;
    std::string out;
    for (size_t i = a; i < b; ++i) {
        if (i > a)
            out.push_back('\n');
        out += lines[i];
    }
    return out;
}

bool IsBlockType(std::string_view type)
{
    return EqualsNoCase(type, "string") || EqualsNoCase(type, "preamble") || EqualsNoCase(type, "comment");
}

} // namespace

size_t BibReader::NoCaseHash::operator()(std::string_view s) const noexcept
{
    // FNV-1a over the lowered bytes: inline and quick for the short names
    // and keywords it sees.
    size_t h = 14695981039346656037ull;
    for (char c : s)
        h = (h ^ static_cast<unsigned char>(LowerAscii(c))) * 1099511628211ull;
    return h;
}

bool BibReader::NoCaseEqual::operator()(std::string_view a, std::string_view b) const noexcept
{
    // Nearly every hit has the same spelling: compare bytes first.
    return a.size() == b.size() && (a == b || EqualsNoCase(a, b));
}

BibReader::BibReader(TBib& bib, ReadContext& ctx) : m_bib(bib), m_ctx(ctx)
{
    if (ctx.schema)
        for (const std::string& n : ctx.schema->FieldNames)
            m_fieldNames.insert(n);
    if (ctx.keywords)
        for (const std::string& k : *ctx.keywords)
            m_keywords.insert(k);
    // One listing of the document folder instead of four file tests per entry.
    std::filesystem::path prefix(ctx.pdfPath.empty() ? "./" : ctx.pdfPath);
    std::filesystem::path dir =
        ctx.pdfPath.empty() || ctx.pdfPath.back() == '/' ? prefix : prefix.parent_path();
    m_docPrefix =
        ctx.pdfPath.empty() || ctx.pdfPath.back() == '/' ? std::string() : prefix.filename().string();
    std::error_code ec;
    std::filesystem::directory_iterator it(dir.empty() ? "." : dir, ec), end;
    if (ec) {
        m_docListed = !std::filesystem::exists(dir.empty() ? "." : dir); // missing folder: no documents
        return;
    }
    for (; it != end; it.increment(ec)) {
        if (ec) {
            m_docListed = false;
            m_docStems.clear();
            return;
        }
        std::error_code ec2;
        if (!it->is_regular_file(ec2))
            continue;
        // Kept by stem: one look-up per entry instead of one per extension.
        const std::string name = it->path().filename().string();
        for (const char* ext : kDocumentExtensions) {
            const std::string_view e(ext);
            if (name.size() >= e.size() && name.compare(name.size() - e.size(), e.size(), e) == 0)
                m_docStems.insert(name.substr(0, name.size() - e.size()));
        }
    }
    m_docListed = true;
}

void BibReader::Report(const std::string& text)
{
    // Held back until the unit is complete: a unit read again with the next
    // chunk, or read again in recovery mode, must not report twice.
    m_unitErrors.push_back(text);
}

void BibReader::FlushReports()
{
    if (m_ctx.report)
        for (const std::string& e : m_unitErrors)
            m_ctx.report(e);
    m_unitErrors.clear();
}

long BibReader::LineAt(std::string_view buf, size_t pos)
{
    if (m_linePos < pos) {
        m_line += static_cast<long>(scan::CountLineEnds(buf, m_linePos, pos));
        m_linePos = pos;
    }
    return m_line + 1;
}

std::uint8_t BibReader::HasDocument(const std::string& reference)
{
    if (m_docListed && m_docStems.empty())
        return 0;
    if (!m_docListed || reference.find('/') != std::string::npos)
        return FindDocumentFile(reference, m_ctx.pdfPath).empty() ? 0 : 1;
    m_docKey.assign(m_docPrefix).append(reference);
    size_t colon = m_docKey.find(':', m_docPrefix.size());
    if (colon != std::string::npos)
        m_docKey.erase(colon, 1);
    return m_docStems.count(m_docKey) ? 1 : 0;
}

// An entry starts at "@" + optional blanks + a type word + optional blanks +
// "{" or "(". Returns 1 when it does (type start and end and the opening
// position set), 0 when not, -1 when the buffer ends before this can be told.
int BibReader::EntryStart(std::string_view buf, size_t at, bool eof, size_t& typeStart, size_t& typeEnd,
                          size_t& open) const
{
    size_t i = at + 1, n = buf.size();
    while (i < n && (buf[i] == ' ' || buf[i] == '\t'))
        ++i;
    if (i >= n)
        return eof ? 0 : -1;
    if (!IsLetter(buf[i]))
        return 0;
    typeStart = i;
    while (i < n && IsWordByte(buf[i]))
        ++i;
    typeEnd = i;
    while (i < n && (buf[i] == ' ' || buf[i] == '\t'))
        ++i;
    if (i >= n)
        return eof ? 0 : -1;
    if (buf[i] != '{' && buf[i] != '(')
        return 0;
    open = i;
    return 1;
}

// At a line start: does an entry begin on this line?
inline bool BibReader::LineStartsEntry(std::string_view buf, size_t i, bool eof) const
{
    while (i < buf.size() && (buf[i] == ' ' || buf[i] == '\t'))
        ++i;
    if (i >= buf.size() || buf[i] != '@')
        return false;
    size_t ts, te, op;
    return EntryStart(buf, i, eof, ts, te, op) == 1;
}

size_t BibReader::Parse(std::string_view buf, bool eof)
{
    m_linePos = 0;
    size_t pos = 0;
    while (pos < buf.size()) {
        // Comment text up to the next entry start.
        size_t at = pos, typeStart = 0, typeEnd = 0, open = 0;
        int found = 0;
        while ((at = buf.find('@', at)) != std::string_view::npos) {
            found = EntryStart(buf, at, eof, typeStart, typeEnd, open);
            if (found != 0)
                break;
            ++at;
        }
        if (at == std::string_view::npos || found == -1) {
            if (!eof)
                break;
            m_pendingTrailing = TidyLines(buf.substr(pos));
            pos = buf.size();
            break;
        }
        size_t next = 0;
        const long savedLine = m_line;
        const size_t savedPos = m_linePos;
        m_unitErrors.clear();
        m_recover = false;
        const std::string_view type = buf.substr(typeStart, typeEnd - typeStart);
        Unit u = ParseUnit(buf, pos, at, type, open, eof, next);
        if (u == Unit::Retry) {
            m_unitErrors.clear();
            m_line = savedLine;
            m_linePos = savedPos;
            m_recover = true;
            u = ParseUnit(buf, pos, at, type, open, eof, next);
        }
        if (u == Unit::NeedMore) {
            m_unitErrors.clear();
            m_line = savedLine;
            m_linePos = savedPos;
            break;
        }
        FlushReports();
        pos = next;
    }
    LineAt(buf, pos); // the next call starts counting at pos
    if (m_bib.Utf8)
        m_bib.Utf8 = IsValidUtf8(buf.substr(0, pos));
    return pos;
}

BibReader::Unit BibReader::ParseUnit(std::string_view buf, size_t commentStart, size_t at,
                                     std::string_view type, size_t open, bool eof, size_t& next)
{
    const char close = buf[open] == '{' ? '}' : ')';
    const size_t n = buf.size();
    if (IsBlockType(type)) {
        int depth = 0;
        size_t i = open + 1;
        bool broken = false;
        for (; i < n; ++i) {
            char c = buf[i];
            if (c == '{' || (c == '(' && close == ')'))
                ++depth;
            else if (c == close || (c == '}' && close == ')')) {
                if (depth == 0 && c == close)
                    break;
                --depth;
            } else if ((c == '\n' || c == '\r') && LineStartsEntry(buf, i + 1, eof)) {
                broken = true;
                break;
            }
        }
        if (i >= n && !eof)
            return Unit::NeedMore;
        const bool unclosed = broken || i >= n;
        size_t end = unclosed ? i : i + 1;
        std::string block = TidyLines(buf.substr(commentStart, at - commentStart));
        if (!block.empty())
            block.push_back('\n');
        block += TidyLines(buf.substr(at, end - at));
        if (unclosed) {
            // Closed where its text ends: written back open, before the first
            // entry, it would take in the text that follows it.
            block.append(static_cast<size_t>(std::abs(depth)), depth > 0 ? (close == '}' ? '}' : ')') : '(');
            block.push_back(close);
            Report("The @" + std::string(type) + " block at line " + std::to_string(LineAt(buf, at)) +
                   " is not closed; it is closed where its text ends.");
        }
        m_bib.Blocks.push_back(std::move(block));
        m_pendingTrailing.clear();
        next = end;
        return Unit::Done;
    }

    // An entry.
    m_fields.clear();
    Bibitem item;
    bool brokenReported = false;
    size_t i = open + 1;
    auto lineEndStartsEntry = [&](size_t k) {
        return (buf[k] == '\n' || buf[k] == '\r') && LineStartsEntry(buf, k + 1, eof);
    };
    // Reference, up to "," or the closing delimiter.
    size_t refStart = i;
    while (i < n && buf[i] != ',' && buf[i] != close && !lineEndStartsEntry(i))
        ++i;
    if (i >= n && !eof)
        return Unit::NeedMore;
    // A reference that runs on past a blank into "name =" lacks its comma:
    // it ends at the blank, and the fields are read from there.
    std::string_view refRaw = TrimView(buf.substr(refStart, i - refStart));
    const size_t gap = std::find_if(refRaw.begin(), refRaw.end(), IsSpace) - refRaw.begin();
    const bool noComma = gap < refRaw.size() && refRaw.find('=', gap) != std::string_view::npos;
    if (noComma) {
        i = static_cast<size_t>(refRaw.data() - buf.data()) + gap;
        refRaw = refRaw.substr(0, gap);
    }
    // Braces and commas would break the entry header when it is written back.
    item.Reference = ReferenceText(Folded(refRaw));
    // The entry's line is counted once, before any later position is.
    long entryLine = 0;
    auto refText = [&] {
        if (entryLine == 0)
            entryLine = LineAt(buf, at);
        return (item.Reference.empty() ? std::string("(no reference)") : item.Reference) + " at line " +
               std::to_string(entryLine);
    };
    // Text that belongs to no field is dropped, but never in silence.
    auto unplaced = [&](size_t from, size_t to) {
        const std::string_view text = TrimView(buf.substr(from, to - from));
        if (text.empty())
            return;
        const std::string entry = refText();
        const std::string shown =
            text.size() > 40 ? std::string(text.substr(0, 40)) + "..." : std::string(text);
        Report("Entry " + entry + ": the text \"" + shown + "\" at line " +
               std::to_string(LineAt(buf, from)) + " belongs to no field; it is dropped.");
    };
    // The end of text that belongs to no field, from j: the next "," or
    // closing delimiter outside braces. Braces that do not close before the
    // next entry end it at the first delimiter instead. more: the buffer
    // ended before this could be told.
    auto unplacedEnd = [&](size_t j, bool& more) {
        int depth = 0;
        size_t k = j;
        for (; k < n; ++k) {
            const char d = buf[k];
            if (d == '{')
                ++depth;
            else if (d == '}' && depth > 0)
                --depth;
            else if (depth == 0 && (d == ',' || d == close))
                return k;
            else if (lineEndStartsEntry(k))
                break;
        }
        if (k >= n && !eof) {
            more = true;
            return n;
        }
        for (k = j; k < n && buf[k] != ',' && buf[k] != close && !lineEndStartsEntry(k); ++k) {
        }
        return k;
    };
    enum class End { Closed, Unclosed, CutOff } how = End::Closed;
    if (i >= n) {
        how = End::CutOff;
    } else if (buf[i] == close) {
        ++i;
    } else if (buf[i] == ',' || noComma) {
        ++i;
        if (noComma)
            Report("Entry " + refText() +
                   " has no comma after its reference; what follows is read as fields.");
        for (;;) {
            // Field name up to "="; commas and blanks between fields are skipped.
            while (i < n && (IsSpace(buf[i]) || buf[i] == ',')) {
                if (lineEndStartsEntry(i))
                    break;
                ++i;
            }
            if (i >= n) {
                if (!eof)
                    return Unit::NeedMore;
                how = End::CutOff;
                break;
            }
            if (lineEndStartsEntry(i)) {
                how = End::Unclosed;
                i += 1;
                break;
            }
            if (buf[i] == close) {
                ++i;
                break;
            }
            size_t nameStart = i;
            for (;; ++i) {
                i = scan::FindFirstOf<'=', ',', '}', ')', '\n', '\r'>(buf.data(), i, n);
                if (i >= n || buf[i] == '=' || buf[i] == ',' || buf[i] == close || lineEndStartsEntry(i))
                    break;
            }
            if (i >= n) {
                if (!eof)
                    return Unit::NeedMore;
                how = End::CutOff;
                break;
            }
            if (buf[i] != '=') { // a stray word: the loop goes on at the delimiter
                bool more = false;
                i = unplacedEnd(nameStart, more);
                if (more)
                    return Unit::NeedMore;
                unplaced(nameStart, i);
                continue;
            }
            // In an entry closed by ")" a name can hold braces, which would
            // close or open the braced entry it is saved in. They go before
            // the blanks are folded and trimmed, so that a brace between
            // blanks or next to a control character leaves nothing the next
            // reading would fold or trim again.
            std::string name(buf.substr(nameStart, i - nameStart));
            std::erase_if(name, [](char ch) { return ch == '{' || ch == '}'; });
            name = Folded(name);
            for (char& ch : name)
                ch = LowerAscii(ch);
            // Written back at the start of a line, "@word{" would read as a
            // new entry: a name never starts with "@".
            // The bytes after the "@" go as well when the reader would skip
            // them in front of a name (blanks and control characters).
            if (!name.empty() && name[0] == '@') {
                size_t k = 0;
                while (k < name.size() && (name[k] == '@' || IsSpace(name[k])))
                    ++k;
                name.erase(0, k);
            }
            ++i;
            // The value: atoms joined by "#".
            size_t valueStart = n, valueEnd = n;
            int atoms = 0;
            bool single = false; // one braced or quoted atom, or a number
            size_t contentStart = 0, contentEnd = 0;
            bool lost = false;
            for (;;) {
                while (i < n && IsSpace(buf[i]) && !lineEndStartsEntry(i))
                    ++i;
                if (i >= n || lineEndStartsEntry(i) || buf[i] == ',' || buf[i] == close)
                    break;
                if (valueStart == n)
                    valueStart = i;
                char c = buf[i];
                if (c == '{' || c == '"') {
                    int depth = 0;
                    size_t k = i + 1;
                    bool stopped = false;
                    for (;; ++k) {
                        // Only braces, quotes and line ends matter inside a value.
                        k = c == '{' ? scan::FindFirstOf<'{', '}', '\n', '\r'>(buf.data(), k, n)
                                     : scan::FindFirstOf<'{', '}', '"', '\n', '\r'>(buf.data(), k, n);
                        if (k >= n)
                            break;
                        char d = buf[k];
                        if (d == '{')
                            ++depth;
                        else if (d == '}') {
                            if (depth == 0 && c == '{')
                                break;
                            --depth;
                        } else if (d == '"' && c == '"' && depth <= 0)
                            break;
                        else if ((d == '\n' || d == '\r') && LineStartsEntry(buf, k + 1, eof)) {
                            stopped = true;
                            break;
                        }
                    }
                    if (k >= n && !eof)
                        return Unit::NeedMore;
                    const char delim = c == '{' ? '}' : '"';
                    // Only a broken entry pays for the search of its recovery point.
                    size_t cand = m_recover || stopped || k >= n ? Candidate(buf, i + 1, k, delim) : k;
                    if (m_recover && !stopped && k < n && cand < k) {
                        // Read again after the entry did not close: the value
                        // that swallowed its neighbours ends at its own line.
                        if (!brokenReported) {
                            Report("Unbalanced braces in field " + name + " of entry " + refText() + ".");
                            brokenReported = true;
                        }
                        k = cand;
                    } else if (stopped || k >= n) {
                        // Unbalanced braces: the value ends at the first closing
                        // delimiter that ends its line (after an optional comma).
                        size_t m = cand;
                        if (!brokenReported) {
                            Report("Unbalanced braces in field " + name + " of entry " + refText() + ".");
                            brokenReported = true;
                        }
                        if (m >= k) {
                            lost = true;
                            i = k;
                            break;
                        }
                        k = m;
                    }
                    contentStart = i + 1;
                    contentEnd = k;
                    i = k + 1;
                    single = atoms == 0;
                } else {
                    size_t k = i;
                    // A word ends at a brace of either kind: "}" inside an entry
                    // closed by ")" would close the saved, braced entry.
                    while (k < n && !IsSpace(buf[k]) && buf[k] != '#' && buf[k] != ',' && buf[k] != close &&
                           buf[k] != '{' && buf[k] != '}' && buf[k] != '"')
                        ++k;
                    if (k >= n && !eof)
                        return Unit::NeedMore;
                    if (k == i) { // a stray "}" or "#" where a word should be: skipped
                        ++i;
                        if (atoms == 0) {
                            unplaced(valueStart, i);
                            valueStart = n;
                        }
                        continue;
                    }
                    bool number = true;
                    for (size_t m = i; m < k; ++m)
                        number = number && buf[m] >= '0' && buf[m] <= '9';
                    single = atoms == 0 && number;
                    contentStart = i;
                    contentEnd = k;
                    i = k;
                }
                ++atoms;
                valueEnd = i;
                size_t j = i;
                while (j < n && IsSpace(buf[j]) && !lineEndStartsEntry(j))
                    ++j;
                if (j < n && buf[j] == '#') {
                    i = j + 1;
                    continue;
                }
                if (j >= n && !eof)
                    return Unit::NeedMore;
                break;
            }
            if (lost)
                continue; // the field cannot be told apart from what follows it
            Bibfield f;
            f.Name = std::move(name);
            if (atoms == 1 && single) {
                // Folded straight into the field, trimmed first (see Folded).
                const std::string_view content =
                    TrimView(buf.substr(contentStart, contentEnd - contentStart));
                f.Value.reserve(content.size());
                bool prev = false;
                AppendFolded<true>(f.Value, content, prev);
            } else if (atoms > 0) {
                f.Value = Folded<true>(buf.substr(valueStart, valueEnd - valueStart));
                f.Bare = true;
            }
            m_fields.push_back(std::move(f));
            if (i >= n && !eof)
                return Unit::NeedMore;
            // A word or a second value after the value, before the delimiter.
            size_t j = i;
            while (j < n && IsSpace(buf[j]) && !lineEndStartsEntry(j))
                ++j;
            if (j < n && buf[j] != ',' && buf[j] != close && !lineEndStartsEntry(j)) {
                bool more = false;
                i = unplacedEnd(j, more);
                if (more)
                    return Unit::NeedMore;
                unplaced(j, i);
            }
        }
    } else {
        how = End::Unclosed; // a line starting an entry came before the ","
    }
    if (how == End::CutOff && !eof)
        return Unit::NeedMore;
    if ((how == End::CutOff || how == End::Unclosed) && !m_recover)
        return Unit::Retry;

    next = how == End::Unclosed ? i : std::min(i, n);
    if (how == End::CutOff) {
        m_unitErrors.clear();
        Report("The file ends inside entry " + refText() + "; the entry is dropped.");
        m_pendingTrailing = TidyLines(buf.substr(commentStart, at - commentStart));
        next = n;
        return Unit::Done;
    }
    if (how == End::Unclosed && !brokenReported)
        Report("Entry " + refText() + " is not closed; it ends where the next entry starts.");

    item.ItemType = std::string(type);
    item.LeadingText = TidyLines(buf.substr(commentStart, at - commentStart));
    item.HasDocument = HasDocument(item.Reference);
    size_t keep = std::min<size_t>(m_fields.size(), kMaxFields);
    if (m_fields.size() > keep) {
        std::string dropped;
        for (size_t k = keep; k < m_fields.size(); ++k)
            dropped += (k > keep ? ", " : "") + m_fields[k].Name;
        Report("Entry " + refText() + " has more than " + std::to_string(kMaxFields) +
               " fields; dropped: " + dropped + ".");
    }
    item.Fields.reserve(keep);
    for (size_t k = 0; k < keep; ++k) {
        Bibfield& f = m_fields[k];
        // Entries of one library mostly list the same fields in the same
        // order: a name equal to the one at this place in the previous entry
        // is known already and needs no look-up.
        if (m_ctx.schema && (k >= m_namesAt.size() || m_namesAt[k] != f.Name)) {
            if (m_fieldNames.find(f.Name) == m_fieldNames.end()) {
                m_fieldNames.insert(f.Name);
                m_ctx.schema->AddFieldName(f.Name);
            }
            if (k >= m_namesAt.size())
                m_namesAt.resize(k + 1);
            m_namesAt[k] = f.Name;
        }
        if (m_ctx.keywords && f.Name == "key")
            AddKeywordsFast(f.Value);
        item.Fields.push_back(std::move(f));
    }
    m_bib.Library.push_back(std::move(item));
    m_pendingTrailing.clear();
    return Unit::Done;
}

void BibReader::AddKeywordsFast(std::string_view value)
{
    size_t i = 0;
    while (i <= value.size()) {
        size_t j = value.find(' ', i);
        if (j == std::string_view::npos)
            j = value.size();
        std::string_view k = TrimView(value.substr(i, j - i));
        if (!k.empty() && m_keywords.find(k) == m_keywords.end()) {
            m_keywords.emplace(k);
            m_ctx.keywords->emplace_back(k);
        }
        i = j + 1;
    }
}

// The first closing delimiter in [from, to) that ends its line, after an
// optional comma; to when there is none.
size_t BibReader::Candidate(std::string_view buf, size_t from, size_t to, char delim)
{
    // What follows a candidate is looked at in the whole buffer: the end of the
    // searched range is not a line end (a delimiter just before it would
    // otherwise cut a balanced value such as {{New York}} short).
    const size_t n = buf.size();
    for (size_t m = from; m < to; ++m) {
        if (buf[m] != delim)
            continue;
        size_t e = m + 1;
        while (e < n && (buf[e] == ' ' || buf[e] == '\t'))
            ++e;
        if (e < n && buf[e] == ',')
            ++e;
        while (e < n && (buf[e] == ' ' || buf[e] == '\t'))
            ++e;
        if (e >= n || buf[e] == '\n' || buf[e] == '\r')
            return m;
    }
    return to;
}

int BibReader::Finish()
{
    m_bib.TrailingText = std::move(m_pendingTrailing);
    return static_cast<int>(m_bib.Library.size());
}

int ReadBibText(std::string_view bytes, TBib& bib, ReadContext& ctx)
{
    bib.Clear();
    bib.Utf8 = true;
    BibReader reader(bib, ctx);
    reader.Parse(bytes, true);
    return reader.Finish();
}

int ReadBibFile(const std::string& path, TBib& bib, ReadContext& ctx)
{
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        throw FileError("Cannot open file \"" + path + "\".");
    bib.Clear();
    bib.Utf8 = true;
    BibReader reader(bib, ctx);
    // One buffer for the whole read: each chunk is read straight in behind
    // the unread rest of the previous one, never zero-filled first.
    std::unique_ptr<char[]> buf;
    size_t cap = 0, size = 0;
    size_t chunk = 1 << 20;
    bool eof = false;
    try {
        while (!eof) {
            if (size + chunk > cap) {
                cap = size + chunk;
                auto bigger = std::make_unique_for_overwrite<char[]>(cap);
                if (size > 0)
                    std::memcpy(bigger.get(), buf.get(), size);
                buf = std::move(bigger);
            }
            size_t got = std::fread(buf.get() + size, 1, chunk, f);
            size += got;
            if (got < chunk) {
                if (std::ferror(f))
                    throw FileError("Cannot read file \"" + path + "\".");
                eof = true;
            }
            size_t used = reader.Parse(std::string_view(buf.get(), size), eof);
            if (used > 0 && used < size)
                std::memmove(buf.get(), buf.get() + used, size - used);
            size -= used;
            // A unit longer than the buffer is read again with each chunk:
            // grow the chunks so that this stays linear.
            chunk = used == 0 ? std::min<size_t>(chunk * 2, size_t(1) << 30) : size_t(1) << 20;
        }
    } catch (...) {
        std::fclose(f);
        throw;
    }
    std::fclose(f);
    return reader.Finish();
}

} // namespace lorix
