// Any bytes as a format template: the export and the preview share one scan,
// so they must agree on what is an error, and neither may crash.
#include "core/errors.h"
#include "exchange/template.h"

#include <cstdint>
#include <cstdlib>
#include <string>

using namespace lorix;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string templ(reinterpret_cast<const char*>(data), size);
    static const std::vector<std::string> names = {
        "key",     "address", "author", "booktitle", "chapter",      "editor", "howpublished", "institution",
        "journal", "note",    "number", "month",     "organization", "pages",  "publisher",    "school",
        "series",  "title",   "type",   "volume",    "year",         "edition"};
    const Bibitem item{0, "article", "r", {{"author", "A %02 %(17"}, {"title", ""}, {"year", "1999"}}, {}};

    enum { Fine, Syntax, Index } preview = Fine, render = Fine;
    try {
        if (PreviewTemplate(templ, names) == kTemplateSyntaxError && templ != kTemplateSyntaxError)
            preview = Syntax;
    } catch (const SettingsError&) {
        preview = Index;
    }
    try {
        RenderTemplate(item, templ, names);
    } catch (const ConversionError&) {
        render = Syntax;
    } catch (const SettingsError&) {
        render = Index;
    }
    if (preview != render)
        std::abort();
    return 0;
}
