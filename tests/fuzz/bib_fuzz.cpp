// Any bytes as a library file: the reader must neither crash nor hang, and
// whatever it read survives the writer. Writing the library and reading the
// text again gives the same library (entries with type, reference, names,
// values and bare marks, blocks and comment text), with line breaking off and
// on; the only change allowed is the writer's repair of values whose braces
// do not balance, which it reports once for each such field. A file read
// without a problem gives a text that reads without one (a block that is not
// closed stays so), and formatting the second reading gives the same bytes.
#include "core/library.h"
#include "core/schema.h"
#include "core/undo.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

using namespace lorix;

namespace {

TBib Read(std::string_view bytes, int& problems)
{
    Schema schema;
    TBib bib;
    ReadContext ctx{&schema, nullptr, "", [&problems](const std::string&) { ++problems; }};
    ReadBibText(bytes, bib, ctx);
    return bib;
}

bool SameLibrary(const TBib& x, const TBib& y)
{
    return x.Blocks == y.Blocks && x.TrailingText == y.TrailingText &&
           std::equal(x.Library.begin(), x.Library.end(), y.Library.begin(), y.Library.end(), SameItem);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    int problems = 0;
    const TBib first = Read(std::string_view(reinterpret_cast<const char*>(data), size), problems);
    TBib repaired = first;
    int repairs = 0;
    for (Bibitem& it : repaired.Library)
        for (Bibfield& f : it.Fields)
            repairs += BalanceField(f) ? 1 : 0;
    for (WriteOptions options : {WriteOptions{}, WriteOptions{true, 30, 4}, WriteOptions{true, 8, 0}}) {
        int reported = 0, again = 0;
        const std::string text = FormatLibrary(first, options, [&reported](const std::string&) { ++reported; });
        const TBib second = Read(text, again);
        if (reported != repairs || (problems == 0 && again != 0) || !SameLibrary(second, repaired) ||
            FormatLibrary(second, options) != text)
            std::abort();
    }
    return 0;
}
