#pragma once
// Loading and saving a library file: the reader, the writer and the steps
// around them that need no window.

#include "core/model.h"
#include "core/session.h"
#include "core/text.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace lorix {

struct WriteOptions {
    WriteOptions(bool lineBreak = false, int lineWidth = 0, int insertWidth = 0)
        : LineBreak(lineBreak), LineWidth(lineWidth), InsertWidth(insertWidth)
    {
    }
    bool LineBreak = false;
    int LineWidth = 0;   // W
    int InsertWidth = 0; // N
    // Reads the "insertwidth" setting, when set: N is read only once a line
    // needs breaking, so that a bad value fails only the saves that need it.
    std::function<int()> InsertWidthSetting;
    // N; throws ConversionError for a setting that is not a number.
    int Indent() const { return InsertWidthSetting ? InsertWidthSetting() : InsertWidth; }
};

using ReportFn = std::function<void(const std::string&)>;

// Reads BibTeX bytes into bib (replacing its entries). Field names met are
// added to fieldNames, keywords of "key" fields to keywords; problems of the
// file (unbalanced braces, more than 31 fields, a cut-off entry) are passed
// to report as error texts. HasDocument is set with FindDocumentFile in pdfPath.
struct ReadContext {
    Schema* schema = nullptr;                     // FieldNames grows
    std::vector<std::string>* keywords = nullptr; // may be null
    std::string pdfPath;
    std::function<void(const std::string&)> report; // error texts
};
int ReadBibText(std::string_view bytes, TBib& bib, ReadContext& ctx);

// The whole file text of a library in the writer's layout (CR LF). A value
// whose braces do not balance is written with the missing braces added (see
// BalanceField), and report is told the entry and the field.
std::string FormatLibrary(const TBib& bib, const WriteOptions& options, const ReportFn& report = nullptr);
// One field line, broken when options.LineBreak; appended to out with CR LF ends.
void AppendFieldLines(std::string& out, std::string_view line, const WriteOptions& options);

// The load of a chosen file: cuts FieldNames back, reads the file and its
// notes file, then replaces the library, NotesList (empty without a notes
// file) and KeywordList in one step, clears LibraryChanged, reports the
// reader's errors and "Loaded NAME. Processed N records." and sorts
// KeywordList. Returns the number of entries. Throws FileError when the file
// or its notes file cannot be read; then nothing has changed.
int LoadLibraryFile(Session& s, const std::string& path);
// Loads the library named by "filename": nothing for "*none*", the error
// "File not found: NAME" for a missing file (and one that says so for a
// folder, a pipe or a device). Returns true when a file was loaded.
bool LoadNamedLibrary(Session& s);

// Stable, byte-wise sort of the library by a column (see ColumnValue).
// Returns where each item went: item i now stands at the returned [i].
std::vector<size_t> SortLibrary(TBib& bib, std::string_view column);

// Write options from the settings: "linebreak", "linewidth", "insertwidth".
// Throws ConversionError for a non-numeric "linewidth" while linebreak is
// "yes"; "insertwidth" is read when a line needs breaking (see WriteOptions).
WriteOptions WriteOptionsFromSettings(const SettingsList& settings);

// Writes the library to path (with the backup that "backup" asks for, see
// AtomicFileWriter), then its notes file, and clears LibraryChanged. Throws
// FileError / ConversionError; then LibraryChanged stays as it was and the
// file under path holds the old text or the new one, whole.
void SaveLibraryFile(Session& s, const std::string& path);

} // namespace lorix
