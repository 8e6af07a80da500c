#include "exchange/medline.h"

#include "core/errors.h"
#include "core/fileio.h"
#include "core/text.h"

namespace lorix {

size_t ImportLimitBytes(const SettingsList& settings)
{
    const int kb = settings.Has(key::ImportMaxKb) ? settings.ReadInt(key::ImportMaxKb) : 0;
    return static_cast<size_t>(kb > 0 ? kb : 16384) * 1024;
}

std::string ImportTooLargeText(const SettingsList& settings, const std::string& what)
{
    return what + " is larger than " + std::to_string(ImportLimitBytes(settings) / 1024) +
           " KB, the limit set by \"import.maxkb\".";
}

std::string ReadImportFile(const SettingsList& settings, const std::string& path)
{
    std::string text;
    if (!ReadFileUpTo(path, ImportLimitBytes(settings), text))
        throw FileError(ImportTooLargeText(settings, "The file \"" + path + "\""));
    return text;
}

std::string PrepareImportText(std::string_view text)
{
    std::vector<std::string_view> lines;
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) {
            lines.push_back(text.substr(pos));
            break;
        }
        lines.push_back(text.substr(pos, end - pos));
        pos = end + 1;
        if (text[end] == '\r' && pos < text.size() && text[pos] == '\n')
            ++pos;
    }
    size_t indent = 0;
    if (!lines.empty())
        while (indent < lines[0].size() && lines[0][indent] == ' ')
            ++indent;
    std::string out;
    out.reserve(text.size() + lines.size() * 2);
    for (std::string_view line : lines) {
        if (indent > 0 && line.size() >= indent && line.find_first_not_of(' ') >= indent)
            line.remove_prefix(indent);
        out.append(line);
        out.append("\r\n");
    }
    return out;
}

namespace {

// The working text while the entries of one tag are taken out of it in turn.
// Erasing each entry from a std::string would move the whole rest of the text
// once per entry, and a record with thousands of authors made that
// quadratic. Here the text is the kept part t[0, w) followed by the part
// not yet looked at, t[r, end): taking an entry out moves only the text
// between it and the previous one, so all entries of a tag cost one pass.
// The gap between the two parts is closed when the cursor ends.
class TagCursor {
  public:
    explicit TagCursor(std::string& text) : m_t(text) {}
    ~TagCursor() { m_t.erase(m_w, m_r - m_w); }
    TagCursor(const TagCursor&) = delete;
    TagCursor& operator=(const TagCursor&) = delete;

    // Takes the first entry of tag out of the text and gives its value (its
    // continuation lines joined by single blanks); false when there is none.
    bool Take(std::string_view tag, std::string& value)
    {
        size_t p = m_from == 0 && tag[0] == '\n' && MatchesAt(0, tag.substr(1)) ? 0 : Find(tag, m_from);
        if (p == npos)
            return false;
        size_t s = Find("-", p);
        if (s == npos)
            return false;
        ++s;
        value.clear();
        std::string piece;
        while (s < Size() && At(s) == ' ') {
            size_t cr = Find("\r", s);
            if (cr == npos)
                cr = Size();
            const std::string_view rest = TrimView(Piece(s, cr, piece));
            if (!rest.empty())
                value.append(value.empty() ? "" : " ").append(rest);
            s = std::min(cr + 2, Size());
        }
        Erase(p, s);
        // Nothing before p matched, so the next entry cannot start before the
        // last characters that now meet the text after the removed one.
        m_from = p >= tag.size() - 1 ? p - (tag.size() - 1) : 0;
        return true;
    }

  private:
    static constexpr size_t npos = std::string::npos;
    size_t Size() const { return m_w + (m_t.size() - m_r); }
    char At(size_t i) const { return i < m_w ? m_t[i] : m_t[m_r + (i - m_w)]; }
    bool MatchesAt(size_t i, std::string_view s) const
    {
        for (size_t j = 0; j < s.size(); ++j)
            if (i + j >= Size() || At(i + j) != s[j])
                return false;
        return true;
    }
    // First position at or after from where s starts, or npos. Only the last
    // few characters of the kept part can be looked at here (from is never
    // further back), the rest is one search of the unread part.
    size_t Find(std::string_view s, size_t from) const
    {
        for (size_t i = from; i < m_w; ++i)
            if (MatchesAt(i, s))
                return i;
        const size_t k = m_t.find(s, m_r + (from > m_w ? from - m_w : 0));
        return k == npos ? npos : m_w + (k - m_r);
    }
    // The characters from a to b; a view of the text where it is in one piece.
    std::string_view Piece(size_t a, size_t b, std::string& scratch) const
    {
        if (a >= m_w)
            return std::string_view(m_t).substr(m_r + (a - m_w), b - a);
        scratch.clear();
        for (size_t i = a; i < b; ++i)
            scratch += At(i);
        return scratch;
    }
    void Erase(size_t p, size_t s)
    {
        if (s <= m_w) { // within the kept part
            std::char_traits<char>::move(&m_t[p], &m_t[s], m_w - s);
            m_w -= s - p;
            return;
        }
        if (p > m_w) // keep what lies between the kept part and the entry
            std::char_traits<char>::move(&m_t[m_w], &m_t[m_r], p - m_w);
        m_r += s - m_w;
        m_w = p;
    }

