#pragma once
// The commands on the library as a whole: the list refresh, loading, saving,
// a new library and the shutdown.

#include "commands/command.h"

#include <vector>

namespace lorix::command {

// The main list rebuilt by the list state (admission, lines, sort), the sort
// order stored in "sorting"; with report, the count message.
void Refresh(Session& s, const ListState& state, bool report, Outcome& out);

// The load of the library named by "filename", asking nothing (at start-up).
// True when a library was loaded.
bool LoadCurrent(Session& s, const ListState& state, FrontEnd& front, Outcome& out);
// Load: the library at path in place of the open one. Unsaved changes are
// saved or asked about first; the open library's name becomes the last file.
// A load that fails sets both names back.
bool Open(Session& s, const ListState& state, FrontEnd& front, const std::string& path, Outcome& out);
// The last file again: "filename" and "lastfile" exchanged, then as Open.
bool OpenLast(Session& s, const ListState& state, FrontEnd& front, Outcome& out);
// The open library's file loaded again (another program changed it), after
// the unsaved changes were saved or asked about.
bool Reload(Session& s, const ListState& state, FrontEnd& front, Outcome& out);

// Save, or Save As (saveAs) under a name the front end gives, which a library
// without a name is asked for too. Asks before it overwrites a file another
// program changed; with "savesorted", sorts the library by "sorting" and
// refreshes the list first. True when the library was written.
bool Save(Session& s, const ListState& state, FrontEnd& front, bool saveAs, Outcome& out);

// New Library: after the unsaved changes were saved or asked about, an empty
// library named "new.bib" in the data folder.
bool NewLibrary(Session& s, const ListState& state, FrontEnd& front, Outcome& out);

struct WindowGeometry {
    key::WindowKeys Keys;
    int Width = 0, Top = 0, Height = 0, Left = 0;
};
// The shutdown: unsaved changes saved or asked about (Yes, No), then the
// window geometry ("savesize"), the log file, the switches of the Exiting
// options and the settings file written. False: a save was cancelled and
// nothing else happened.
bool Close(Session& s, const ListState& state, FrontEnd& front, const std::vector<WindowGeometry>& windows,
           Outcome& out);

} // namespace lorix::command
