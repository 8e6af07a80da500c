// Any bytes as a field value, with any line widths: a library saved with
// long lines broken must read back to the same values as one saved without.
#include "support/readback.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

using namespace lorix;

namespace {

std::vector<Bibfield> RoundTrip(const std::string& value, const WriteOptions& options)
{
    TBib bib;
    bib.Library.push_back(Bibitem{0, "misc", "r", {{"title", value}, {"note", "x"}}, {}});
    const test::Read back = test::ReadText(FormatLibrary(bib, options));
    if (!back.errors.empty() || back.bib.Library.size() != 1)
        std::abort();
    return back.bib.Library[0].Fields;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    const WriteOptions broken{true, data[0] % 100, data[1] % 40};
    // A value as a field can hold it: braces balanced (here: none).
    std::string value(reinterpret_cast<const char*>(data + 2), size - 2);
    std::replace_if(
        value.begin(), value.end(), [](char c) { return c == '{' || c == '}'; }, 'x');
    const std::vector<Bibfield> plain = RoundTrip(value, WriteOptions{}), folded = RoundTrip(value, broken);
    if (!std::equal(
            plain.begin(), plain.end(), folded.begin(), folded.end(),
            [](const Bibfield& x, const Bibfield& y) { return x.Name == y.Name && x.Value == y.Value; }))
        std::abort();
    return 0;
}
