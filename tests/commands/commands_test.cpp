// The commands run on a session with a scripted front end: what they ask,
// what they change on disk and in memory, and what they leave to show.
#include "commands/bibimport.h"
#include "commands/history.h"
#include "commands/import.h"
#include "commands/items.h"
#include "commands/library.h"
#include "core/errors.h"
#include "core/fileio.h"
#include "core/library.h"
#include "support/testutil.h"

#include <deque>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

using namespace lorix;
using namespace lorix::test;

namespace {

template <typename T> T Next(std::deque<T>& queue, T fallback)
{
    if (queue.empty())
        return fallback;
    T next = queue.front();
    queue.pop_front();
    return next;
}

// Answers from queues (Cancel and no name when they run out); counts what it was asked.
struct ScriptedFront final : FrontEnd {
    std::deque<Answer> saveAnswers;
    std::deque<std::optional<std::string>> names;
    bool overwrite = false, deleteItem = true, changedOnDisk = false;
    int asked = 0;
    std::vector<std::string> taken;

    Answer AskSaveChanges(bool) override { return ++asked, Next(saveAnswers, Answer::Cancel); }
    bool AskOverwrite(const std::string&) override { return ++asked, overwrite; }
    std::optional<std::string> AskSaveName() override { return ++asked, Next(names, {}); }
    bool AskDeleteItem() override { return ++asked, deleteItem; }
    void TakeFile(const std::string& path) override { taken.push_back(path); }
    bool FileChangedSinceTaken(const std::string&) override { return changedOnDisk; }
};

// A session on data/lorix.ini in a fresh folder holding one.bib (item "old")
// and two.bib (item "new"), with one.bib loaded; its error messages are kept.
struct Fixture {
    TempDir dir;
    Session s;
    ScriptedFront front;
    ListState state;
    Outcome out;
    std::vector<std::string> errors;

    Fixture()
    {
        s.Log.Observer = [this](const std::string& text, MessageKind kind) {
            if (kind == MessageKind::Error)
                errors.push_back(text);
        };
        EXPECT_TRUE(LoadSettingsFile(s, LORIX_SOURCE_DIR "/data/lorix.ini"));
        s.ProgramDir = dir.path();
        for (auto k : {key::PdfPath, key::LastFile})
            s.Settings.Write(k, "*none*");
        s.Settings.Write(key::Backup, "no");
        s.Settings.Write(key::WriteLog, "no");
        s.Settings.Write(key::DataPath, dir.path() + "/");
        WriteFile(dir.file("one.bib"), "@misc{old,\r\n  note = {x}\r\n  }\r\n\r\n");
        WriteFile(dir.file("two.bib"), "@misc{new, note = {y}}\n");
        s.Settings.Write(key::Filename, dir.file("one.bib"));
        EXPECT_TRUE(command::LoadCurrent(s, state, front, out));
    }
    std::string Names() const { return s.Settings.Read(key::Filename) + " " + s.Settings.Read(key::LastFile); }
    std::string FirstRef() const { return s.Bib.Library.empty() ? "" : s.Bib.Library[0].Reference; }
    bool OneOnDiskEdited() const { return ReadFile(dir.file("one.bib")).find("edited") != std::string::npos; }
    void Edit()
    {
        command::EditField(s, 0, "note", "edited");
        ASSERT_TRUE(s.LibraryChanged);
    }
};

} // namespace

