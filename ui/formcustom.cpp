#include "ui/formcustom.h"

namespace lorix {

TFormCustom::TFormCustom(FormContext& ctx) : QWidget(nullptr), m_ctx(ctx)
{
    setObjectName(QStringLiteral("TFormCustom"));
    setWindowTitle(QStringLiteral("Custom Field"));
}

void TFormCustom::FormCreate() {}

} // namespace lorix
