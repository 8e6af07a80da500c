// The import, export and help commands of the main window. Until a command
// is built its entry stays disabled (see ExchangeCommandsReady).
#include "ui/formmain.h"

namespace lorix {

const QStringList& TFormMain::ExchangeCommandsReady()
{
    // Names of the menu entries whose handler below is built.
    static const QStringList ready{};
    return ready;
}

void TFormMain::mnuImportfCClick() {}
void TFormMain::fromPubMed1Click() {}
void TFormMain::watchClipClick() {}
void TFormMain::mnuHTMLClick() {}
void TFormMain::ExpToClipClick() {}
void TFormMain::Contents1Click() {}
void TFormMain::mnuAboutClick() {}

} // namespace lorix
