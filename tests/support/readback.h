#pragma once
// Reading a library's text and writing it back, shared by the tests of the
// reader and writer and by their fuzz targets.

#include "core/library.h"
#include "core/schema.h"

#include <string>
#include <string_view>
#include <vector>

namespace lorix::test {

// What the reader makes of a text: the library, the field names it added to
// a schema of its own, the keywords and the problems it reported.
struct Read {
    TBib bib;
    Schema schema;
    std::vector<std::string> keywords, errors;
    int n = 0;
};

// An item made in memory, as the reader would make it of "@type{ref, fields}".
inline Bibitem Item(std::string type, std::string ref, std::vector<Bibfield> fields = {})
{
    return Bibitem{0, std::move(type), std::move(ref), std::move(fields), ""};
}

inline Read ReadText(std::string_view text)
{
    Read r;
    ReadContext ctx{&r.schema, &r.keywords, "/nonexistent-folder/",
                    [&r](const std::string& e) { r.errors.push_back(e); }};
    r.n = ReadBibText(text, r.bib, ctx);
    return r;
}

// Everything the reader keeps, in one line: <block> [leading text]
// type{reference|name:braced value|name=bare value} [trailing text].
inline std::string Dump(const TBib& bib)
{
    std::string s;
    for (const auto& b : bib.Blocks)
        s += "<" + b + ">";
    for (const Bibitem& it : bib.Library) {
        s += (it.LeadingText.empty() ? "" : "[" + it.LeadingText + "]") + it.ItemType + "{" + it.Reference;
        for (const Bibfield& f : it.Fields)
            s += "|" + f.Name + (f.Bare ? "=" : ":") + f.Value;
        s += "}";
    }
    return s + (bib.TrailingText.empty() ? "" : "[" + bib.TrailingText + "]");
}

inline std::string Dump(const Bibitem& item)
{
    TBib bib;
    bib.Library = {item};
    return Dump(bib);
}

// The writer's promise for bib: its text with options reads back to the
// same library, each value whose braces do not balance repaired and reported
// once, without a problem when bib itself was read without one, and formats
// again to the same bytes. "" when kept, else what broke; repairs, when
// given, gets the number of values repaired.
inline std::string RoundTripFault(const TBib& bib, const WriteOptions& options, bool readCleanly,
                                  int* repairs = nullptr)
{
    TBib repaired = bib;
    int made = 0, reported = 0;
    for (Bibitem& it : repaired.Library)
        for (Bibfield& f : it.Fields)
            made += BalanceField(f) ? 1 : 0;
    if (repairs)
        *repairs = made;
    const std::string text = FormatLibrary(bib, options, [&reported](const std::string&) { ++reported; });
    const Read again = ReadText(text);
    if (reported != made)
        return std::to_string(made) + " values repaired, " + std::to_string(reported) + " reported";
    if (readCleanly && !again.errors.empty())
        return "the text reads with a problem: " + again.errors[0];
    if (const std::string want = Dump(repaired), got = Dump(again.bib); got != want)
        return "the text reads back as\n" + got.substr(0, 2000) + "\ninstead of\n" + want.substr(0, 2000);
    return FormatLibrary(again.bib, options) == text ? "" : "the text read back formats to other bytes";
}

} // namespace lorix::test
