#pragma once
// Everything the program shares between its windows and commands, in one
// plain object owned by the application (or by a test, or by lorix-cli).

#include "core/log.h"
#include "core/model.h"
#include "core/schema.h"
#include "core/settings.h"
#include "core/undo.h"

#include <string>
#include <vector>

namespace lorix {

struct Session {
    Session() = default;
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    std::string ProgramDir;
    SettingsList Settings;
    Schema schema;
    TBib Bib;
    std::vector<std::string> NotesList;
    std::vector<std::string> KeywordList;
    // The changes of the library and its notes since the last load.
    UndoHistory History{Bib, NotesList};
    MessageLog Log{Settings};
    bool LibraryChanged = false;
    // Main list line -> library index, rebuilt by every list refresh.
    std::vector<int> ShownItems;

    void LogMessage(const std::string& text, MessageKind kind) { Log.LogMessage(text, kind); }
    void Status(const std::string& text) { Log.LogMessage(text, MessageKind::Status); }
    void Error(const std::string& text) { Log.LogMessage(text, MessageKind::Error); }
    // The document folder, a prefix of file names ("" for "*none*").
    std::string PdfPath() const { return Settings.ReadPath(key::PdfPath); }
};

// Start-up steps that need no window, in their order. Each throws on an
// unexpected failure (the caller shows it and skips the remaining steps).
//
// Reads "lorix.ini" of dir (or iniPath when given) into Settings; false when
// the file does not exist, in which case nothing else may happen.
bool LoadSettingsFile(Session& s, const std::string& iniPath);
// LogList from the file named by "logfile", or the error "Logfile not found".
void LoadLogFile(Session& s);
// Parses the schema, reporting capacity drops as error messages.
void ParseSessionSchema(Session& s);

// Writes LogList to ProgramDir + "/" + logfile (skipped for "*none*").
void WriteLogFile(const Session& s);
// Writes SettingsList to ProgramDir + "/lorix.ini".
void WriteSettingsFile(const Session& s);

} // namespace lorix