    std::string& m_t;
    size_t m_w = 0, m_r = 0; // the whole text is unread at first
    size_t m_from = 0;
};

void AddComma(std::string_view tag, std::string& value)
{
    if (tag == "AU") {
        const size_t blank = value.find(' ');
        if (blank != std::string::npos)
            value.insert(blank, ",");
    }
}

} // namespace

std::string FindTag(std::string& text, std::string_view tag)
{
    std::string value;
    TagCursor(text).Take(tag, value);
    AddComma(tag, value);
    return value;
}

std::vector<std::string> FindTagEntries(std::string& text, std::string_view tag)
{
    std::vector<std::string> values;
    std::string v;
    TagCursor cursor(text);
    while (cursor.Take(tag, v) && !v.empty()) {
        AddComma(tag, v);
        values.push_back(v);
    }
    return values;
}

namespace {

// Every entry of one author tag, joined by " AND "; first gets the first value.
std::string Authors(std::string& t, std::string_view tag, std::string& first)
{
    std::string author;
    for (const std::string& v : FindTagEntries(t, tag)) {
        if (author.empty()) {
            author = v;
            first = v;
        } else {
            author += " AND ";
            author += v;
        }
    }
    return author;
}

} // namespace

MedlineRecord ReadMedlineRecord(std::string_view prepared)
{
    MedlineRecord r;
    std::string t(prepared);
    std::string title = FindTag(t, "TI ");
    if (title.empty())
        return r;
    if (title.back() == '.')
        title.pop_back();
    std::string first;
    std::string author = Authors(t, "\nFAU", first);
    if (author.empty())
        author = Authors(t, "AU", first);
    if (author.empty()) {
        r.Outcome = MedlineOutcome::NoAuthor;
        return r;
    }
    const size_t blank = first.find(' ');
    std::string stem = blank == std::string::npos ? std::string() : LowerAscii(first.substr(0, blank));
    if (!stem.empty() && stem.back() == ',')
        stem.pop_back();

    const std::string journal = FindTag(t, "TA  ");
    const std::string number = FindTag(t, "IP");
    const std::string volume = FindTag(t, "VI");
    const std::string pages = FindTag(t, "PG");
    const std::string date = FindTag(t, "DP");
    const size_t dateBlank = date.find(' ');
    const std::string year = date.substr(0, dateBlank);

    Bibitem& b = r.Item;
    b.ItemType = "article";
    b.Reference = ReferenceText(stem + ":" + year);
    b.Fields.push_back({"title", title});
    b.Fields.push_back({"author", author});
    for (const auto& [name, value] :
         {std::pair{"journal", &journal}, {"number", &number}, {"volume", &volume}, {"pages", &pages}})
        if (!value->empty())
            b.Fields.push_back({name, *value});
    if (dateBlank != std::string::npos)
        b.Fields.push_back({"month", date.substr(dateBlank + 1)});
    b.Fields.push_back({"year", year});

    std::string abstract = FindTag(t, "AB");
    std::string line;
    line.reserve(abstract.size());
    for (char c : abstract)
        if (c != '\r')
            line += c == '\n' ? ' ' : c;
    r.Abstract = std::move(line);
    r.Outcome = MedlineOutcome::Added;
    return r;
}

bool ImportMedline(Session& s, std::string_view prepared, const std::function<void()>& beforeAdd)
{
    MedlineRecord r = ReadMedlineRecord(prepared);
    if (r.Outcome == MedlineOutcome::NoTitle) {
        s.Error(kImportNoItem);
        return false;
    }
    if (r.Outcome == MedlineOutcome::NoAuthor) {
        s.Error(kImportNoAuthor);
        return false;
    }
    if (beforeAdd)
        beforeAdd();
    r.Item.Reference = UniqueReference(s.Bib, r.Item.Reference);
    const std::string ref = r.Item.Reference;
    s.Bib.Library.push_back(std::move(r.Item));
    s.Status("Added item " + ref + " from Clipboard.");
    if (!r.Abstract.empty()) {
        s.NotesList.push_back(ref);
        s.NotesList.push_back(std::move(r.Abstract));
    }
    return true;
}

} // namespace lorix
