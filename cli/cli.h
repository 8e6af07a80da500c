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

#include "commands/command.h"
#include "core/session.h"

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

namespace lorix::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitNothing = 1; // ran, but found nothing to do or found problems
inline constexpr int kExitFailure = 2; // unexpected failure or usage error

// The front end of the commands: lorix-cli loads and saves in one run, so it
// never has unsaved changes to ask about and watches no file; the name to
// save under is the one given with -o.
class CliFrontEnd final : public FrontEnd {
  public:
    explicit CliFrontEnd(std::string saveAs) : m_saveAs(std::move(saveAs)) {}
    Answer AskSaveChanges(bool) override { return Answer::Cancel; }
    bool AskOverwrite(const std::string&) override { return false; }
    std::optional<std::string> AskSaveName() override;
    bool AskDeleteItem() override { return false; }

  private:
    std::string m_saveAs;
};

struct Context {
    Context(Session& s, std::ostream& o, std::ostream& e, std::vector<std::string> a, std::string out)
        : session(s), out(o), err(e), args(std::move(a)), output(std::move(out))
    {
        list.WithLines = false; // only "list" prints them
    }
    Session& session;
    std::ostream& out;
    std::ostream& err;
    std::vector<std::string> args; // the command's own arguments, options taken off
    std::string output;            // the file named by -o; empty when not given
    CliFrontEnd front{output};
    ListState list = ListStateFromSettings(session.Settings); // the main list as the settings set it up
    Outcome shown;                                            // what the commands left to show
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
// The Load command on lib; false when it was not loaded (the error has been
// reported).
bool Load(Context& c, const std::string& lib);
// The Save command, as Save As to the file named by -o when given.
void Save(Context& c);

// check LIB: the consistency check; 0 when it passed, 1 when it found errors.
int CheckCommand(Context& c);

// import-medline LIB FILE [-o OUT]: the clipboard import with FILE's text;
// fetch LIB ID [-o OUT]: the PubMed fetch with ID as the clipboard text;
// fetch-doi LIB ID [-o OUT]: the fetch by the DOI or arXiv identifier ID.
// They save only when an item was imported (1 otherwise); a failed request
// is an unexpected failure (2).
int ImportMedlineCommand(Context& c);
int FetchCommand(Context& c);
int FetchDoiCommand(Context& c);

} // namespace lorix::cli