// Every way of replacing the library with unsaved changes: Yes saves them
// first, No drops them, Cancel leaves everything as it was; with autosave
// nothing is asked and they are saved. The old name becomes the last file;
// New Library leaves nothing of the old one and is named new.bib in the data
// folder.
TEST(Commands, UnsavedChangesAreSavedOrAskedAboutBeforeTheLibraryIsReplaced)
{
    using Run = bool (*)(Fixture&);
    const std::pair<const char*, Run> ways[] = {
        {"open", [](Fixture& f) { return command::Open(f.s, f.state, f.front, f.dir.file("two.bib"), f.out); }},
        {"last", [](Fixture& f) { return command::OpenLast(f.s, f.state, f.front, f.out); }},
        {"new", [](Fixture& f) { return command::NewLibrary(f.s, f.state, f.front, f.out); }},
    };
    for (const auto& [way, run] : ways)
        for (const char* answer : {"yes", "no", "cancel", "autosave"}) {
            SCOPED_TRACE(std::string(way) + " " + answer);
            Fixture f;
            f.s.Settings.Write(key::LastFile, f.dir.file("two.bib"));
            f.Edit();
            f.s.Bib.Blocks = {"@string{x = \"y\"}"};
            const std::string names = f.Names();
            const std::string a = answer;
            if (a == "autosave")
                f.s.Settings.Write(key::AutoSave, "yes");
            else
                f.front.saveAnswers = {a == "yes" ? Answer::Yes : a == "no" ? Answer::No : Answer::Cancel};
            const bool ran = run(f);
            EXPECT_EQ(f.front.asked, a == "autosave" ? 0 : 1);
            EXPECT_EQ(ran, a != "cancel");
            EXPECT_EQ(f.OneOnDiskEdited(), a == "yes" || a == "autosave");
            EXPECT_EQ(f.s.LibraryChanged, a == "cancel");
            if (a == "cancel") {
                EXPECT_EQ(f.Names(), names);
                EXPECT_EQ(f.FirstRef(), "old");
            } else {
                const bool fresh = std::string(way) == "new";
                EXPECT_EQ(f.Names(), f.dir.file(fresh ? "new.bib" : "two.bib") + " " + f.dir.file("one.bib"));
                EXPECT_EQ(FormatLibrary(f.s.Bib, {}).substr(0, 10), fresh ? "" : "@misc{new,");
            }
        }
    // Without a data folder the new library's name has no folder either, never "*none*new.bib".
    Fixture f;
    f.s.Settings.Write(key::DataPath, kNone);
    ASSERT_TRUE(command::NewLibrary(f.s, f.state, f.front, f.out));
    EXPECT_EQ(f.s.Settings.Read(key::Filename), "new.bib");
}

// With autosave on, a save that fails stops the load: nothing is replaced.
// A load that fails leaves the library and both of its names as they were,
// so that a later save cannot write the old library under the new name.
TEST(Commands, AFailedSaveOrLoadReplacesNothing)
{
    Fixture f;
    f.Edit();
    f.s.Settings.Write(key::AutoSave, "yes");
    f.s.Settings.Write(key::Filename, f.dir.file("no/such/folder/one.bib"));
    EXPECT_THROW(command::Open(f.s, f.state, f.front, f.dir.file("two.bib"), f.out), FileError);
    EXPECT_EQ(f.front.asked, 0);
    EXPECT_EQ(f.FirstRef(), "old");
    EXPECT_TRUE(f.s.LibraryChanged);
    Fixture g;
    WriteFile(g.dir.file("c.bib"), "@misc{c, note = {z}}\n");
    WriteFile(g.dir.file("c.not"), "c\r\nnote\r\n");
    ::chmod(g.dir.path().c_str(), 0755);
    ::chmod(g.dir.file("c.not").c_str(), 0);
    const std::string names = g.Names();
    // The notes file is unreadable for anyone but the superuser.
    const bool root = ::geteuid() == 0;
    ASSERT_TRUE(!root || ::seteuid(65534) == 0);
    const std::string thrown =
        Thrown<FileError>([&] { command::Open(g.s, g.state, g.front, g.dir.file("c.bib"), g.out); });
    ASSERT_TRUE(!root || ::seteuid(0) == 0);
    EXPECT_EQ(thrown.rfind("Cannot open file", 0), 0u) << thrown;
    EXPECT_EQ(g.Names(), names);
    EXPECT_TRUE(g.out.LastFile);
    EXPECT_EQ(g.FirstRef(), "old");
}

// Save asks before it overwrites a file another program changed; a library
// without a name (and Save As) asks for one, and a dotless name gets ".bib".
TEST(Commands, SaveAsksBeforeOverwritingAndForAName)
{
    {
        Fixture f;
        f.Edit();
        f.front.changedOnDisk = true;
        EXPECT_FALSE(command::Save(f.s, f.state, f.front, false, f.out));
        EXPECT_FALSE(f.OneOnDiskEdited());
        EXPECT_TRUE(f.s.LibraryChanged);
        f.front.overwrite = true;
        EXPECT_TRUE(command::Save(f.s, f.state, f.front, false, f.out));
        EXPECT_TRUE(f.OneOnDiskEdited());
        EXPECT_EQ(f.front.taken.back(), f.dir.file("one.bib"));
    }
    const std::pair<std::optional<std::string>, std::string> names[] = {
        {std::nullopt, "*none*"}, {"", "*none*"}, {"out", "out.bib"}, {"sub.d/out", "sub.d/out.bib"},
        {"out.txt", "out.txt"}};
    for (const auto& [chosen, stored] : names) {
        Fixture f;
        f.s.Settings.Write(key::Filename, "*none*");
        ::mkdir(f.dir.file("sub.d").c_str(), 0755);
        const std::string path = chosen && !chosen->empty() ? f.dir.file(*chosen) : "";
        f.front.names = {chosen ? std::optional(path) : std::nullopt};
        EXPECT_EQ(command::Save(f.s, f.state, f.front, false, f.out), !path.empty());
        EXPECT_EQ(f.s.Settings.Read(key::Filename), path.empty() ? stored : f.dir.file(stored));
        EXPECT_FALSE(Exists(f.dir.file("*none*")));
    }
}

