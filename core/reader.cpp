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
#include <sys/stat.h>

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

// Appends src to out with the blank folding of values: a run of blanks and
// line ends becomes one blank. Ordinary text between the places where
// something is dropped is appended as whole spans.
void AppendFolded(std::string& out, std::string_view src, bool& prevBlank)
{
    const char* p = src.data();
    size_t i = 0, n = src.size();
    while (i < n) {
        if (!prevBlank) {
            bool found = false;
            const size_t len = PlainRun(p, i, n, found);
            out.append(p + i, len);
            if (!found) {
                prevBlank = n > 0 && p[n - 1] == ' ';
                return;
            }
            out.push_back(' '); // the first blank of a run, or a line end as one
            prevBlank = true;
            i += len + 1;
            continue;
        }
        const char c = p[i];
        if (c == '\r' || c == '\n' || c == ' ')
            ++i; // the rest of a run is dropped
        else
            prevBlank = false;
    }
}

bool IsBlockType(std::string_view type)
{
    return EqualsNoCase(type, "string") || EqualsNoCase(type, "preamble") || EqualsNoCase(type, "comment");
}

} // namespace

std::string FoldValue(std::string_view raw)
{
    // Trimming first changes nothing in the result (folding only turns
    // blanks and line ends into one blank, and trimming removes every byte up
    // to 32 at either end), but it spares building the untrimmed text.
    std::string out;
    bool prev = false;
    AppendFolded(out, TrimView(raw), prev);
    return out;
}

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

size_t MissingCommaAt(std::string_view reference)
{
    const auto gap = std::find_if(reference.begin(), reference.end(), IsSpace);
    if (gap == reference.end() || std::find(gap, reference.end(), '=') == reference.end())
        return std::string_view::npos;
    return static_cast<size_t>(gap - reference.begin());
}

std::string FieldNameFromFile(std::string_view raw)
{
    std::string name = FieldNameText(raw);
    for (char& c : name)
        c = LowerAscii(c);
    return name;
}

std::string BlockClosing(int depth, char close)
{
    // In a block closed by ")" both kinds of brackets nest, and a "}" at the
    // top may have left the depth below zero.
    std::string s(static_cast<size_t>(std::abs(depth)), depth > 0 ? (close == '}' ? '}' : ')') : '(');
    s.push_back(close);
    return s;
}

