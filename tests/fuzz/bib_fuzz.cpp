// Any bytes as a library file: the reader must neither crash nor hang. When
// it read the bytes without reporting a problem, what it read must survive
// the writer: writing the library and reading the text again gives the same
// entries and fields (type, reference as written, names, values, bare marks),
// with line breaking off and on, and formatting the second read again gives
// byte-identical text. (Text the reader had to recover from, such as
// unbalanced braces, is kept as far as it can be read, but a recovered value
// may still hold text that reads differently once written.)
#include "core/library.h"
#include "core/schema.h"
#include "core/text.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

using namespace lorix;

namespace {

TBib Read(std::string_view bytes, bool& problems)
{
    Schema schema;
    TBib bib;
    ReadContext ctx{&schema, nullptr, "", [&problems](const std::string&) { problems = true; }};
    ReadBibText(bytes, bib, ctx);
    return bib;
}

// Braces balance in every braced value, never closing more than were opened:
// the only values the writer's braced layout can hold unchanged.
bool Writable(const TBib& bib)
{
    for (const Bibitem& it : bib.Library)
        for (const Bibfield& f : it.Fields) {
            int depth = 0;
            for (char c : f.Value)
                if (!f.Bare && (depth += c == '{' ? 1 : c == '}' ? -1 : 0) < 0)
                    return false;
            if (depth != 0)
                return false;
        }
    return true;
}

bool SameField(const Bibfield& x, const Bibfield& y)
{
    return x.Name == y.Name && x.Value == y.Value && x.Bare == y.Bare;
}

bool SameEntry(const Bibitem& x, const Bibitem& y)
{
    return x.ItemType == y.ItemType && LowerAscii(x.Reference) == y.Reference &&
           std::equal(x.Fields.begin(), x.Fields.end(), y.Fields.begin(), y.Fields.end(), SameField);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    bool problems = false;
    const TBib first = Read(std::string_view(reinterpret_cast<const char*>(data), size), problems);
    if (problems || !Writable(first))
        return 0;
    for (WriteOptions options : {WriteOptions{}, WriteOptions{true, 30, 4}, WriteOptions{true, 8, 0}}) {
        const std::string text = FormatLibrary(first, options);
        const TBib second = Read(text, problems);
        if (!std::equal(first.Library.begin(), first.Library.end(), second.Library.begin(),
                        second.Library.end(), SameEntry) ||
            FormatLibrary(second, options) != text)
            std::abort();
    }
    return 0;
}
