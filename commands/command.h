#pragma once
// What every command shares: the state of the main list it follows, the
// front end that answers its questions, the outcome it leaves the front end
// to show, and the one door of every change to the library.
//
// A command takes the Session, the list state and the front end, changes the
// session and fills an Outcome as it goes: after an unexpected failure (an
// exception) the outcome still says what was changed before it, and the
// front end shows that too.

#include "core/session.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace lorix {

// The main list as the user set it up: the window reads it from its menu and
// the options dialog, lorix-cli from the settings.
struct ListState {
    std::string SortKey = kNone; // a word of kSortOrders, or "*none*"
    bool Filtering = false;
    std::array<bool, 3> Not{}; // the "not" boxes of the three filter lines
    int SelectedLine = -1;     // -1 when no line is selected
    // The list's lines are wanted: lorix-cli builds them only to print them.
    bool WithLines = true;
};
// The sort order and filtering as stored, no "not" box ticked, nothing selected.
ListState ListStateFromSettings(const SettingsList& settings);

enum class Answer { Yes, No, Cancel };

// What a command needs from the program that runs it: answers to its
// questions, and an eye on the library's file.
class FrontEnd {
  public:
    virtual ~FrontEnd() = default;
    // "Library has changed since last save. Save now?": Yes, No, and Cancel
    // when cancellable.
    virtual Answer AskSaveChanges(bool cancellable) = 0;
    // The library's file was changed by another program since it was loaded
    // or saved: overwrite it?
    virtual bool AskOverwrite(const std::string& path) = 0;
    // The name to save the library under (Save As, or a library without a
    // name); nothing when cancelled.
    virtual std::optional<std::string> AskSaveName() = 0;
    // "Really delete item?"
    virtual bool AskDeleteItem() = 0;

    // The library now matches the file at path as it is on disk ("": it has
    // no file). lorix-cli, which loads and saves in one run, watches nothing.
    virtual void TakeFile(const std::string& path) { (void)path; }
    // Whether the file at path differs from what was taken.
    virtual bool FileChangedSinceTaken(const std::string& path)
    {
        (void)path;
        return false;
    }
};

// What a command leaves the front end to show, in this order.
struct Outcome {
    // Another library replaced the one in memory: the note on show, the
    // filter field choices and the keyword menu are the old library's.
    bool Loaded = false;
    // The list was rebuilt: its lines in shown order (Session::ShownItems
    // holds their items). Nothing is selected and the item editor is hidden.
    std::optional<std::vector<std::string>> Lines;
    // ReferenceKey of each of those lines' references, for the Navigator.
    std::vector<std::uint64_t> ReferenceKeys;
    bool FilteringOff = false; // filtering was switched off
    bool Heading = false;      // the library's name or its number of items changed
    bool LastFile = false;     // the setting "lastfile" changed
    bool Recent = false;       // the list of recent libraries changed
    // The item to select and show once the command has run to its end.
    int Show = -1;
};

// What the undo history records of a change, besides the items appended.
enum class Touches { Nothing, Notes };

// The one door of every change the user makes to the library or its notes:
// it runs just before the change is made, and the library counts as changed
// from then on. It opens a step of the undo history named name (what Undo
// names: "Delete Item", "Edit title", ...), which EndChange closes once the
// change is made: show is the item to show when the step is made again (-1:
// none). item is the item changed in place (library index), shown when the
// step is undone; -1 when the change only appends. Typing: a call with the
// merge key of the step before, while that step is open (the focus has not
// left the field), adds to it.
void BeginChange(Session& s, std::string name, int item = -1, std::string mergeKey = {},
                 Touches touches = Touches::Nothing);
void EndChange(Session& s, int show);

} // namespace lorix
