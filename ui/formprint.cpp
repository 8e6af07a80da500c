#include "ui/formprint.h"

namespace lorix {

TFormPrint::TFormPrint(FormContext& ctx) : QWidget(nullptr), m_ctx(ctx)
{
    setObjectName(QStringLiteral("TFormPrint"));
    setWindowTitle(QStringLiteral("HTML Export"));
}

void TFormPrint::FormCreate() {}

} // namespace lorix
