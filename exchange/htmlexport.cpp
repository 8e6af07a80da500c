#include "exchange/htmlexport.h"

#include "core/errors.h"
#include "core/fileio.h"
#include "core/text.h"

#include <unordered_map>

namespace lorix {

std::string HtmlEscape(const std::string& text)
{
    if (text.find_first_of("&<>\"") == std::string::npos)
        return text;
    std::string out;
    out.reserve(text.size() + 16);
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

bool ExportFieldTicked(const std::string& expfields, const std::string& name)
{
    return expfields.find("," + name + ",") != std::string::npos;
}

HtmlExportOptions HtmlExportOptionsFromSettings(const SettingsList& settings)
{
    HtmlExportOptions o;
    const std::string fields = settings.Read(key::ExpFields);
    size_t pos = 0;
    while (pos < fields.size()) {
        size_t comma = fields.find(',', pos);
        if (comma == std::string::npos)
            comma = fields.size();
        if (comma > pos)
            o.Fields.push_back(fields.substr(pos, comma - pos));
        pos = comma + 1;
    }
    o.Separate = settings.IsYes(key::ExpLine);
    const std::string cols = settings.Read(key::ExpColumns);
    if (!cols.empty()) {
        const int line = settings.IntOf(key::ExpColumns, cols);
        if (line >= 0 && line <= 2)
            o.Columns = line + 1;
    }
    return o;
}

void StoreHtmlExportOptions(SettingsList& settings, const HtmlExportOptions& options)
{
    std::string fields = ",";
    for (const std::string& f : options.Fields)
        fields += f + ",";
    settings.Write(key::ExpFields, fields);
    settings.WriteYesNo(key::ExpLine, options.Separate);
    settings.Write(key::ExpColumns, std::to_string(options.Columns - 1));
}

std::vector<std::string> ExportFieldNames(const Session& s, const std::vector<int>& shownItems)
{
    std::vector<std::string> names;
    std::unordered_map<std::string, bool> seen;
    for (int i : shownItems)
        for (const Bibfield& f : s.Bib.Library[static_cast<size_t>(i)].Fields)
            if (seen.emplace(LowerAscii(f.Name), true).second)
                names.push_back(f.Name);
    SortNoCase(names);
    return names;
}

std::string BuildHtmlExport(const Session& s, const std::vector<int>& shownItems,
                            const HtmlExportOptions& options)
{
    const int cols = options.Columns < 1 ? 1 : (options.Columns > 3 ? 3 : options.Columns);
    std::string out;
    auto line = [&out](const std::string& text) {
        out += text;
        out += "\r\n";
    };
    line("<html>");
    line(" <head>");
    line("  <title>Lorix HTML Export</title>");
    line(" </head>");
    line(" <body>");
    line("  <h1>Lorix HTML Export<br>");
    line("   Displaying " + std::to_string(shownItems.size()) + " items.</h1>");
    line("  <table cellpadding=4>");
    std::vector<std::string> names;
    names.reserve(options.Fields.size());
    for (const std::string& f : options.Fields)
        names.push_back(HtmlEscape(f));
    for (int i : shownItems) {
        const Bibitem& b = s.Bib.Library[static_cast<size_t>(i)];
        line("   <tr>");
        line("    <td colspan=2 bgcolor=lightgrey>");
        line("     " + HtmlEscape(b.Reference) + " (" + HtmlEscape(b.ItemType) + ")");
        line("    </td>");
        // The heading takes the first slot of the first row; a row is closed
        // only after a field fills its last slot.
        int k = 1;
        for (size_t n = 0; n < options.Fields.size(); ++n, ++k) {
            if (k % cols == 0)
                line("   <tr>");
            line("    <td>" + names[n] + "</td>");
            line("    <td>" + HtmlEscape(GetFieldValue(b, options.Fields[n])) + "</td>");
            if (k % cols == cols - 1)
                line("   </tr>");
        }
        if (options.Separate)
            line("   <tr><td><br></td></tr>");
    }
    line("  </table>");
    line(" </body>");
    line("</html>");
    return out;
}

void WriteHtmlExport(Session& s, const std::vector<int>& shownItems, const HtmlExportOptions& options,
                     const std::string& path)
{
    StoreHtmlExportOptions(s.Settings, options);
    WriteFileAtomic(path, BuildHtmlExport(s, shownItems, options));
}

std::string HtmlExportPath(const Session& s, const std::string& fileName)
{
    if (!fileName.empty() && fileName[0] == '/')
        return fileName;
    return JoinPath(s.ProgramDir, fileName.empty() ? std::string("exp.html") : fileName);
}

} // namespace lorix