// Adding switches filtering off and shows the new item; deleting needs a
// selected line and a Yes, and shows a neighbour.
TEST(Commands, AddAndDeleteItems)
{
    Fixture f;
    f.state.Filtering = true;
    f.s.Settings.Write(key::Filtering, "yes");
    const int added = command::AddItem(f.s, f.state, "old", f.out);
    EXPECT_EQ(f.s.Bib.Library.at(static_cast<size_t>(added)).Reference, "olda");
    EXPECT_EQ(f.out.Show, added);
    EXPECT_TRUE(f.out.FilteringOff && !f.state.Filtering);
    EXPECT_EQ(f.s.Settings.Read(key::Filtering), "no");
    EXPECT_TRUE(f.s.LibraryChanged);

    for (const auto& [line, yes, deleted] : {std::tuple{-1, true, false}, {0, false, false}, {0, true, true}}) {
        Fixture g;
        command::AddItem(g.s, g.state, "b", g.out);
        command::AddItem(g.s, g.state, "b", g.out);
        g.s.LibraryChanged = false;
        g.out = {};
        g.state.SelectedLine = line;
        g.front.deleteItem = yes;
        EXPECT_EQ(command::DeleteItem(g.s, g.state, g.front, g.out), deleted);
        EXPECT_EQ(g.s.Bib.Library.size(), deleted ? 2u : 3u);
        EXPECT_EQ(g.s.LibraryChanged, deleted);
        EXPECT_EQ(g.out.Show, deleted ? g.s.ShownItems.at(1) : -1);
    }
}

// An import into a Windows-1252 library arrives converted; a character it
// keeps that the code page lacks refuses the whole import, and the library
// is left as it was.
TEST(Commands, ImportKeepsTheLibrarysEncoding)
{
    const std::tuple<bool, std::string, std::string, std::string> rows[] = {
        // UTF-8 library, title imported, title|author as stored, error
        {true, "Caf\xC3\xA9 \xE2\x80\x93", "Caf\xC3\xA9 \xE2\x80\x93|M\xC3\xBCller, A", ""},
        {false, "Caf\xC3\xA9 \xE2\x80\x93", "Caf\xE9 \x96|M\xFCller, A", ""},
        {false, "\xCE\xB1", "", "Character U+03B1 cannot be held by Windows-1252, the encoding of this library: "
                               "not importing."},
    };
    for (const auto& [utf8, title, stored, error] : rows) {
        Fixture f;
        f.s.Bib.Utf8 = utf8;
        const std::string record = "TI  - " + title + "\nAU  - M\xC3\xBCller A\nDP  - 2001\n";
        const bool added = command::ImportMedline(f.s, f.state, record, f.out);
        const Bibitem& item = f.s.Bib.Library.back();
        EXPECT_EQ(added ? GetFieldValue(item, "title") + "|" + GetFieldValue(item, "author") : "", stored);
        EXPECT_EQ(f.s.Bib.Library.size(), added ? 2u : 1u);
        EXPECT_EQ(f.s.LibraryChanged, added);
        EXPECT_EQ(f.errors, error.empty() ? std::vector<std::string>{} : std::vector<std::string>{error});
    }
}

