// import-medline, fetch and fetch-doi: one new item from MEDLINE text, read
// from a file or fetched by its PubMed identifier, or the BibTeX entries of a
// DOI or arXiv identifier; then the library saved.
#include "cli/cli.h"
#include "commands/bibimport.h"
#include "commands/import.h"
#include "exchange/medline.h"
#include "exchange/pubmed.h"

#include <ostream>

namespace lorix::cli {

// The library is written only when an item was added.
int ImportMedlineCommand(Context& c)
{
    if (!Load(c, c.args[0]))
        return kExitNothing;
    const std::string text = ReadImportFile(c.session.Settings, c.args[1]);
    if (!command::ImportMedline(c.session, c.list, text, c.shown))
        return kExitNothing;
    Save(c);
    return kExitOk;
}

int FetchCommand(Context& c)
{
    // ID stands for the clipboard text: not an identifier, nothing happens.
    std::string id;
    if (!ClipboardPubmedId(c.args[1], id)) {
        c.err << "lorix-cli: " << c.args[1] << " is not a PubMed identifier\n";
        return kExitNothing;
    }
    if (!Load(c, c.args[0]))
        return kExitNothing;
    CurlHttpClient http;
    if (!command::Fetch(c.session, c.list, http, id, c.shown))
        return kExitNothing;
    Save(c);
    return kExitOk;
}

int FetchDoiCommand(Context& c)
{
    const WorkId id = RecognizeWorkId(c.args[1]);
    if (!id) {
        c.err << "lorix-cli: " << c.args[1] << " is not a DOI or arXiv identifier\n";
        return kExitNothing;
    }
    if (!Load(c, c.args[0]))
        return kExitNothing;
    CurlHttpClient http;
    if (!command::FetchDoi(c.session, c.list, http, id, c.shown))
        return kExitNothing;
    Save(c);
    return kExitOk;
}

} // namespace lorix::cli
