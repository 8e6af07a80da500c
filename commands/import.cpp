#include "commands/import.h"

#include "commands/items.h"
#include "commands/library.h"
#include "core/text.h"
#include "exchange/medline.h"
#include "exchange/pubmed.h"

#include <optional>
#include <vector>

namespace lorix::command {

namespace {

// The prepared UTF-8 text in the library's encoding. A Windows-1252 library
// takes what the import keeps of the text converted; one character there
// that the code page lacks refuses the whole import (reported). What the
// import does not keep never reaches the library and may hold anything.
std::optional<std::string> InLibraryEncoding(Session& s, const std::string& prepared)
{
    if (s.Bib.Utf8)
        return prepared;
    const MedlineRecord r = ReadMedlineRecord(prepared);
    if (r.Outcome == MedlineOutcome::Added) {
        std::vector<const std::string*> kept{&r.Item.Reference, &r.Abstract};
        for (const Bibfield& f : r.Item.Fields)
            kept.push_back(&f.Value);
        char32_t bad = 0;
        for (const std::string* text : kept)
            if (!Utf8AsCp1252(*text, bad)) {
                s.Error(UnencodableMessage(bad, "not importing."));
                return std::nullopt;
            }
    }
    return Utf8AsCp1252Lossy(prepared);
}

} // namespace

bool ImportMedline(Session& s, ListState& state, std::string_view text, Outcome& out,
                   const std::string* pubmedId)
{
    const std::optional<std::string> bytes = InLibraryEncoding(s, PrepareImportText(text));
    const char* name = pubmedId ? "Import from PubMed" : "Import from Clipboard";
    if (!bytes || !lorix::ImportMedline(s, *bytes, [&] { BeginChange(s, name, -1, {}, Touches::Notes); })) {
        EndChange(s, -1);
        return false;
    }
    SwitchFilteringOff(s, state, out);
    Refresh(s, state, true, out);
    if (pubmedId)
        s.Bib.Library.back().Fields.push_back({"pubmed_id", *pubmedId});
    EndChange(s, s.Bib.LastItemIndex());
    out.Show = s.Bib.LastItemIndex();
    out.Heading = true;
    return true;
}

bool Fetch(Session& s, ListState& state, HttpClient& http, const std::string& id,
           Outcome& out)
{
    const std::string body = FetchPubmedRecord(http, s.Settings, PubmedUrl(s.Settings, id));
    return ImportMedline(s, state, body, out, &id);
}

} // namespace lorix::command
