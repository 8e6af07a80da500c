// The editing commands of the main window: add and delete items, custom
// fields, keywords, the consistency check, the notes window and the
// see-through item editor. Until a command is built its entry stays
// disabled (see EditCommandsReady).
#include "ui/formmain.h"

#include <QMenu>

namespace lorix {

const QStringList& TFormMain::EditCommandsReady()
{
    // Names of the menu entries whose handler below is built.
    static const QStringList ready{};
    return ready;
}

void TFormMain::AddItemClick() {}
void TFormMain::mnuDeleteItemClick() {}
void TFormMain::newFieldClick(QObject* sender) { (void)sender; }
void TFormMain::AddFolderlocation1Click() {}
void TFormMain::AddKeywords1Click() {}
void TFormMain::CheckConsistency() {}
void TFormMain::ShowNotesWindow1Click() {}
void TFormMain::HideWindow1Click() {}
// Key E: the focus to the item editor window.
void TFormMain::KeyE() {}
// Key Z: the custom field dialog emptied, the focus on the name.
void TFormMain::KeyZ() {}
// The keyword popup menu from KeywordList, after every load.
void TFormMain::BuildPopupKeys() {}

} // namespace lorix
