#include "ui/context.h"

#include "core/errors.h"

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

} // namespace lorix
