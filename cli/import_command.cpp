// import-medline and fetch: one new item from MEDLINE text, read from a file
// or fetched by its PubMed identifier, then the library saved.
#include "cli/cli.h"
#include "core/fileio.h"
#include "exchange/medline.h"
#include "exchange/pubmed.h"

#include <ostream>

namespace lorix::cli {

namespace {

// Parses the prepared text; on success refreshes the list with filtering
// switched off, as the import does in the window, gives a fetched item its
// identifier field and saves. The library is written only when an item was
// added.
int ImportAndSave(Context& c, const std::string& prepared, const std::string* pubmedId,
                  const std::string& out)
{
    Session& s = c.session;
    if (!ImportMedline(s, prepared))
        return kExitNothing;
    s.Settings.Write(key::Filtering, "no");
    RefreshAsGui(c);
    if (pubmedId)
        s.Bib.Library.back().Fields.push_back({"pubmed_id", *pubmedId});
    SaveAsGui(c, out);
    return kExitOk;
}

} // namespace

int ImportMedlineCommand(Context& c)
{
    if (!LoadAsGui(c, c.args[0]))
        return kExitNothing;
    const std::string text = ReadImportFile(c.session.Settings, c.args[1]);
    return ImportAndSave(c, PrepareImportText(text), nullptr, c.output);
}

int FetchCommand(Context& c)
{
    // ID stands for the clipboard text: not an identifier, nothing happens.
    std::string id;
    if (!ClipboardPubmedId(c.args[1], id)) {
        c.err << "lorix-cli: " << c.args[1] << " is not a PubMed identifier\n";
        return kExitNothing;
    }
    if (!LoadAsGui(c, c.args[0]))
        return kExitNothing;
    CurlHttpClient http;
    const std::string body = FetchPubmedRecord(http, c.session.Settings, PubmedUrl(c.session.Settings, id));
    return ImportAndSave(c, PrepareImportText(body), &id, c.output);
}

} // namespace lorix::cli
