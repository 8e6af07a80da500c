#pragma once
// The imports: one new item from MEDLINE tagged text, or fetched by its
// PubMed identifier.

#include "commands/command.h"
#include "exchange/http.h"

#include <string_view>

namespace lorix::command {

// Import MEDLINE: one new item from tagged text (the clipboard's, or a
// file's), in the library's encoding: a Windows-1252 library takes it
// converted, or refuses it when a character it keeps has no byte there. The list
// then shows every item (filtering is switched off) and the new item is to
// be shown; a fetched item gets its identifier as the field pubmed_id.
// False when nothing was imported (reported as an error message).
bool ImportMedline(Session& s, ListState& state, std::string_view text, Outcome& out,
                   const std::string* pubmedId = nullptr);

// Fetch: the record of a PubMed identifier, imported as above. A failed
// request throws HttpError, and nothing else happens.
bool Fetch(Session& s, ListState& state, HttpClient& http, const std::string& id,
           Outcome& out);

} // namespace lorix::command