// Every command that changes the library is one step of the undo history,
// named in the Undo caption: undone, the library and its notes are as
// before, and the item is shown again; redone, as after.
TEST(Commands, EveryChangeIsOneUndoStep)
{
    auto image = [](const Fixture& f) { return FormatLibrary(f.s.Bib, {}) + "notes:" + JoinLines(f.s.NotesList, "|"); };
    using Run = void (*)(Fixture&);
    const std::tuple<const char*, Run, int> changes[] = { // Undo caption, change, item shown when undone
        // one field typed into: one step
        {"Edit note", [](auto& f) { for (auto t : {"y", "yes"}) command::EditField(f.s, 1, "note", t); }, 1},
        {"Edit reference", [](auto& f) { command::EditField(f.s, 0, "reference", "renamed"); }, 0},
        {"Change Type", [](auto& f) { command::SetItemType(f.s, 1, "book"); }, 1},
        {"Add Custom Field", [](auto& f) { command::AddField(f.s, 0, "note", "more"); }, 0},
        {"New Item", [](auto& f) { command::AddItem(f.s, f.state, "old", f.out); }, -1},
        {"Delete Item",
         [](auto& f) { f.state.SelectedLine = 0, command::DeleteItem(f.s, f.state, f.front, f.out); }, 0},
        {"Edit Note", [](auto& f) { command::EditNote(f.s, "OLD", "changed"); }, 0},
        {"Import from Clipboard",
         [](auto& f) { command::ImportMedline(f.s, f.state, "AU  - Smith J\nTI  - T\nAB  - A.\n", f.out); }, -1},
        {"Paste BibTeX", [](auto& f) {
             command::PasteBibtex(f.s, f.state, "@string{m = {M}}\n@book{old, title = m}\n@misc{x}\n", f.out);
         }, -1},
    };
    for (const auto& [caption, run, shown] : changes) {
        SCOPED_TRACE(caption);
        Fixture f;
        command::AddItem(f.s, f.state, "second", f.out);
        command::EditNote(f.s, "old", "its note");
        f.s.History.Clear();
        const std::string before = image(f);
        run(f);
        const std::string after = image(f);
        ASSERT_NE(after, before);
        EXPECT_EQ(command::UndoCaption(f.s, false), "Undo " + std::string(caption));
        f.s.LibraryChanged = false;
        f.out = {};
        ASSERT_TRUE(command::Undo(f.s, f.state, false, f.out));
        EXPECT_EQ(image(f), before);
        EXPECT_EQ(f.out.Show, shown);
        EXPECT_TRUE(f.s.LibraryChanged && f.out.Lines);
        EXPECT_FALSE(command::Undo(f.s, f.state, false, f.out));
        ASSERT_TRUE(command::Undo(f.s, f.state, true, f.out));
        EXPECT_EQ(image(f), after);
    }
}

// A load and a new library clear the history; a save keeps it, and the new
// order of a sorted save is a step of its own.
TEST(Commands, LoadClearsTheHistorySaveKeepsIt)
{
    Fixture f;
    command::AddItem(f.s, f.state, "a", f.out);
    command::EditField(f.s, 0, "note", "edited");
    f.s.Settings.Write(key::SaveSorted, "yes");
    f.s.Settings.Write(key::Sorting, "ref");
    ASSERT_TRUE(command::Save(f.s, f.state, f.front, false, f.out));
    ASSERT_EQ(f.FirstRef(), "a");
    EXPECT_EQ(command::UndoCaption(f.s, false), "Undo Sort Library");
    ASSERT_TRUE(command::Undo(f.s, f.state, false, f.out));
    ASSERT_EQ(f.FirstRef(), "old");
    ASSERT_TRUE(command::Undo(f.s, f.state, false, f.out));
    EXPECT_EQ(GetFieldValue(f.s.Bib.Library[0], "note"), "x");
    f.front.saveAnswers = {Answer::No, Answer::No};
    ASSERT_TRUE(command::Open(f.s, f.state, f.front, f.dir.file("two.bib"), f.out));
    EXPECT_FALSE(f.s.History.CanUndo() || f.s.History.CanRedo());
    command::AddItem(f.s, f.state, "b", f.out);
    ASSERT_TRUE(command::NewLibrary(f.s, f.state, f.front, f.out));
    EXPECT_EQ(command::UndoCaption(f.s, false), "Undo");
}

// The shutdown: a save whose name is not given stops it before anything is
// written; otherwise the geometry and the switches go into the settings file.
TEST(Commands, CloseSavesOrStopsFirst)
{
    for (const bool named : {false, true}) {
        Fixture f;
        f.s.Settings.Write(key::Filename, "*none*");
        f.Edit();
        f.s.Settings.Write(key::SwitchFilteringOff, "yes");
        f.s.Settings.Write(key::Filtering, "yes");
        f.front.saveAnswers = {Answer::Yes};
        if (named)
            f.front.names = {f.dir.file("kept.bib")};
        const command::WindowGeometry main{key::MainWindow, 700, 1, 500, 2};
        EXPECT_EQ(command::Close(f.s, f.state, f.front, {main}, f.out), named);
        const std::string ini = Exists(f.dir.file("lorix.ini")) ? ReadFile(f.dir.file("lorix.ini")) : "";
        EXPECT_EQ(ini.find("filtering=no") != std::string::npos, named);
        EXPECT_EQ(ini.find("main.width=700") != std::string::npos, named);
        EXPECT_EQ(Exists(f.dir.file("kept.bib")), named);
    }
}
