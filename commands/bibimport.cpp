#include "commands/bibimport.h"

#include "commands/items.h"
#include "commands/library.h"
#include "core/text.h"
#include "exchange/bibtext.h"

namespace lorix::command {

namespace {

// UTF-8 text in the library's encoding; a Windows-1252 library refuses a
// text holding a character the code page lacks (reported).
std::optional<std::string> InLibraryEncoding(Session& s, std::string_view text)
{
    if (s.Bib.Utf8)
        return std::string(text);
    char32_t bad = 0;
    std::optional<std::string> bytes = Utf8AsCp1252(text, bad);
    if (!bytes)
        s.Error(UnencodableMessage(bad, "not importing."));
    return bytes;
}

// The items appended from index first on: shown with every item listed.
bool Appended(Session& s, ListState& state, int first, Outcome& out)
{
    if (first < 0)
        return false;
    SwitchFilteringOff(s, state, out);
    Refresh(s, state, true, out);
    out.Show = first;
    out.Heading = true;
    return true;
}

} // namespace

bool PasteBibtex(Session& s, ListState& state, std::string_view text, Outcome& out)
{
    const std::optional<std::string> bytes = InLibraryEncoding(s, text);
    if (!bytes)
        return false;
    const int first = PasteBibText(s, *bytes, [&s] { BeginChange(s, "Paste BibTeX"); });
    EndChange(s, first);
    return Appended(s, state, first, out);
}

bool FetchDoi(Session& s, ListState& state, HttpClient& http, const WorkId& id, Outcome& out)
{
    const std::string body = FetchDoiBibtex(http, s.Settings, DoiUrl(s.Settings, id.Doi));
    const std::optional<std::string> bytes = InLibraryEncoding(s, AnswerAsUtf8(body));
    if (!bytes)
        return false;
    const int first =
        AddDoiAnswer(s, *bytes, id, [&s] { BeginChange(s, "Import from DOI or arXiv"); });
    EndChange(s, first);
    return Appended(s, state, first, out);
}

} // namespace lorix::command
