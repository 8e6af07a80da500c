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

#include <cstdint>
#include <cstdlib>
#include <string>

using namespace lorix;

namespace {

TBib Read(std::string_view bytes, bool* problems = nullptr)
{
    static Schema schema;
    schema.FieldNames.clear();
    schema.LastSchemaField = -1;
    TBib bib;
    ReadContext ctx;
    ctx.schema = &schema;
    ctx.report = [problems](const std::string&) {
        if (problems)
            *problems = true;
    };
    ReadBibText(bytes, bib, ctx);
    return bib;
}

// Braces balance, never closing more than were opened: the only values the
// writer's braced layout can hold unchanged.
bool Balanced(const std::string& v)
{
    int depth = 0;
    for (char c : v) {
        depth += c == '{' ? 1 : c == '}' ? -1 : 0;
        if (depth < 0)
            return false;
    }
    return depth == 0;
}

bool Writable(const TBib& bib)
{
    for (const Bibitem& it : bib.Library)
        for (const Bibfield& f : it.Fields)
            if (!f.Bare && !Balanced(f.Value))
                return false;
    return true;
}

void SameEntries(const TBib& a, const TBib& b)
{
    if (a.Library.size() != b.Library.size())
        std::abort();
    for (size_t i = 0; i < a.Library.size(); ++i) {
        const Bibitem& x = a.Library[i];
        const Bibitem& y = b.Library[i];
        if (x.ItemType != y.ItemType || LowerAscii(x.Reference) != y.Reference || x.Fields.size() != y.Fields.size())
            std::abort();
        for (size_t j = 0; j < x.Fields.size(); ++j)
            if (x.Fields[j].Name != y.Fields[j].Name || x.Fields[j].Value != y.Fields[j].Value ||
                x.Fields[j].Bare != y.Fields[j].Bare)
                std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    bool problems = false;
    const TBib first = Read(std::string_view(reinterpret_cast<const char*>(data), size), &problems);
    if (problems || !Writable(first))
        return 0;
    for (WriteOptions options : {WriteOptions{}, WriteOptions{true, 30, 4}, WriteOptions{true, 8, 0}}) {
        const std::string text = FormatLibrary(first, options);
        const TBib second = Read(text);
        SameEntries(first, second);
        if (FormatLibrary(second, options) != text)
            std::abort();
    }
    return 0;
}
