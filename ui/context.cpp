#include "ui/context.h"

#include "core/errors.h"
#include "ui/formdisplay.h"
#include "ui/formmain.h"

#include <QWidget>

namespace lorix {

bool RunCommand(FormContext& ctx, QWidget* parent, const std::function<void()>& command)
{
    try {
        command();
        return true;
    } catch (const LorixError& e) {
        ctx.dialogs().errorBox(parent, QString::fromUtf8(e.what()));
    } catch (const std::exception& e) {
        ctx.dialogs().errorBox(parent, QString::fromUtf8(e.what()));
    }
    return false;
}

void EnableWindowsBehind(FormContext& ctx, bool enabled)
{
    for (QWidget* w : {static_cast<QWidget*>(ctx.w.Main), static_cast<QWidget*>(ctx.w.Display)})
        if (w)
            w->setEnabled(enabled);
}

} // namespace lorix
