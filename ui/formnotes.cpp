#include "ui/formnotes.h"

namespace lorix {

TFormNotes::TFormNotes(FormContext& ctx) : QWidget(nullptr), m_ctx(ctx)
{
    setObjectName(QStringLiteral("TFormNotes"));
    setWindowTitle(QStringLiteral("Notes"));
}

void TFormNotes::FormCreate()
{
    const SettingsList& st = m_ctx.s.Settings;
    const int w = st.ReadInt("notes.width");
    const int t = st.ReadInt("notes.top");
    const int h = st.ReadInt("notes.height");
    const int l = st.ReadInt("notes.left");
    resize(w, h);
    move(l, t);
}

} // namespace lorix
