// The import, export and help commands of the main window. Until a command
// is built its entry stays disabled (see ExchangeCommandsReady).
#include "ui/formmain.h"

#include "core/fileio.h"
#include "ui/formabout.h"

namespace lorix {

const QStringList& TFormMain::ExchangeCommandsReady()
{
    // Names of the menu entries whose handler below is built.
    static const QStringList ready{QStringLiteral("Contents1"), QStringLiteral("mnuAbout")};
    return ready;
}

void TFormMain::mnuImportfCClick() {}
void TFormMain::fromPubMed1Click() {}
void TFormMain::watchClipClick() {}
void TFormMain::mnuHTMLClick() {}
void TFormMain::ExpToClipClick() {}
void TFormMain::Contents1Click()
{
    const std::string page = JoinPath(m_ctx.s.ProgramDir, "manual/lorix.html");
    m_ctx.platform.shell.open(QString::fromStdString(page));
}
void TFormMain::mnuAboutClick()
{
    m_ctx.w.About->ShowAbout();
}

} // namespace lorix
