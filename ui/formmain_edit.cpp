// The editing commands of the main window: add and delete items, custom
// fields, keywords, the consistency check, the notes window and the
// see-through item editor.
#include "commands/items.h"
#include "ui/formcustom.h"
#include "ui/formdisplay.h"
#include "ui/formmain.h"
#include "ui/formnotes.h"
#include "ui/formoptions.h"
#include "view/consistency.h"
#include "view/itemrows.h"

#include <QAction>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPlainTextEdit>

namespace lorix {

namespace {

// A menu caption shows "&" as itself: no access letters in the keyword menu.
QString PlainCaption(const QString& text)
{
    QString c = text;
    return c.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

// The click of a keyword entry: each window takes the keyword into its box
// that has the focus (the custom field dialog into its value whatever has
// the focus).
void InsertKeyValue(FormContext& ctx, const std::string& k)
{
    Windows& w = ctx.w;
    if (w.Custom)
        w.Custom->InsertKeyword(k);
    if (w.Options)
        w.Options->InsertKeyword(k);
    if (w.Display)
        w.Display->InsertKeyword(k);
}

} // namespace

void TFormMain::AddItemClick()
{
    Session& s = m_ctx.s;
    const std::optional<QString> answer = m_ctx.dialogs().askText(
        this, QStringLiteral("Enter reference string"), QStringLiteral("Reference:"), QString());
    // A cancelled question gives the empty reference, as does one the
    // library's encoding cannot hold: an item is always added.
    const std::optional<std::string> ref =
        m_ctx.StoreBytes(answer.value_or(QString()), "the new item's reference is left empty.");
    ListState state = ListNow();
    Outcome out;
    Perform(out, [&](Outcome& o) {
        command::AddItem(s, state, ref.value_or(std::string()), o);
        return true;
    });
    const int index = out.Show;
    SelectItem(index);
    {
        // The new item is empty: its required fields are no errors yet.
        const MessageLog::Scope quiet(s.Log, ErrorPolicy{.Keep = false, .Show = false});
        m_ctx.w.Display->ShowItem(index);
    }
    m_ctx.w.Display->show();
    m_ctx.w.Display->MakeTransparentClick();
}

void TFormMain::mnuDeleteItemClick()
{
    Outcome out;
    if (!Perform(out, [this](Outcome& o) { return command::DeleteItem(m_ctx.s, ListNow(), *m_front, o); }) ||
        out.Show < 0)
        return;
    const auto& shown = m_ctx.s.ShownItems;
    SelectLine(static_cast<int>(std::find(shown.begin(), shown.end(), out.Show) - shown.begin()));
    m_ctx.w.Display->ShowItem(out.Show);
    m_ctx.w.Display->show();
}

void TFormMain::newFieldClick(QObject* sender)
{
    if (SelectedLine() < 0)
        return;
    m_ctx.w.Custom->Open(sender == this              ? TFormCustom::Start::Empty
                         : sender == m_ctx.w.Display ? TFormCustom::Start::Folder
                                                     : TFormCustom::Start::AsTheyWere);
}

void TFormMain::AddFolderlocation1Click()
{
    newFieldClick(m_ctx.w.Display);
}

void TFormMain::AddKeywords1Click()
{
    if (SelectedLine() < 0)
        return;
    m_ctx.w.Custom->Open(TFormCustom::Start::Keywords);
}

void TFormMain::CheckConsistency()
{
    Session& s = m_ctx.s;
    TFormDisplay* display = m_ctx.w.Display;
    TFormNotes* notes = m_ctx.w.Notes;
    const bool displayShown = display->isVisible();
    const bool notesShown = notes && notes->isVisible();
    display->hide();
    if (notes)
        notes->hide();
    // The check shows no window for each item: the schema rules run on the
    // row data the editor would show, and the list is not touched. The item
    // shown before is shown again right after them, logging its own errors
    // once more, before the file test and the summary.
    lorix::CheckConsistency(s, s.PdfPath(), [&] {
        if (notes && !s.Bib.Library.empty())
            notes->ShowNote(s.Bib.Library.back().Reference);
        if (displayShown && SelectedItem() >= 0) {
            display->ShowItem(SelectedItem());
            display->show();
            Items->setFocus();
        }
    });
    if (notesShown)
        notes->show();
}

void TFormMain::ShowNotesWindow1Click()
{
    m_ctx.w.Notes->show();
    m_ctx.w.Notes->raise();
}

void TFormMain::HideWindow1Click()
{
    m_ctx.w.Display->MakeTransparentClick();
}

// Key E: the focus to the item editor window.
void TFormMain::KeyE()
{
    TFormDisplay* d = m_ctx.w.Display;
    if (!d->isVisible() || !d->isEnabled())
        return;
    d->FocusReference();
}

// Key Z: the custom field dialog emptied, the focus on the name.
void TFormMain::KeyZ()
{
    newFieldClick(this);
}

// The keyword popup menu from KeywordList, after every load.
void TFormMain::PopupKeywords(const QPoint& global)
{
    PopupKeys->popup(global);
}

void TFormMain::BuildPopupKeys()
{
    PopupKeys->clear();
    std::vector<std::string>& keys = m_ctx.s.KeywordList;
    SortNoCase(keys);
    std::vector<QAction*> entries;
    entries.reserve(keys.size());
    for (const std::string& k : keys) {
        auto* a = new QAction(PlainCaption(m_ctx.Text(k)), PopupKeys);
        a->setData(QString::fromStdString(k));
        connect(a, &QAction::triggered, this, [this, k] { Run([this, k] { InsertKeyValue(m_ctx, k); }); });
        entries.push_back(a);
    }
    const std::vector<KeywordGroup> groups = KeywordGroups(keys);
    if (groups.empty()) {
        for (QAction* a : entries)
            PopupKeys->addAction(a);
        return;
    }
    for (const KeywordGroup& g : groups) {
        QMenu* sub = PopupKeys->addMenu(PlainCaption(m_ctx.Text(g.Caption)));
        for (int i = g.First; i <= g.Last; ++i)
            sub->addAction(entries[static_cast<size_t>(i)]);
    }
}

} // namespace lorix
