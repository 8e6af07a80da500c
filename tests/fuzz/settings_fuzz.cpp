// Any bytes as "lorix.ini": splitting into lines, reading every key as text
// and as an integer, and parsing the schema must either succeed or throw a
// LorixError. Two properties are checked on the way: joining the lines and
// splitting them again gives the same lines, and the comma tokens of a value
// put back together give the value.
#include "core/errors.h"
#include "core/fileio.h"
#include "core/schema.h"
#include "core/settings.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

using namespace lorix;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<std::string> lines =
        SplitLines(std::string_view(reinterpret_cast<const char*>(data), size));

    std::string joined;
    for (const auto& l : lines)
        joined.append(l).append("\r\n");
    if (SplitLines(joined) != lines)
        std::abort();

    SettingsList settings(lines);
    for (const auto& l : lines) {
        size_t eq = l.find('=');
        if (eq == std::string::npos)
            continue;
        const std::string key = l.substr(0, eq), value = settings.ReadByName(key);
        std::string list = value, token, rebuilt;
        for (bool first = true; !list.empty(); first = false) {
            NextCommaToken(list, token);
            rebuilt += (first ? "" : ",") + token;
        }
        // A value ending in "," loses its empty last token; nothing else may change.
        if (rebuilt != value && rebuilt + "," != value)
            std::abort();
        try {
            (void)settings.IntOf(key, value);
        } catch (const ConversionError&) {
        }
    }

    Schema schema;
    try {
        ParseSchema(settings, schema, [](const std::string&) {});
    } catch (const LorixError&) {
    }
    if (schema.ChoiceCount() > kMaxChoices ||
        std::any_of(schema.TypeTable.begin(), schema.TypeTable.end(),
                    [](const TItem& t) { return static_cast<int>(t.Fields.size()) > kMaxFields; }))
        std::abort();
    return 0;
}
