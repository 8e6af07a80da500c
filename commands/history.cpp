#include "commands/history.h"

#include "commands/library.h"

namespace lorix::command {

bool Undo(Session& s, const ListState& state, bool redo, Outcome& out)
{
    const UndoHistory::Applied a = redo ? s.History.Redo() : s.History.Undo();
    if (!a.Done)
        return false;
    s.LibraryChanged = true;
    Refresh(s, state, false, out);
    out.Heading = true;
    if (a.Selection >= 0 && a.Selection < static_cast<int>(s.Bib.Library.size()))
        out.Show = a.Selection;
    return true;
}

std::string UndoCaption(const Session& s, bool redo)
{
    const std::string& name = redo ? s.History.RedoName() : s.History.UndoName();
    const std::string word = redo ? "Redo" : "Undo";
    return name.empty() ? word : word + " " + name;
}

} // namespace lorix::command
