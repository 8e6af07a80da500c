#include "ui/formdisplay.h"

namespace lorix {

TFormDisplay::TFormDisplay(FormContext& ctx) : QWidget(nullptr), m_ctx(ctx)
{
    setObjectName(QStringLiteral("TFormDisplay"));
    setWindowTitle(QStringLiteral("Lorix Item"));
}

void TFormDisplay::FormCreate()
{
    // Geometry as it was left at the last exit.
    const SettingsList& st = m_ctx.s.Settings;
    const int w = st.ReadInt("display.width");
    const int t = st.ReadInt("display.top");
    const int h = st.ReadInt("display.height");
    const int l = st.ReadInt("display.left");
    resize(w, h);
    move(l, t);
}

void TFormDisplay::ShowItem(int itemIndex)
{
    (void)itemIndex;
}

} // namespace lorix
