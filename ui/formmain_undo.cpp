// The main window's Undo and Redo, and Paste BibTeX.
#include "commands/bibimport.h"
#include "commands/history.h"
#include "ui/formdisplay.h"
#include "ui/formmain.h"

#include <QAction>
#include <QApplication>
#include <QMenu>

namespace lorix {

void TFormMain::BuildUndoMenu(QMenu* edit)
{
    edit->addSeparator();
    mnuUndo = MakeAction(QStringLiteral("mnuUndo"), QStringLiteral("Undo"), QKeySequence(Qt::CTRL | Qt::Key_Z),
                         [this] { UndoClick(false); });
    edit->addAction(mnuUndo);
    mnuRedo = MakeAction(QStringLiteral("mnuRedo"), QStringLiteral("Redo"), QKeySequence(), [this] { UndoClick(true); });
    mnuRedo->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    edit->addAction(mnuRedo);
    PasteBibtex1 = MakeAction(QStringLiteral("PasteBibtex1"), QStringLiteral("Paste BibTeX"),
                              QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_V), [this] { PasteBibtexClick(); });
    edit->addAction(PasteBibtex1);
    fromDoi1 = MakeAction(QStringLiteral("fromDoi1"), QStringLiteral("from &DOI or arXiv"),
                          QKeySequence(Qt::CTRL | Qt::Key_D), [this] { fromDoi1Click(); });
    Import1->addAction(fromDoi1);
    connect(edit, &QMenu::aboutToShow, this, [this] { UpdateUndoActions(); });
    // Typing in one field (or the note) is one step until the focus leaves it.
    connect(qApp, &QApplication::focusChanged, this, [this] {
        m_ctx.s.History.CloseStep();
        UpdateUndoActions();
    });
    UpdateUndoActions();
}

void TFormMain::UpdateUndoActions()
{
    if (!mnuUndo)
        return;
    const UndoHistory& h = m_ctx.s.History;
    mnuUndo->setText(QString::fromStdString(command::UndoCaption(m_ctx.s, false)));
    mnuUndo->setEnabled(h.CanUndo());
    mnuRedo->setText(QString::fromStdString(command::UndoCaption(m_ctx.s, true)));
    mnuRedo->setEnabled(h.CanRedo());
}

void TFormMain::UndoClick(bool redo)
{
    Outcome out;
    const bool done = Perform(out, [&](Outcome& o) { return command::Undo(m_ctx.s, ListNow(), redo, o); });
    // The item the step changed, selected and shown, when the list shows it.
    if (done && out.Show >= 0 && SelectItem(out.Show)) {
        m_ctx.w.Display->ShowItem(out.Show);
        m_ctx.w.Display->show();
    }
    UpdateUndoActions();
}

void TFormMain::PasteBibtexClick()
{
    Clipboard& clip = m_ctx.platform.clipboard;
    const std::string text = clip.hasText() ? clip.text().toStdString() : std::string();
    ListState state = ListNow();
    Outcome out;
    if (Perform(out, [&](Outcome& o) { return command::PasteBibtex(m_ctx.s, state, text, o); }))
        FinishImport(out.Show);
    UpdateUndoActions();
}

} // namespace lorix
