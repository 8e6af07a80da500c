#include "ui/formabout.h"

namespace lorix {

TFormAbout::TFormAbout(FormContext& ctx) : QWidget(nullptr), m_ctx(ctx)
{
    setObjectName(QStringLiteral("TFormAbout"));
    setWindowTitle(QStringLiteral("About Lorix"));
}

void TFormAbout::FormCreate() {}

} // namespace lorix
