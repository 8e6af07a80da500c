#include "ui/formnotes.h"

#include "commands/items.h"
#include "core/model.h"
#include "core/text.h"

#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QShowEvent>
#include <QTextCursor>
#include <QVBoxLayout>
#include <algorithm>

namespace lorix {

TFormNotes::TFormNotes(FormContext& ctx) : QWidget(nullptr), m_ctx(ctx)
{
    setObjectName(QStringLiteral("TFormNotes"));
    setWindowTitle(QStringLiteral("Notes"));
    NotesMemo = new QPlainTextEdit(this);
    NotesMemo->setObjectName(QStringLiteral("NotesMemo"));
    NotesMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    NotesMemo->installEventFilter(this);
    // The memo fills the client area whatever the window's size.
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(NotesMemo);
    connect(NotesMemo, &QPlainTextEdit::textChanged, this,
            [this] { RunCommand(m_ctx, this, [this] { NotesMemoChange(); }); });
}

void TFormNotes::FormCreate()
{
    const SettingsList& st = m_ctx.s.Settings;
    const int w = st.ReadInt(key::NotesWindow.Width);
    const int t = st.ReadInt(key::NotesWindow.Top);
    const int h = st.ReadInt(key::NotesWindow.Height);
    const int l = st.ReadInt(key::NotesWindow.Left);
    resize(w, h);
    move(l, t);
    PlaceOnScreen(this);
}

void TFormNotes::ShowNote(const std::string& reference)
{
    // Showing a note files nothing.
    m_restoring = true;
    NotesMemo->clear();
    Rename(reference);
    const int line = FindNoteLine(m_ctx.s.NotesList, reference);
    if (line >= 0)
        NotesMemo->setPlainText(m_ctx.Text(m_ctx.s.NotesList[static_cast<size_t>(line)]));
    m_restoring = false;
}

void TFormNotes::Forget()
{
    m_hasKey = false;
    m_key.clear();
    NotesMemo->clear();
    setWindowTitle(QStringLiteral("Notes"));
}

void TFormNotes::Rename(const std::string& reference)
{
    m_key = reference;
    m_hasKey = true;
    setWindowTitle(m_ctx.Text(reference));
}

void TFormNotes::ApplyDispNotes()
{
    switch (DispNotesChoice(m_ctx)) {
    case 0:
        show();
        break;
    case 1:
        hide();
        break;
    default: // 2
        setVisible(!NotesMemo->toPlainText().isEmpty());
        break;
    }
}

void TFormNotes::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        PlaceOnScreen(this); // the frame is known now
}

bool TFormNotes::eventFilter(QObject* watched, QEvent* event)
{
    // A note is one line: Enter types a space.
    if (watched == NotesMemo && event->type() == QEvent::KeyPress) {
        auto* ke = static_cast<QKeyEvent*>(event);
        if (ke->key() == Qt::Key_Return || ke->key() == Qt::Key_Enter) {
            NotesMemo->insertPlainText(QStringLiteral(" "));
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TFormNotes::NotesMemoChange()
{
    if (m_restoring)
        return;
    // Before the first item was shown there is no entry to file under.
    if (!m_hasKey)
        return;
    Session& s = m_ctx.s;
    if (!m_ctx.StoreBytes(NotesMemo->toPlainText())) {
        // The library's encoding cannot hold a typed character: the note keeps its text.
        const QString before = m_ctx.Text(GetNote(s.NotesList, m_key));
        const int pos = NotesMemo->textCursor().position() -
                        static_cast<int>(NotesMemo->toPlainText().size() - before.size());
        m_restoring = true;
        NotesMemo->setPlainText(before);
        m_restoring = false;
        QTextCursor c = NotesMemo->textCursor();
        c.setPosition(std::clamp(pos, 0, static_cast<int>(before.size())));
        NotesMemo->setTextCursor(c);
        return;
    }
    const QString memo = NotesMemo->toPlainText();
    QString text = memo;
    text.remove(QChar(13));
    text.replace(QChar(10), QChar(32));
    text.replace(QChar::ParagraphSeparator, QChar(32));
    text.replace(QChar::LineSeparator, QChar(32));
    if (text != memo) {
        // The converted text calls this handler again, which files it; the
        // cursor stays where the user left it.
        const int pos = NotesMemo->textCursor().position();
        NotesMemo->setPlainText(text);
        QTextCursor c = NotesMemo->textCursor();
        c.setPosition(std::min(pos, static_cast<int>(text.size())));
        NotesMemo->setTextCursor(c);
        return;
    }
    command::EditNote(s, m_key, m_ctx.Bytes(text));
}

} // namespace lorix
