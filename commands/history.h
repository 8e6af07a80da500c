#pragma once
// Undo and Redo: the steps of the library's undo history taken back and
// made again, with the list and the item on show following them.

#include "commands/command.h"

namespace lorix::command {

// Undo, or Redo with redo: the last step taken back, or the last one taken
// back made again. The list is rebuilt and the item the step changed is to
// be shown; the library counts as changed. False when there was no step
// (or the history no longer fitted the library and was dropped).
bool Undo(Session& s, const ListState& state, bool redo, Outcome& out);

// The captions of the Edit menu's entries: "Undo Delete Item", "Redo Edit
// title", or the bare word when there is no step.
std::string UndoCaption(const Session& s, bool redo);

} // namespace lorix::command
