// Any bytes as clipboard text or as a fetched body: preparing and parsing
// must end without a crash, and the line-end convention must not matter:
// the text with LF, CR LF or CR line ends gives the same record. The tag
// reader, which takes all entries of a tag in one pass, must give what the
// plain reading gives: each entry found from the start and erased in turn.
#include "core/text.h"
#include "exchange/medline.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

using namespace lorix;

namespace {

std::string WithLineEnds(std::string_view text, const char* end)
{
    std::string out;
    for (char c : text) // called only for texts without a CR
        c == '\n' ? out.append(end) : out.append(1, c);
    return out;
}

std::string PlainFindTag(std::string& text, std::string_view tag)
{
    size_t p = (tag[0] == '\n' && text.compare(0, tag.size() - 1, tag.substr(1)) == 0) ? 0 : text.find(tag);
    if (p == std::string::npos)
        return {};
    size_t s = text.find('-', p);
    if (s == std::string::npos)
        return {};
    std::string value;
    for (++s; s < text.size() && text[s] == ' ';) {
        const size_t cr = std::min(text.find('\r', s), text.size());
        std::string joined = value + " " + Trim(std::string_view(text).substr(s, cr - s));
        value = Trim(joined);
        s = std::min(cr + 2, text.size());
    }
    text.erase(p, s - p);
    if (tag == "AU" && value.find(' ') != std::string::npos)
        value.insert(value.find(' '), ",");
    return value;
}

std::string Describe(const MedlineRecord& r)
{
    std::string d = std::to_string(static_cast<int>(r.Outcome)) + r.Item.Reference + "\x01" + r.Abstract;
    for (const Bibfield& f : r.Item.Fields)
        d += "\x01" + f.Name + "=" + f.Value;
    return d;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    {
        const std::string prepared = PrepareImportText(bytes);
        if (!prepared.empty() && prepared.substr(prepared.size() - 2) != "\r\n")
            std::abort();
        Session s;
        s.Settings.Write(key::MaxLogSize, "10");
        const bool added = ImportMedline(s, prepared);
        // At most one record, added exactly when reported, with three to eight fields.
        if (added != (s.Bib.Library.size() == 1) || s.Bib.Library.size() > 1 ||
            (added && (s.Bib.Library[0].Fields.size() < 3 || s.Bib.Library[0].Fields.size() > 8)))
            std::abort();
    }
    // Only texts without a CR of their own can be compared across conventions.
    if (bytes.find('\r') == std::string_view::npos) {
        const std::string lf = Describe(ReadMedlineRecord(PrepareImportText(bytes)));
        for (const char* end : {"\r\n", "\r"})
            if (Describe(ReadMedlineRecord(PrepareImportText(WithLineEnds(bytes, end)))) != lf)
                std::abort();
    }
    const std::string prepared = PrepareImportText(bytes);
    for (const char* tag : {"\nFAU", "AU", "TI ", "-"}) {
        std::string fast = prepared, plain = prepared;
        const std::vector<std::string> values = FindTagEntries(fast, tag);
        std::vector<std::string> expected;
        for (std::string v = PlainFindTag(plain, tag); !v.empty(); v = PlainFindTag(plain, tag))
            expected.push_back(v);
        if (values != expected || fast != plain)
            std::abort();
    }
    return 0;
}
