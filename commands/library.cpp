#include "commands/library.h"

#include "core/errors.h"
#include "core/library.h"
#include "core/recent.h"
#include "view/listview.h"

namespace lorix::command {

void Refresh(Session& s, const ListState& state, bool report, Outcome& out)
{
    FilterRules rules = FilterRulesFromSettings(s.Settings);
    rules.Filtering = state.Filtering;
    for (size_t i = 0; i < rules.Lines.size(); ++i)
        rules.Lines[i].Not = state.Not[i];
    ListResult result = BuildList(s, rules, state.SortKey, state.WithLines);
    if (report)
        s.Status(result.Message);
    s.Settings.Write(key::Sorting, state.SortKey);
    s.ShownItems = std::move(result.ShownItems);
    out.Lines = std::move(result.Lines);
    out.ReferenceKeys = std::move(result.ReferenceKeys);
}

namespace {

// The library's file goes first in the list of recent libraries.
void Remember(Session& s, Outcome& out)
{
    RememberRecentLibrary(s.Settings, s.Settings.Read(key::Filename), s.ProgramDir);
    out.Recent = true;
}

// Before the library is replaced: unsaved changes saved (autosave) or asked
// about. False: stop, nothing was dropped.
bool SaveOrAskFirst(Session& s, const ListState& state, FrontEnd& front, Outcome& out)
{
    if (!s.LibraryChanged)
        return true;
    if (!s.Settings.IsYes(key::AutoSave)) {
        switch (front.AskSaveChanges(true)) {
        case Answer::Cancel:
            return false;
        case Answer::No:
            return true;
        case Answer::Yes:
            break;
        }
    }
    // A save that fails throws, which ends the command that asked.
    return Save(s, state, front, false, out);
}

// The library's names before a load replaced them.
struct Names {
    std::string File;
    std::string Last;
};

// Loads the library named by "filename" and takes its file. When the load
// fails, the names are set back to before (when given): the library stays
// as it was, and a later save must not write it under the new name.
bool LoadNamed(Session& s, const ListState& state, FrontEnd& front, const Names* before, Outcome& out)
{
    const std::string name = s.Settings.ReadPath(key::Filename);
    if (name.empty()) {
        front.TakeFile({});
        return false;
    }
    bool loaded = false;
    try {
        loaded = LoadNamedLibrary(s);
    } catch (const FileError&) {
        if (before) {
            s.Settings.Write(key::Filename, before->File);
            s.Settings.Write(key::LastFile, before->Last);
            out.LastFile = true;
        }
        throw;
    }
    front.TakeFile(name);
    if (!loaded)
        return false;
    Remember(s, out);
    out.Loaded = true;
    Refresh(s, state, true, out);
    out.Heading = true;
    return true;
}

Names NamesNow(const Session& s)
{
    return {s.Settings.Read(key::Filename), s.Settings.Read(key::LastFile)};
}

} // namespace

bool LoadCurrent(Session& s, const ListState& state, FrontEnd& front, Outcome& out)
{
    return LoadNamed(s, state, front, nullptr, out);
}

bool Open(Session& s, const ListState& state, FrontEnd& front, const std::string& path, Outcome& out)
{
    if (!SaveOrAskFirst(s, state, front, out))
        return false;
    const Names before = NamesNow(s);
    s.Settings.Write(key::LastFile, before.File);
    s.Settings.WritePath(key::Filename, path);
    out.LastFile = true;
    return LoadNamed(s, state, front, &before, out);
}

bool OpenLast(Session& s, const ListState& state, FrontEnd& front, Outcome& out)
{
    if (!SaveOrAskFirst(s, state, front, out))
        return false;
    const Names before = NamesNow(s);
    s.Settings.Write(key::Filename, before.Last);
    s.Settings.Write(key::LastFile, before.File);
    out.LastFile = true;
    return LoadNamed(s, state, front, &before, out);
}

bool Reload(Session& s, const ListState& state, FrontEnd& front, Outcome& out)
{
    return SaveOrAskFirst(s, state, front, out) && LoadNamed(s, state, front, nullptr, out);
}

bool Save(Session& s, const ListState& state, FrontEnd& front, bool saveAs, Outcome& out)
{
    // A library that has no file name yet is saved as under a new name, so
    // that no file named "*none*" is ever written.
    if (saveAs || s.Settings.Read(key::Filename) == kNone) {
        const std::optional<std::string> chosen = front.AskSaveName();
        if (!chosen || chosen->empty())
            return false;
        s.Settings.Write(key::Filename, LibraryFileName(*chosen));
        out.Heading = true;
    }
    const std::string path = s.Settings.Read(key::Filename);
    if (front.FileChangedSinceTaken(path) && !front.AskOverwrite(path))
        return false; // nothing written; the changes stay unsaved
    if (s.Settings.IsYes(key::SaveSorted)) {
        if (const SortOrder* order = FindSortOrder(s.Settings.Read(key::Sorting)))
            s.History.Reorder("Sort Library", SortLibrary(s.Bib, order->Column));
        Refresh(s, state, true, out);
    }
    SaveLibraryFile(s, path);
    front.TakeFile(path);
    Remember(s, out);
    return true;
}

bool NewLibrary(Session& s, const ListState& state, FrontEnd& front, Outcome& out)
{
    if (!SaveOrAskFirst(s, state, front, out))
        return false;
    s.Bib.Clear();
    s.History.Clear();
    s.LibraryChanged = false; // saved, or dropped by the answer No
    s.Settings.Write(key::LastFile, s.Settings.Read(key::Filename));
    // Without a data folder the new library goes to the working folder; a
    // name built from "*none*" could never be written.
    s.Settings.Write(key::Filename, s.Settings.ReadPath(key::DataPath) + "new.bib");
    // A file of that name may exist already: its first save must not
    // overwrite a change made to it from now on.
    front.TakeFile(s.Settings.Read(key::Filename));
    Refresh(s, state, false, out);
    out.Heading = true;
    return true;
}

bool Close(Session& s, const ListState& state, FrontEnd& front, const std::vector<WindowGeometry>& windows,
           Outcome& out)
{
    SettingsList& st = s.Settings;
    if (s.LibraryChanged) {
        const bool save = st.IsYes(key::AutoSave) || front.AskSaveChanges(false) == Answer::Yes;
        if (save && !Save(s, state, front, false, out))
            return false; // no name chosen: nothing saved
    }
    if (st.IsYes(key::SaveSize))
        for (const WindowGeometry& w : windows) {
            st.Write(w.Keys.Width, std::to_string(w.Width));
            st.Write(w.Keys.Top, std::to_string(w.Top));
            st.Write(w.Keys.Height, std::to_string(w.Height));
            st.Write(w.Keys.Left, std::to_string(w.Left));
        }
    if (st.IsYes(key::WriteLog))
        WriteLogFile(s); // skipped for "*none*": never a file of that name
    if (st.IsYes(key::SwitchFilteringOff))
        st.Write(key::Filtering, "no");
    if (st.IsYes(key::SwitchSortingOff))
        st.Write(key::Sorting, "");
    WriteSettingsFile(s);
    return true;
}

} // namespace lorix::command