size_t BibReader::NoCaseHash::operator()(std::string_view s) const noexcept
{
    return static_cast<size_t>(HashNoCase(s));
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
    DocumentPath docs = SplitDocumentPath(ctx.pdfPath);
    m_docPrefix = std::move(docs.NameStart);
    std::error_code ec;
    std::filesystem::directory_iterator it(docs.Folder, ec), end;
    if (ec) {
        m_docListed = !std::filesystem::exists(docs.Folder); // missing folder: no documents
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
    // The stems of the listing stand for DocumentFileName's four look-ups.
    m_docKey.assign(m_docPrefix).append(DocumentStem(reference));
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
        Result u = ReadUnit(buf, pos, at, type, open, eof, next);
        if (u == Result::Retry) {
            m_unitErrors.clear();
            m_line = savedLine;
            m_linePos = savedPos;
            m_recover = true;
            u = ReadUnit(buf, pos, at, type, open, eof, next);
        }
        if (u == Result::NeedMore) {
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

// The entry being read: where the reader is in the buffer, and what it has
// found so far.
struct BibReader::Entry {
    Entry(std::string_view b, bool atEof, char closing, size_t comment, size_t atSign, std::string_view t)
        : buf(b), n(b.size()), eof(atEof), close(closing), commentStart(comment), at(atSign), type(t)
    {
    }
    std::string_view buf;
    size_t n;
    bool eof;
    char close;          // "}" or ")"
    size_t commentStart; // comment text before the entry starts here
    size_t at;           // the "@"
    std::string_view type;
    size_t i = 0; // the next byte to read
    Bibitem item;
    enum class End { Closed, Unclosed, CutOff } how = End::Closed;
    bool brokenReported = false;
    long line = 0; // of the "@", counted when first needed
};

BibReader::Result BibReader::ReadUnit(std::string_view buf, size_t commentStart, size_t at,
                                      std::string_view type, size_t open, bool eof, size_t& next)
{
    if (IsBlockType(type))
        return ReadBlock(buf, commentStart, at, type, open, eof, next);
    Entry e(buf, eof, buf[open] == '{' ? '}' : ')', commentStart, at, type);
    e.i = open + 1;
    return ReadEntry(e, next);
}

// An @string, @preamble or @comment block, kept as text with the comment
// text before it.
BibReader::Result BibReader::ReadBlock(std::string_view buf, size_t commentStart, size_t at,
                                       std::string_view type, size_t open, bool eof, size_t& next)
{
    const char close = buf[open] == '{' ? '}' : ')';
    const size_t n = buf.size();
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
        return Result::NeedMore;
    const bool unclosed = broken || i >= n;
    size_t end = unclosed ? i : i + 1;
    std::string block = TidyLines(buf.substr(commentStart, at - commentStart));
    if (!block.empty())
        block.push_back('\n');
    block += TidyLines(buf.substr(at, end - at));
    if (unclosed) {
        // Closed where its text ends: written back open, before the first
        // entry, it would take in the text that follows it.
        block += BlockClosing(depth, close);
        Report("The @" + std::string(type) + " block at line " + std::to_string(LineAt(buf, at)) +
               " is not closed; it is closed where its text ends.");
    }
    m_bib.Blocks.push_back(std::move(block));
    m_pendingTrailing.clear();
    next = end;
    return Result::Done;
}

// An entry in its steps: the reference, then field after field (name, value,
// text after the value), then the finish that counts and stores it.
BibReader::Result BibReader::ReadEntry(Entry& e, size_t& next)
{
    m_fields.clear();
    bool fields = false;
    if (ReadReference(e, fields) == Step::NeedMore)
        return Result::NeedMore;
    while (fields) {
        Bibfield f;
        Step step = ReadFieldName(e, f.Name);
        if (step == Step::Ok)
            step = ReadValue(e, f);
        if (step == Step::NeedMore)
            return Result::NeedMore;
        if (step == Step::End)
            break;
        if (step == Step::Skip)
            continue;
        m_fields.push_back(std::move(f));
        if (e.i >= e.n && !e.eof)
            return Result::NeedMore;
        if (SkipUnplaced(e) == Step::NeedMore)
            return Result::NeedMore;
    }
    return FinishEntry(e, next);
}

bool BibReader::LineEndStartsEntry(const Entry& e, size_t k) const
{
    return (e.buf[k] == '\n' || e.buf[k] == '\r') && LineStartsEntry(e.buf, k + 1, e.eof);
}

std::string BibReader::EntryName(Entry& e)
{
    // The entry's line is counted once, before any later position is.
    if (e.line == 0)
        e.line = LineAt(e.buf, e.at);
    return (e.item.Reference.empty() ? std::string("(no reference)") : e.item.Reference) + " at line " +
           std::to_string(e.line);
}

// The reference, up to "," or the closing delimiter. fields: fields follow.
BibReader::Step BibReader::ReadReference(Entry& e, bool& fields)
{
    const std::string_view buf = e.buf;
    size_t i = e.i;
    while (i < e.n && buf[i] != ',' && buf[i] != e.close && !LineEndStartsEntry(e, i))
        ++i;
    if (i >= e.n && !e.eof)
        return Step::NeedMore;
    std::string_view raw = TrimView(buf.substr(e.i, i - e.i));
    const size_t gap = MissingCommaAt(raw);
    if (gap != std::string_view::npos) {
        i = static_cast<size_t>(raw.data() - buf.data()) + gap;
        raw = raw.substr(0, gap);
    }
    e.item.Reference = ReferenceText(raw);
    e.i = i;
    fields = false;
    if (i >= e.n) {
        e.how = Entry::End::CutOff;
    } else if (buf[i] == e.close) {
        ++e.i;
    } else if (buf[i] == ',' || gap != std::string_view::npos) {
        ++e.i;
        fields = true;
        if (gap != std::string_view::npos)
            Report("Entry " + EntryName(e) +
                   " has no comma after its reference; what follows is read as fields.");
    } else {
        e.how = Entry::End::Unclosed; // a line starting an entry came before the ","
    }
    return Step::Ok;
}

// A field name up to "="; commas and blanks between fields are skipped.
// End when the entry ends here, Skip after a stray word.
BibReader::Step BibReader::ReadFieldName(Entry& e, std::string& name)
{
    const std::string_view buf = e.buf;
    const size_t n = e.n;
    size_t& i = e.i;
    while (i < n && (IsSpace(buf[i]) || buf[i] == ',')) {
        if (LineEndStartsEntry(e, i))
            break;
        ++i;
    }
    if (i >= n) {
        if (!e.eof)
            return Step::NeedMore;
        e.how = Entry::End::CutOff;
        return Step::End;
    }
    if (LineEndStartsEntry(e, i)) {
        e.how = Entry::End::Unclosed;
        i += 1;
        return Step::End;
    }
    if (buf[i] == e.close) {
        ++i;
        return Step::End;
    }
    const size_t nameStart = i;
    for (;; ++i) {
        i = scan::FindFirstOf<'=', ',', '}', ')', '\n', '\r'>(buf.data(), i, n);
        if (i >= n || buf[i] == '=' || buf[i] == ',' || buf[i] == e.close || LineEndStartsEntry(e, i))
            break;
    }
    if (i >= n) {
        if (!e.eof)
            return Step::NeedMore;
        e.how = Entry::End::CutOff;
        return Step::End;
    }
    if (buf[i] != '=') { // a stray word: the next step starts at the delimiter
        bool more = false;
        i = UnplacedEnd(e, nameStart, more);
        if (more)
            return Step::NeedMore;
        Unplaced(e, nameStart, i);
        return Step::Skip;
    }
    name = FieldNameFromFile(buf.substr(nameStart, i - nameStart));
    ++i;
    return Step::Ok;
}

// The value after "=": atoms (braced, quoted, words) joined by "#". One
// braced or quoted atom, or a number, is the value itself; anything else is
// kept as written and marked bare. Skip when the value cannot be told apart
// from what follows it (unbalanced braces with no line to end them).
BibReader::Step BibReader::ReadValue(Entry& e, Bibfield& f)
{
    const std::string_view buf = e.buf;
    const size_t n = e.n;
    size_t& i = e.i;
    size_t valueStart = n, valueEnd = n;
    int atoms = 0;
    bool single = false; // one braced or quoted atom, or a number
    size_t contentStart = 0, contentEnd = 0;
    for (;;) {
        while (i < n && IsSpace(buf[i]) && !LineEndStartsEntry(e, i))
            ++i;
        if (i >= n || LineEndStartsEntry(e, i) || buf[i] == ',' || buf[i] == e.close)
            break;
        if (valueStart == n)
            valueStart = i;
        if (buf[i] == '{' || buf[i] == '"') {
            const Step step = ReadDelimited(e, f.Name, contentStart, contentEnd);
            if (step != Step::Ok)
                return step;
            single = atoms == 0;
        } else {
            size_t k = i;
            // A word ends at a brace of either kind: "}" inside an entry
            // closed by ")" would close the saved, braced entry.
            while (k < n && !IsSpace(buf[k]) && buf[k] != '#' && buf[k] != ',' && buf[k] != e.close &&
                   buf[k] != '{' && buf[k] != '}' && buf[k] != '"')
                ++k;
            if (k >= n && !e.eof)
                return Step::NeedMore;
            if (k == i) { // a stray "}" or "#" where a word should be: skipped
                ++i;
                if (atoms == 0) {
                    Unplaced(e, valueStart, i);
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
        while (j < n && IsSpace(buf[j]) && !LineEndStartsEntry(e, j))
            ++j;
        if (j < n && buf[j] == '#') {
            i = j + 1;
            continue;
        }
        if (j >= n && !e.eof)
            return Step::NeedMore;
        break;
    }
    if (atoms == 1 && single) {
        // Folded straight into the field, trimmed first (see FoldValue).
        const std::string_view content = TrimView(buf.substr(contentStart, contentEnd - contentStart));
        f.Value.reserve(content.size());
        bool prev = false;
        AppendFolded(f.Value, content, prev);
    } else if (atoms > 0) {
        f.Value = FoldValue(buf.substr(valueStart, valueEnd - valueStart));
        f.Bare = true;
    }
    return Step::Ok;
}

// A braced or quoted atom starting at e.i: its content is [contentStart,
// contentEnd), and e.i ends past its closing delimiter. Braces that do not
// balance are reported; the atom then ends at the first closing delimiter
// that ends its line.
BibReader::Step BibReader::ReadDelimited(Entry& e, const std::string& name, size_t& contentStart,
                                         size_t& contentEnd)
{
    const std::string_view buf = e.buf;
    const size_t n = e.n;
    size_t& i = e.i;
    const char c = buf[i];
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
        else if ((d == '\n' || d == '\r') && LineStartsEntry(buf, k + 1, e.eof)) {
            stopped = true;
            break;
        }
    }
    if (k >= n && !e.eof)
        return Step::NeedMore;
    const char delim = c == '{' ? '}' : '"';
    // Only a broken entry pays for the search of its recovery point.
    const size_t cand = m_recover || stopped || k >= n ? Candidate(buf, i + 1, k, delim) : k;
    if ((m_recover && !stopped && k < n && cand < k) || stopped || k >= n) {
        if (!e.brokenReported) {
            Report("Unbalanced braces in field " + name + " of entry " + EntryName(e) + ".");
            e.brokenReported = true;
        }
        // Read again after the entry did not close, the value that swallowed
        // its neighbours ends at its own line; so does a value cut off by
        // the next entry or the end of the file.
        if ((stopped || k >= n) && cand >= k) {
            i = k;
            return Step::Skip; // the field cannot be told apart from what follows it
        }
        k = cand;
    }
    contentStart = i + 1;
    contentEnd = k;
    i = k + 1;
    return Step::Ok;
}

// Text after a value that belongs to no field (a word, a second value) is
// reported and skipped up to the next delimiter.
BibReader::Step BibReader::SkipUnplaced(Entry& e)
{
    size_t j = e.i;
    while (j < e.n && IsSpace(e.buf[j]) && !LineEndStartsEntry(e, j))
        ++j;
    if (j >= e.n || e.buf[j] == ',' || e.buf[j] == e.close || LineEndStartsEntry(e, j))
        return Step::Ok;
    bool more = false;
    e.i = UnplacedEnd(e, j, more);
    if (more)
        return Step::NeedMore;
    Unplaced(e, j, e.i);
    return Step::Ok;
}

// The end of text that belongs to no field, from j: the next "," or closing
// delimiter outside braces. Braces that do not close before the next entry
// end it at the first delimiter instead. more: the buffer ended before this
// could be told.
size_t BibReader::UnplacedEnd(const Entry& e, size_t j, bool& more) const
{
    int depth = 0;
    size_t k = j;
    for (; k < e.n; ++k) {
        const char d = e.buf[k];
        if (d == '{')
            ++depth;
        else if (d == '}' && depth > 0)
            --depth;
        else if (depth == 0 && (d == ',' || d == e.close))
            return k;
        else if (LineEndStartsEntry(e, k))
            break;
    }
    if (k >= e.n && !e.eof) {
        more = true;
        return e.n;
    }
    for (k = j; k < e.n && e.buf[k] != ',' && e.buf[k] != e.close && !LineEndStartsEntry(e, k); ++k) {
    }
    return k;
}

// Text that belongs to no field is dropped, but never in silence.
void BibReader::Unplaced(Entry& e, size_t from, size_t to)
{
    const std::string_view text = TrimView(e.buf.substr(from, to - from));
    if (text.empty())
        return;
    const std::string entry = EntryName(e);
    const std::string shown = text.size() > 40 ? std::string(text.substr(0, 40)) + "..." : std::string(text);
    Report("Entry " + entry + ": the text \"" + shown + "\" at line " + std::to_string(LineAt(e.buf, from)) +
           " belongs to no field; it is dropped.");
}

// The end of an entry: one that did not close is read again in recovery mode
// (or dropped when the file ends inside it); a complete one is stored with at
// most kMaxFields fields, its field names added to the schema's list and the
// keywords of its "key" fields to the keyword list.
BibReader::Result BibReader::FinishEntry(Entry& e, size_t& next)
{
    using End = Entry::End;
    if (e.how == End::CutOff && !e.eof)
        return Result::NeedMore;
    if ((e.how == End::CutOff || e.how == End::Unclosed) && !m_recover)
        return Result::Retry;

    const std::string_view comment = e.buf.substr(e.commentStart, e.at - e.commentStart);
    next = e.how == End::Unclosed ? e.i : std::min(e.i, e.n);
    if (e.how == End::CutOff) {
        m_unitErrors.clear();
        Report("The file ends inside entry " + EntryName(e) + "; the entry is dropped.");
        m_pendingTrailing = TidyLines(comment);
        next = e.n;
        return Result::Done;
    }
    if (e.how == End::Unclosed && !e.brokenReported)
        Report("Entry " + EntryName(e) + " is not closed; it ends where the next entry starts.");

    Bibitem& item = e.item;
    item.ItemType = std::string(e.type);
    item.LeadingText = TidyLines(comment);
    item.HasDocument = HasDocument(item.Reference);
    const size_t keep = std::min<size_t>(m_fields.size(), kMaxFields);
    if (m_fields.size() > keep) {
        std::string dropped;
        for (size_t k = keep; k < m_fields.size(); ++k)
            dropped += (k > keep ? ", " : "") + m_fields[k].Name;
        Report("Entry " + EntryName(e) + " has more than " + std::to_string(kMaxFields) +
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
            AddKeywords(f.Value);
        item.Fields.push_back(std::move(f));
    }
    m_bib.Library.push_back(std::move(item));
    m_pendingTrailing.clear();
    return Result::Done;
}

void BibReader::AddKeywords(std::string_view value)
{
    while (!value.empty()) {
        const std::string_view k = NextKeyword(value);
        if (!k.empty() && m_keywords.find(k) == m_keywords.end()) {
            m_keywords.emplace(k);
            m_ctx.keywords->emplace_back(k);
        }
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
    // Room for all the entries at once: real libraries hold 250 bytes or more
    // an entry, and an item array grown by doubling leaves a copy behind at
    // each step, all of it fresh memory to be provided. Room not used is
    // never touched.
    struct stat st {};
    if (fstat(fileno(f), &st) == 0 && S_ISREG(st.st_mode))
        bib.Library.reserve(static_cast<size_t>(st.st_size) / 256);
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
