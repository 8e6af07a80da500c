#include "exchange/medline.h"

#include "core/text.h"

namespace lorix {

std::string PrepareImportText(std::string_view text, LineEnd /*lineEnd*/)
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

std::string FindTag(std::string& text, std::string_view tag)
{
    size_t p = std::string::npos;
    if (!tag.empty() && tag[0] == '\n' && StartsWith(text, tag.substr(1)))
        p = 0; // an entry at the start of the text counts as one after a line end
    else
        p = text.find(tag);
    if (p == std::string::npos)
        return {};
    size_t s = text.find('-', p);
    if (s == std::string::npos)
        return {};
    ++s;
    std::string value;
    while (s < text.size() && text[s] == ' ') {
        size_t cr = text.find('\r', s);
        if (cr == std::string::npos)
            cr = text.size();
        std::string joined = value;
        joined += ' ';
        joined.append(TrimView(std::string_view(text).substr(s, cr - s)));
        value = Trim(joined);
        s = std::min(cr + 2, text.size());
    }
    text.erase(p, s - p);
    if (tag == "AU") {
        const size_t blank = value.find(' ');
        if (blank != std::string::npos)
            value.insert(blank, ",");
    }
    return value;
}

namespace {

// Every entry of one author tag, joined by " AND "; first gets the first value.
std::string Authors(std::string& t, std::string_view tag, std::string& first)
{
    std::string author;
    for (std::string v = FindTag(t, tag); !v.empty(); v = FindTag(t, tag)) {
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

bool ImportMedline(Session& s, std::string_view prepared)
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
    r.Item.Reference = UniqueReference(s.Bib, r.Item.Reference);
    const std::string ref = r.Item.Reference;
    s.Bib.Library.push_back(std::move(r.Item));
    s.LibraryChanged = true;
    s.Status("Added item " + ref + " from Clipboard.");
    if (!r.Abstract.empty()) {
        s.NotesList.push_back(ref);
        s.NotesList.push_back(std::move(r.Abstract));
    }
    return true;
}

} // namespace lorix
