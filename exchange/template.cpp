#include "exchange/template.h"

#include "core/errors.h"

namespace lorix {

namespace {

struct SyntaxError {
    std::string code;
};

// One scan for export and preview. item == nullptr means preview. Values
// that are appended are never scanned again, so a "%" in a value stays.
std::string Scan(const Bibitem* item, const std::string& t, const std::vector<std::string>& fieldNames)
{
    std::string out;
    out.reserve(t.size() * 2);
    size_t pos = 0;
    while (pos < t.size()) {
        const size_t pct = t.find('%', pos);
        if (pct == std::string::npos) {
            out.append(t, pos, std::string::npos);
            break;
        }
        out.append(t, pos, pct - pos);
        const bool bracketed = pct + 1 < t.size() && t[pct + 1] == '(';
        const size_t numStart = pct + (bracketed ? 2 : 1);
        const size_t numEnd = std::min(numStart + 2, t.size());
        const std::string code = t.substr(pct, numEnd - pct);
        if (numStart >= numEnd)
            throw SyntaxError{code};
        size_t nn = 0;
        for (size_t k = numStart; k < numEnd; ++k) {
            if (t[k] < '0' || t[k] > '9')
                throw SyntaxError{code};
            nn = nn * 10 + static_cast<size_t>(t[k] - '0');
        }
        if (nn >= fieldNames.size())
            throw SettingsError("Format code " + code + " names field " + std::to_string(nn) +
                                ", beyond the " + std::to_string(fieldNames.size()) + " known fields.");
        const std::string& f = fieldNames[nn];
        if (!item) {
            out += bracketed ? "(" + f + ")" : f;
        } else {
            const std::string& v = GetFieldValue(*item, f);
            if (!bracketed)
                out += v;
            else if (!v.empty())
                out += "(" + v + ")";
        }
        pos = numEnd;
    }
    return out;
}

} // namespace

std::string RenderTemplate(const Bibitem& item, const std::string& templ,
                           const std::vector<std::string>& fieldNames)
{
    try {
        return Scan(&item, templ, fieldNames);
    } catch (const SyntaxError& e) {
        throw ConversionError("'" + e.code + "' in the format string is not a field number.");
    }
}

std::string PreviewTemplate(const std::string& templ, const std::vector<std::string>& fieldNames)
{
    try {
        return Scan(nullptr, templ, fieldNames);
    } catch (const SyntaxError&) {
        return kTemplateSyntaxError;
    }
}

} // namespace lorix
