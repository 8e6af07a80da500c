// Any bytes as a library file: the reader must neither crash nor hang, and
// whatever it read survives the writer. Writing the library and reading the
// text again gives the same library (entries with type, reference, names,
// values and bare marks, blocks and comment text), with line breaking off and
// on; the only change allowed is the writer's repair of values whose braces
// do not balance, which it reports once for each such field. A file read
// without a problem gives a text that reads without one (a block that is not
// closed stays so), and formatting the second reading gives the same bytes.
#include "support/readback.h"

#include <cstdint>
#include <cstdlib>

using namespace lorix;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const test::Read first = test::ReadText(std::string_view(reinterpret_cast<const char*>(data), size));
    for (WriteOptions options : {WriteOptions{}, WriteOptions{true, 30, 4}, WriteOptions{true, 8, 0}})
        if (!test::RoundTripFault(first.bib, options, first.errors.empty()).empty())
            std::abort();
    return 0;
}
