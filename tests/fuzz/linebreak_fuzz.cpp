// Any bytes as a field value, with any line widths: a library saved with
// long lines broken must read back to the same values as one saved without.
#include "core/library.h"

#include <cstdint>
#include <cstdlib>
#include <string>

using namespace lorix;

namespace {

std::vector<Bibfield> RoundTrip(const std::string& value, const WriteOptions& options)
{
    TBib bib;
    Bibitem b;
    b.ItemType = "misc";
    b.Reference = "r";
    b.Fields = {{"title", value}, {"note", "x"}};
    bib.Library.push_back(b);
    const std::string text = FormatLibrary(bib, options);
    TBib back;
    Schema schema;
    ReadContext ctx;
    ctx.schema = &schema;
    bool problems = false;
    ctx.report = [&problems](const std::string&) { problems = true; };
    ReadBibText(text, back, ctx);
    if (problems || back.Library.size() != 1)
        std::abort();
    return back.Library[0].Fields;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    WriteOptions broken;
    broken.LineBreak = true;
    broken.LineWidth = data[0] % 100;
    broken.InsertWidth = data[1] % 40;
    // A value as a field can hold it: braces balanced (here: none).
    std::string value(reinterpret_cast<const char*>(data + 2), size - 2);
    for (char& c : value)
        if (c == '{' || c == '}')
            c = 'x';
    const std::vector<Bibfield> plain = RoundTrip(value, WriteOptions{});
    const std::vector<Bibfield> folded = RoundTrip(value, broken);
    if (plain.size() != folded.size())
        std::abort();
    for (size_t i = 0; i < plain.size(); ++i)
        if (plain[i].Name != folded[i].Name || plain[i].Value != folded[i].Value)
            std::abort();
    return 0;
}
