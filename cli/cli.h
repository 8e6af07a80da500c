#pragma once
// lorix-cli: the core driven from the command line.
//
//   lorix-cli [--ini FILE] COMMAND ARGS... [-o OUT]
//
// Options may stand anywhere before "--", which ends them. What a command
// prints (list lines, a template) goes to standard output; every message the
// program reports goes to standard error as "status: TEXT" or "error: TEXT";
// an unexpected failure prints "lorix-cli: TEXT" and exits 2, and so does a
// usage error, after the usage; a command that reported an error message
// exits 1 at least. The settings file and the log file are never
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
    std::vector<std::string> args; // the command's own arguments, options taken off
    std::string output;            // the file named by -o; empty when not given
};

struct Command {
    const char* name;
    const char* synopsis; // the command with its arguments, for the usage
    const char* summary;
    size_t argCount;  // the command takes exactly this many arguments
    bool takesOutput; // accepts -o OUT
    std::function<int(Context&)> run;
};

// The command table; each command adds one entry.
const std::vector<Command>& Commands();

// With processEnds, the caller ends the process right after: the library
// is then left in memory for the system to take back with the process.
int Run(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err, bool processEnds = false);
extern Session* g_leftForExit;

// Shared steps of the commands.
//
// Loads lib as the Load command does (filename := lib, lastfile := the old
// filename), then refreshes the list as the GUI would (count message).
// Returns false when the file was not found (the error has been reported).
bool LoadAsGui(Context& c, const std::string& lib);
// Saves as the Save command does, or as Save As to saveAs when not empty.
void SaveAsGui(Context& c, const std::string& saveAs);
// The list refresh of the main window with the settings' filter, sort and
// columns (the not boxes unchecked), including its count message; returns
// the lines of the list in shown order, or nothing without withLines.
std::vector<std::string> RefreshAsGui(Context& c, bool withLines = true);

// check LIB: the consistency check; 0 when it passed, 1 when it found errors.
int CheckCommand(Context& c);

// import-medline LIB FILE [-o OUT]: the clipboard import with FILE's text;
// fetch LIB ID [-o OUT]: the PubMed fetch with ID as the clipboard text.
// Both save only when an item was imported (1 otherwise); a failed request
// is an unexpected failure (2).
int ImportMedlineCommand(Context& c);
int FetchCommand(Context& c);

} // namespace lorix::cli
