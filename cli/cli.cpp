#include "cli/cli.h"

#include "commands/library.h"
#include "core/errors.h"
#include "core/fileio.h"
#include "core/library.h"
#include "exchange/htmlexport.h"
#include "exchange/template.h"
#include "view/listview.h"

#include <algorithm>
#include <iomanip>
#include <iostream>
#include <memory>

namespace lorix::cli {

namespace {

void PrintUsage(std::ostream& o)
{
    o << "usage: lorix-cli [--ini FILE] COMMAND ARGS... [-o OUT]\n"
         "       lorix-cli --help | --version\n"
         "commands:\n";
    for (const Command& c : Commands())
        o << "  " << std::left << std::setw(34) << c.synopsis << c.summary << "\n";
    o << "options:\n"
         "  --ini FILE, --ini=FILE            the settings file (default: lorix.ini in the current folder)\n"
         "  -o OUT                            the file the command writes\n"
         "  --                                ends the options: every later word is an argument\n"
         "  -h, --help                        print this help and exit\n"
         "  --version                         print the version and exit\n"
         "Messages go to standard error. Exit status: 0 done, 1 nothing to do or problems found,\n"
         "2 failure or usage error.\n";
}

// A usage error: what was wrong, then the usage, on standard error.
int UsageError(std::ostream& err, const std::string& problem)
{
    err << "lorix-cli: " << problem << "\n";
    PrintUsage(err);
    return kExitFailure;
}

// The command line taken apart. Options may stand before or after the
// command and its arguments, up to "--"; the first other word is the command.
struct CommandLine {
    bool help = false;
    bool version = false;
    std::string ini;
    const Command* command = nullptr;
    std::vector<std::string> args;
    std::string output;
    std::string problem; // a usage error; the other members are then incomplete
};

// Takes the value of the option name at argv[i], given as "NAME VALUE" or
// "NAME=VALUE" ("-oVALUE" for the one-letter -o); false when argv[i] is not
// that option. A missing or empty value is a usage error.
bool TakeValue(const std::vector<std::string>& argv, size_t& i, const std::string& name, std::string& into,
               std::string& problem)
{
    const std::string& a = argv[i];
    const std::string joined = name.size() == 2 ? name : name + "=";
    if (a == name && i + 1 < argv.size())
        into = argv[++i];
    else if (a == name || a.compare(0, joined.size(), joined) == 0)
        into = a.substr(std::min(a.size(), joined.size()));
    else
        return false;
    if (into.empty())
        problem = "option " + name + " needs a file name";
    return true;
}

CommandLine ParseCommandLine(const std::vector<std::string>& argv)
{
    CommandLine cl;
    bool optionsEnded = false;
    bool outputGiven = false;
    for (size_t i = argv.empty() ? 0 : 1; i < argv.size() && cl.problem.empty(); ++i) {
        const std::string& a = argv[i];
        if (!optionsEnded && a.size() > 1 && a[0] == '-') {
            if (a == "--")
                optionsEnded = true;
            else if (a == "-h" || a == "--help")
                cl.help = true;
            else if (a == "--version")
                cl.version = true;
            else if (TakeValue(argv, i, "-o", cl.output, cl.problem))
                outputGiven = true;
            else if (!TakeValue(argv, i, "--ini", cl.ini, cl.problem))
                cl.problem = "unknown option " + a;
            continue;
        }
        if (cl.command) {
            cl.args.push_back(a);
            continue;
        }
        for (const Command& c : Commands())
            if (a == c.name)
                cl.command = &c;
        if (!cl.command)
            cl.problem = "unknown command " + a;
    }
    if (!cl.problem.empty() || cl.help || cl.version)
        return cl;
    if (!cl.command)
        cl.problem = "no command given";
    else if (cl.args.size() < cl.command->argCount)
        cl.problem = std::string(cl.command->name) + ": missing argument";
    else if (cl.args.size() > cl.command->argCount)
        cl.problem = std::string(cl.command->name) + ": too many arguments";
    else if (outputGiven && !cl.command->takesOutput)
        cl.problem = std::string(cl.command->name) + " takes no -o";
    return cl;
}

int Format(Context& c)
{
    if (!Load(c, c.args[0]))
        return kExitNothing;
    Save(c);
    return kExitOk;
}

int List(Context& c)
{
    c.list.WithLines = true;
    if (!Load(c, c.args[0]))
        return kExitNothing;
    for (const std::string& line : *c.shown.Lines)
        c.out << line << '\n';
    return kExitOk;
}

int Template(Context& c)
{
    if (!Load(c, c.args[0]))
        return kExitNothing;
    const Session& s = c.session;
    for (const Bibitem& item : s.Bib.Library) {
        if (item.Reference != c.args[1])
            continue;
        c.out << RenderTemplate(item, s.Settings.Read(key::Format(item.ItemType)), s.schema.FieldNames)
              << '\n';
        return kExitOk;
    }
    c.err << "lorix-cli: no item with the reference " << c.args[1] << "\n";
    return kExitNothing;
}

int ExportHtml(Context& c)
{
    if (!Load(c, c.args[0]))
        return kExitNothing;
    Session& s = c.session;
    // The ticked boxes of the dialog: the fields of the listed items, sorted,
    // that "expfields" names.
    HtmlExportOptions options = HtmlExportOptionsFromSettings(s.Settings);
    const std::string expfields = s.Settings.Read(key::ExpFields);
    options.Fields.clear();
    for (const std::string& name : ExportFieldNames(s, s.ShownItems))
        if (ExportFieldTicked(expfields, name))
            options.Fields.push_back(name);
    WriteHtmlExport(s, s.ShownItems, options, HtmlExportPath(s, c.output));
    return kExitOk;
}

} // namespace

const std::vector<Command>& Commands()
{
    static const std::vector<Command> table = {
        {"format", "format LIB [-o OUT]", "load LIB and save it (to OUT as Save As)", 1, true, Format},
        {"list", "list LIB", "print the lines of the main list", 1, false, List},
        {"template", "template LIB REF", "print the item REF formatted by its type's template", 2, false,
         Template},
        {"export-html", "export-html LIB [-o FILE]", "write the listed items as an HTML table (exp.html)", 1,
         true, ExportHtml},
        {"check", "check LIB", "check for double references, schema errors, stray documents", 1, false,
         CheckCommand},
        {"import-medline", "import-medline LIB FILE [-o OUT]", "add the MEDLINE record in FILE", 2, true,
         ImportMedlineCommand},
        {"fetch", "fetch LIB ID [-o OUT]", "add the article ID fetched from PubMed", 2, true, FetchCommand},
        {"fetch-doi", "fetch-doi LIB ID [-o OUT]", "add the BibTeX of the DOI or arXiv id ID", 2, true,
         FetchDoiCommand},
    };
    return table;
}

std::optional<std::string> CliFrontEnd::AskSaveName()
{
    if (m_saveAs.empty())
        return std::nullopt;
    return m_saveAs;
}

bool Load(Context& c, const std::string& lib)
{
    return command::Open(c.session, c.list, c.front, lib, c.shown);
}

void Save(Context& c)
{
    if (!command::Save(c.session, c.list, c.front, !c.output.empty(), c.shown))
        throw FileError("No file name to save the library to.");
}

// The library of the last Run whose process ends after it. Freeing a large
// library item by item only costs time, and the system takes the memory
// back at once. Held in a global of the program's (not a local one, whose
// store the compiler may drop), it stays reachable for leak checkers.
Session* g_leftForExit = nullptr;

int Run(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err, bool processEnds)
{
    const CommandLine cl = ParseCommandLine(argv);
    if (!cl.problem.empty())
        return UsageError(err, cl.problem);
    if (cl.help) {
        PrintUsage(out);
        return kExitOk;
    }
    if (cl.version) {
        out << "lorix-cli " LORIX_VERSION "\n";
        return kExitOk;
    }

    auto* session = new Session;
    std::unique_ptr<Session> owner(processEnds ? nullptr : session);
    if (processEnds)
        g_leftForExit = session;
    Session& s = *session;
    int errors = 0;
    s.Log.Observer = [&err, &errors](const std::string& text, MessageKind kind) {
        errors += kind == MessageKind::Error;
        err << (kind == MessageKind::Status ? "status: " : "error: ") << text << "\n";
    };
    try {
        s.ProgramDir = CurrentDir();
        const std::string ini = cl.ini.empty() ? JoinPath(s.ProgramDir, kIniName) : cl.ini;
        if (!LoadSettingsFile(s, ini)) {
            err << "lorix-cli: settings file not found: " << ini
                << "\nlorix-cli: run it in a folder that holds " << kIniName
                << ", or name one with --ini FILE\n";
            return kExitFailure;
        }
        // The log file is neither read nor written: lorix-cli keeps no log.
        ParseSessionSchema(s);
        Context c{s, out, err, cl.args, cl.output};
        int rc = cl.command->run(c);
        out.flush();
        // A command that reported an error (a load that had to drop text, a
        // save that kept no backup) found problems, whatever it then wrote.
        return rc == kExitOk && errors > 0 ? kExitNothing : rc;
    } catch (const LorixError& e) {
        err << "lorix-cli: " << e.what() << "\n";
        return kExitFailure;
    } catch (const std::exception& e) {
        err << "lorix-cli: " << e.what() << "\n";
        return kExitFailure;
    }
}

} // namespace lorix::cli
