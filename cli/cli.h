#pragma once
// lorix-cli: the core driven from the command line.
//
//   lorix-cli [--ini FILE] COMMAND ARGS...
//
// Every message the program reports is printed on standard error as
// "status: TEXT" or "error: TEXT"; an unexpected failure prints
// "lorix-cli: TEXT" and exits 2, and a command that reported an error
// message exits 1 at least. The settings file and the log file are never
// written.

#include "core/session.h"

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

namespace lorix::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitNothing = 1; // ran, but found nothing to do or found problems
inline constexpr int kExitFailure = 2; // unexpected failure or usage error

struct Context {
    Session& session;
    std::ostream& out;
    std::ostream& err;
    std::vector<std::string> args; // the command's own arguments
};

struct Command {
    const char* name;
    const char* usage;
    std::function<int(Context&)> run;
};

// The command table; each command adds one entry.
const std::vector<Command>& Commands();

int Run(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err);

// Shared steps of the commands.
//
// Loads lib as the Load command does (filename := lib, lastfile := the old
// filename), then refreshes the list as the GUI would (count message).
// Returns false when the file was not found (the error has been reported).
bool LoadAsGui(Context& c, const std::string& lib);
// Saves as the Save command does, or as Save As to saveAs when not empty.
void SaveAsGui(Context& c, const std::string& saveAs);
// Splits "-o OUT" (or a given option) off the arguments; empty when absent.
std::string TakeOption(std::vector<std::string>& args, const std::string& option);
// The list refresh of the main window with the settings' filter, sort and
// columns (the not boxes unchecked), including its count message; returns
// the lines of the list in shown order.
std::vector<std::string> RefreshAsGui(Context& c);

// check LIB: the consistency check; 0 when it passed, 1 when it found errors.
inline constexpr const char* kCheckUsage =
    "check LIB             check LIB for double references, schema errors and stray documents";
int CheckCommand(Context& c);

// import-medline LIB FILE [-o OUT]: the clipboard import with FILE's text;
// fetch LIB ID [-o OUT]: the PubMed fetch with ID as the clipboard text.
// Both save only when an item was imported (1 otherwise); a failed request
// is an unexpected failure (2).
inline constexpr const char* kImportMedlineUsage =
    "import-medline LIB FILE [-o OUT]  add the MEDLINE record in FILE";
inline constexpr const char* kFetchUsage = "fetch LIB ID [-o OUT]  add the article ID fetched from PubMed";
int ImportMedlineCommand(Context& c);
int FetchCommand(Context& c);

} // namespace lorix::cli
