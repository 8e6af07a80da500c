#pragma once
// The HTML export file: the shown items, in shown order, as one table with
// the chosen fields in 1 to 3 columns. The dialog only collects the options.

#include "core/session.h"

#include <string>
#include <vector>

namespace lorix {

struct HtmlExportOptions {
    std::vector<std::string> Fields; // ticked names, in box order
    int Columns = 1;                 // 1..3
    bool Separate = false;           // a blank row after each item
};

// The options stored in the settings: "expfields", "expcolumns" (0..2),
// "expline". Throws ConversionError for a non-numeric "expcolumns"; an empty
// or out-of-range value means one column. Fields are taken from the
// comma-separated list as written.
HtmlExportOptions HtmlExportOptionsFromSettings(const SettingsList& settings);
// Stores the options as the export does before writing.
void StoreHtmlExportOptions(SettingsList& settings, const HtmlExportOptions& options);

// Whether name is one whole entry of an "expfields" value.
bool ExportFieldTicked(const std::string& expfields, const std::string& name);

// The names of the fields of the shown items, first spelling kept for names
// that differ only in letter case, sorted without regard to case.
std::vector<std::string> ExportFieldNames(const Session& s, const std::vector<int>& shownItems);

// The file text, each line ended by CR LF. Names, values, references and
// types are HTML-escaped.
std::string BuildHtmlExport(const Session& s, const std::vector<int>& shownItems,
                            const HtmlExportOptions& options);

// Stores the options, then writes the file (replacing it); throws FileError
// when it cannot be written.
void WriteHtmlExport(Session& s, const std::vector<int>& shownItems, const HtmlExportOptions& options,
                     const std::string& path);

// The output file: fileName relative to the program folder, "exp.html" when
// empty; an absolute fileName is used as it is.
std::string HtmlExportPath(const Session& s, const std::string& fileName);

// &, <, > and " as entities; every other byte unchanged.
std::string HtmlEscape(const std::string& text);

} // namespace lorix
