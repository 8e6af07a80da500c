#pragma once
// The imports of BibTeX text: pasted from the clipboard, or fetched from the
// DOI resolver by a DOI or arXiv identifier.

#include "commands/command.h"
#include "exchange/doi.h"

#include <string_view>

namespace lorix::command {

// Paste BibTeX: every entry of the text (UTF-8, taken into the library's
// encoding) appended under a reference no item uses,
// with the @string and @preamble blocks the library lacks, as one step.
// Filtering is switched off and the first new item is to be shown. Reports
// "Added N items.", or an error when the text holds no entry (false; then
// nothing changed).
bool PasteBibtex(Session& s, ListState& state, std::string_view text, Outcome& out);

// Fetch by DOI or arXiv id: the resolver's BibTeX for id added as Paste
// BibTeX adds, the first entry given a "doi" field when the answer has
// none. A failed request throws HttpError, and nothing else happens.
bool FetchDoi(Session& s, ListState& state, HttpClient& http, const WorkId& id, Outcome& out);

} // namespace lorix::command
