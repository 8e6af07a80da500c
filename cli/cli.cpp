#include "cli/cli.h"

#include "core/errors.h"
#include "core/fileio.h"
#include "core/library.h"
#include "exchange/htmlexport.h"
#include "exchange/template.h"
#include "view/listview.h"

#include <algorithm>
#include <iostream>

namespace lorix::cli {

namespace {

const char* const kSortKeys[] = {"title", "author", "year", "journal", "type", "ref"};

std::string SortKeyFromSettings(const SettingsList& settings)
{
    std::string k = settings.Read("sorting");
    for (const char* key : kSortKeys)
        if (k == key)
            return k;
    return kNone;
}

int Usage(std::ostream& err)
{
    err << "usage: lorix-cli [--ini FILE] COMMAND ARGS...\ncommands:\n";
    for (const Command& c : Commands())
        err << "  " << c.usage << "\n";
    return kExitFailure;
}

int Format(Context& c)
{
    std::string out = TakeOption(c.args, "-o");
    if (c.args.size() != 1)
        return Usage(c.err);
    if (!LoadAsGui(c, c.args[0]))
        return kExitNothing;
    SaveAsGui(c, out);
    return kExitOk;
}

int List(Context& c)
{
    if (c.args.size() != 1)
        return Usage(c.err);
    Session& s = c.session;
    s.Settings.Write("lastfile", s.Settings.Read("filename"));
    s.Settings.Write("filename", c.args[0]);
    if (!LoadNamedLibrary(s))
        return kExitNothing;
    for (const std::string& line : RefreshAsGui(c))
        c.out << line << '\n';
    return kExitOk;
}

int Template(Context& c)
{
    if (c.args.size() != 2)
        return Usage(c.err);
    if (!LoadAsGui(c, c.args[0]))
        return kExitNothing;
    const Session& s = c.session;
    for (const Bibitem& item : s.Bib.Library) {
        if (item.Reference != c.args[1])
            continue;
        c.out << RenderTemplate(item, s.Settings.Read("formats." + item.ItemType), s.schema.FieldNames)
              << '\n';
        return kExitOk;
    }
    c.err << "lorix-cli: no item with the reference " << c.args[1] << "\n";
    return kExitNothing;
}

int ExportHtml(Context& c)
{
    std::string file = TakeOption(c.args, "-o");
    if (c.args.size() != 1)
        return Usage(c.err);
    if (!LoadAsGui(c, c.args[0]))
        return kExitNothing;
    Session& s = c.session;
    // The ticked boxes of the dialog: the fields of the listed items, sorted,
    // that "expfields" names.
    HtmlExportOptions options = HtmlExportOptionsFromSettings(s.Settings);
    const std::string expfields = s.Settings.Read("expfields");
    options.Fields.clear();
    for (const std::string& name : ExportFieldNames(s, s.ShownItems))
        if (ExportFieldTicked(expfields, name))
            options.Fields.push_back(name);
    WriteHtmlExport(s, s.ShownItems, options, HtmlExportPath(s, file));
    return kExitOk;
}

} // namespace

const std::vector<Command>& Commands()
{
    static const std::vector<Command> table = {
        {"format", "format LIB [-o OUT]   load LIB and save it (to OUT as Save As)", Format},
        {"list", "list LIB              print the lines of the main list", List},
        {"template", "template LIB REF      print the item REF formatted by its type's template", Template},
        {"export-html", "export-html LIB [-o FILE]  write the listed items as an HTML table (exp.html)",
         ExportHtml},
        {"check", kCheckUsage, CheckCommand},
        {"import-medline", kImportMedlineUsage, ImportMedlineCommand},
        {"fetch", kFetchUsage, FetchCommand},
    };
    return table;
}

std::string TakeOption(std::vector<std::string>& args, const std::string& option)
{
    auto it = std::find(args.begin(), args.end(), option);
    if (it == args.end() || it + 1 == args.end())
        return {};
    std::string value = *(it + 1);
    args.erase(it, it + 2);
    return value;
}

std::vector<std::string> RefreshAsGui(Context& c)
{
    Session& s = c.session;
    std::string key = SortKeyFromSettings(s.Settings);
    ListResult r = BuildList(s, FilterRulesFromSettings(s.Settings), key);
    s.Status(r.Message);
    s.Settings.Write("sorting", key);
    s.ShownItems = std::move(r.ShownItems);
    return std::move(r.Lines);
}

bool LoadAsGui(Context& c, const std::string& lib)
{
    Session& s = c.session;
    s.Settings.Write("lastfile", s.Settings.Read("filename"));
    s.Settings.Write("filename", lib.empty() ? std::string(kNone) : lib);
    if (!LoadNamedLibrary(s))
        return false;
    RefreshAsGui(c);
    return true;
}

void SaveAsGui(Context& c, const std::string& saveAs)
{
    Session& s = c.session;
    if (!saveAs.empty()) {
        std::string name = saveAs;
        size_t slash = name.find_last_of('/');
        if (name.find('.', slash == std::string::npos ? 0 : slash + 1) == std::string::npos)
            name += ".bib";
        s.Settings.Write("filename", name);
    }
    const std::string filename = s.Settings.Read("filename");
    if (filename == kNone || filename.empty())
        throw FileError("No file name to save the library to.");
    if (s.Settings.IsYes("savesorted")) {
        std::string key = s.Settings.Read("sorting");
        if (key != kNone && !key.empty())
            SortLibrary(s.Bib, key);
        RefreshAsGui(c);
    }
    SaveLibraryFile(s, filename);
}

int Run(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err)
{
    std::vector<std::string> args(argv.begin() + (argv.empty() ? 0 : 1), argv.end());
    std::string ini = TakeOption(args, "--ini");
    if (args.empty())
        return Usage(err);
    const Command* command = nullptr;
    for (const Command& c : Commands())
        if (args[0] == c.name)
            command = &c;
    if (!command)
        return Usage(err);

    Session s;
    int errors = 0;
    s.Log.Observer = [&err, &errors](const std::string& text, MessageKind kind) {
        errors += kind == MessageKind::Error;
        err << (kind == MessageKind::Status ? "status: " : "error: ") << text << "\n";
    };
    try {
        s.ProgramDir = CurrentDir();
        if (!LoadSettingsFile(s, ini.empty() ? JoinPath(s.ProgramDir, kIniName) : ini)) {
            err << "Sorry, Lorix couldn't find it's ini file. Exiting.\n";
            return kExitFailure;
        }
        // The log file is neither read nor written: lorix-cli keeps no log.
        ParseSessionSchema(s);
        Context c{s, out, err, std::vector<std::string>(args.begin() + 1, args.end())};
        int rc = command->run(c);
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
