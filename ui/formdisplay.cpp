#include "ui/formdisplay.h"

#include "commands/items.h"
#include "core/fileio.h"
#include "core/model.h"
#include "ui/formmain.h"
#include "ui/formnotes.h"

#include <QComboBox>
#include <QHideEvent>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollArea>
#include <QShowEvent>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>
#include <cmath>

namespace lorix {

namespace {

QColor ToColor(Rgb c)
{
    return QColor(c.r, c.g, c.b);
}

void SetColour(QWidget* w, QPalette::ColorRole role, Rgb c)
{
    QPalette p = w->palette();
    // Disabled too: while a dialog is up the style's grey would vanish on
    // the silver of an item with a document.
    if (p.color(QPalette::Active, role) == ToColor(c) && p.color(QPalette::Disabled, role) == ToColor(c))
        return;
    p.setColor(role, ToColor(c));
    w->setPalette(p);
}

// The field being typed into keeps its row while the item is shown again
// under the user's hands, so that the next keystroke goes where the last one
// went, and a key its editor is still handling (a line break first reports
// the text unchanged, which lays the rows out, and then adds the break) lands
// in the same field, never in the one that would otherwise take its row. A
// field that would lose its row (emptied, which removes it, or typed again
// after that and now last of many) stands there as a custom field for now;
// the next showing of the item puts every row in order.
void KeepRowInPlace(std::vector<ItemRow>& rows, const Bibitem& item, size_t row, const std::string& label)
{
    ItemRow kept;
    const auto it =
        std::find_if(rows.begin() + 1, rows.end(), [&label](const ItemRow& r) { return r.Label == label; });
    if (it != rows.end()) {
        kept = std::move(*it);
        rows.erase(it);
    } else {
        kept.Label = label;
        kept.Value = GetFieldValue(item, label);
        kept.Tooltip = "Custom field.";
        kept.LabelColour = kBlue;
        kept.KeyPopup = label == "key";
    }
    rows.insert(rows.begin() + static_cast<std::ptrdiff_t>(std::min(row, rows.size())), std::move(kept));
    if (rows.size() > static_cast<size_t>(kEditorRows))
        rows.pop_back();
}

} // namespace

TFormDisplay::TFormDisplay(FormContext& ctx) : QWidget(nullptr), m_ctx(ctx)
{
    setObjectName(QStringLiteral("TFormDisplay"));
    setWindowTitle(QStringLiteral("Lorix Item Display"));
    // Selecting a line shows the editor; the keyboard stays with the list.
    setAttribute(Qt::WA_ShowWithoutActivating);
    m_scroll = new QScrollArea(this);
    m_scroll->setObjectName(QStringLiteral("Rows"));
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_content = new QWidget;
    m_content->setAutoFillBackground(true);
    m_scroll->setWidget(m_content);
    m_scroll->setWidgetResizable(false);

    Itemtype = new QComboBox(m_content);
    Itemtype->setObjectName(QStringLiteral("Itemtype"));
    Itemtype->setToolTip(QStringLiteral("Change item type here."));
    Itemtype->setGeometry(8, 6, 161, 24);
    SetColour(Itemtype, QPalette::Text, kRed);
    SetColour(Itemtype, QPalette::ButtonText, kRed);
    connect(Itemtype, &QComboBox::currentIndexChanged, this,
            [this] { RunCommand(m_ctx, this, [this] { ItemtypeChange(); }); });

    Datei = new QPushButton(QStringLiteral("File"), m_content);
    Datei->setObjectName(QStringLiteral("Datei"));
    Datei->setEnabled(false);
    Datei->setGeometry(300, 6, 50, 24);
    connect(Datei, &QPushButton::clicked, this,
            [this] { RunCommand(m_ctx, this, [this] { DateiClick(); }); });

    MakeTransparent = new QPushButton(QStringLiteral("T"), m_content);
    MakeTransparent->setObjectName(QStringLiteral("MakeTransparent"));
    MakeTransparent->setGeometry(360, 6, 20, 24);
    connect(MakeTransparent, &QPushButton::clicked, this,
            [this] { RunCommand(m_ctx, this, [this] { MakeTransparentClick(); }); });
}

void TFormDisplay::FormCreate()
{
    for (int i = 0; i < kEditorRows; ++i) {
        auto* label = new QLabel(m_content);
        label->setObjectName(QStringLiteral("FieldLabel%1").arg(i));
        auto* ed = new QPlainTextEdit(m_content);
        ed->setObjectName(QStringLiteral("FieldEditor%1").arg(i));
        ed->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        ed->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        ed->setLineWrapMode(QPlainTextEdit::NoWrap);
        ed->setTabChangesFocus(true);
        ed->document()->setDocumentMargin(1);
        if (i == 0) {
            // A bold label is the tallest; a value needs its line, the
            // document margins and the frame.
            QFont bold = label->font();
            bold.setBold(true);
            m_labelHeight = std::max({13, QFontMetrics(label->font()).height(), QFontMetrics(bold).height()});
            const int margin = static_cast<int>(std::ceil(ed->document()->documentMargin()));
            m_editorHeight =
                std::max(20, ed->fontMetrics().lineSpacing() + 2 * (margin + ed->frameWidth()) + 2);
            m_rowPitch = m_labelHeight + m_editorHeight + 9;
        }
        label->setGeometry(10, LabelTop(i), 400, m_labelHeight);
        ed->setGeometry(8, EditorTop(i), 400, m_editorHeight);
        label->setAttribute(Qt::WA_AlwaysShowToolTips);
        ed->setContextMenuPolicy(Qt::NoContextMenu);
        connect(ed, &QWidget::customContextMenuRequested, this, [this, ed](const QPoint& p) {
            if (m_ctx.w.Main)
                m_ctx.w.Main->PopupKeywords(ed->mapToGlobal(p));
        });
        connect(ed, &QPlainTextEdit::textChanged, this,
                [this, ed] { RunCommand(m_ctx, this, [this, ed] { UpdateBib(ed); }); });
        label->hide();
        ed->hide();
        FieldLabels[static_cast<size_t>(i)] = label;
        FieldEditors[static_cast<size_t>(i)] = ed;
    }
    m_content->resize(420, EditorTop(kEditorRows));

    // Geometry as it was left at the last exit.
    const SettingsList& st = m_ctx.s.Settings;
    const int w = st.ReadInt(key::DisplayWindow.Width);
    const int t = st.ReadInt(key::DisplayWindow.Top);
    const int h = st.ReadInt(key::DisplayWindow.Height);
    const int l = st.ReadInt(key::DisplayWindow.Left);
    resize(w, h);
    move(l, t);
    PlaceOnScreen(this);
    FormResize();
}

int TFormDisplay::RowOf(const QObject* ed) const
{
    for (int r = 0; r < kEditorRows; ++r)
        if (FieldEditors[static_cast<size_t>(r)] == ed)
            return r;
    return -1;
}

void TFormDisplay::SetEditorText(int r, const QString& text)
{
    // An unchanged text is left alone, so the editor being typed into keeps
    // its cursor when the item is shown again under the user's hands.
    QPlainTextEdit* ed = FieldEditors[static_cast<size_t>(r)];
    if (ed->toPlainText() != text)
        ed->setPlainText(text);
}

void TFormDisplay::AttachKeys(int r, bool attach)
{
    m_keyPopup[static_cast<size_t>(r)] = attach;
    FieldEditors[static_cast<size_t>(r)]->setContextMenuPolicy(attach ? Qt::CustomContextMenu
                                                                      : Qt::NoContextMenu);
}

void TFormDisplay::StyleRow(int r, const ItemRow& row)
{
    QLabel* label = FieldLabels[static_cast<size_t>(r)];
    QPlainTextEdit* ed = FieldEditors[static_cast<size_t>(r)];
    m_rowNames[static_cast<size_t>(r)] = row.Label;
    label->setText(m_ctx.Text(row.Label));
    if (label->font().bold() != row.Bold || label->font().italic() != row.Italic) {
        QFont f = label->font();
        f.setBold(row.Bold);
        f.setItalic(row.Italic);
        label->setFont(f);
    }
    SetColour(label, QPalette::WindowText, row.LabelColour);
    m_editorColours[static_cast<size_t>(r)] = row.EditorColour;
    SetColour(ed, QPalette::Text, row.ShownEditorColour());
    label->setToolTip(QString::fromStdString(row.Tooltip));
    AttachKeys(r, row.KeyPopup);
    SetEditorText(r, m_ctx.Text(row.Value));
    label->show();
    ed->show();
}

void TFormDisplay::SetBackground(bool hasDocument)
{
    const Rgb c = hasDocument ? kSilver : kWhite;
    SetColour(this, QPalette::Window, c);
    SetColour(m_content, QPalette::Window, c);
    setAutoFillBackground(true);
}

void TFormDisplay::ShowItem(int itemIndex)
{
    Session& s = m_ctx.s;
    ShowingItem = true;
    struct Clear {
        bool& flag;
        ~Clear() { flag = false; }
    } clear{ShowingItem};

    Bibitem& item = s.Bib.Library.at(static_cast<size_t>(itemIndex));
    ItemLayout layout = ShowItemRows(s, itemIndex);

    // Shown again under the user's hands: the keys stay with the field they
    // were typed into, wherever its row now stands.
    const bool again = itemIndex == m_shownItem;
    m_shownItem = itemIndex;
    const int focusRow = again ? RowOf(focusWidget()) : -1;
    const std::string focusLabel = focusRow >= 0 ? m_rowNames[static_cast<size_t>(focusRow)] : std::string();
    const int cursor =
        focusRow >= 0 ? FieldEditors[static_cast<size_t>(focusRow)]->textCursor().position() : 0;
    if (focusRow > 0)
        KeepRowInPlace(layout.Rows, item, static_cast<size_t>(focusRow), focusLabel);

    // The type box holds the types of the schema as they are now; it is
    // filled again only when they have changed since the last showing.
    QStringList types;
    types.reserve(static_cast<qsizetype>(s.schema.TypeTable.size()));
    for (const TItem& t : s.schema.TypeTable)
        types.push_back(m_ctx.Text(t.Name));
    if (types != m_typeNames) {
        Itemtype->clear();
        Itemtype->addItems(types);
        m_typeNames = std::move(types);
    }
    Itemtype->setCurrentIndex(layout.TypeIndex);

    StyleRow(0, layout.Rows[0]);

    // The document file: the button, the background and the list's marker.
    m_documentName = FindDocumentFile(item.Reference, s.PdfPath());
    Datei->setToolTip(QString::fromStdString(m_documentName));
    const bool has = !m_documentName.empty();
    Datei->setEnabled(has);
    SetBackground(has);
    if ((item.HasDocument != 0) != has) {
        item.HasDocument = has ? 1 : 0;
        if (m_ctx.w.Main && m_ctx.w.Main->SelectedItem() == itemIndex)
            m_ctx.w.Main->UpdateSelectedLine();
    }
    FieldLabels[0]->setToolTip(QString());

    const int used = static_cast<int>(layout.Rows.size());
    for (int r = 1; r < used; ++r)
        StyleRow(r, layout.Rows[static_cast<size_t>(r)]);
    for (int r = used; r < kEditorRows; ++r) {
        m_rowNames[static_cast<size_t>(r)].clear();
        FieldLabels[static_cast<size_t>(r)]->clear();
        FieldLabels[static_cast<size_t>(r)]->hide();
        SetEditorText(r, QString());
        AttachKeys(r, false);
        FieldEditors[static_cast<size_t>(r)]->hide();
    }
    if (used < kEditorRows)
        FieldLabels[static_cast<size_t>(used)]->show(); // the blank row below the last field
    m_usedRows = used;
    if (focusRow >= 0) {
        int to = focusRow; // a field that is gone: the row that now stands there
        for (int r = 0; r < used; ++r)
            if (m_rowNames[static_cast<size_t>(r)] == focusLabel) {
                to = r;
                break;
            }
        QPlainTextEdit* ed = FieldEditors[static_cast<size_t>(to)];
        if (to != focusRow && ed->isVisibleTo(this)) {
            ed->setFocus(Qt::OtherFocusReason);
            QTextCursor c = ed->textCursor();
            c.setPosition(std::min(cursor, static_cast<int>(ed->document()->characterCount()) - 1));
            ed->setTextCursor(c);
        }
    }
    m_content->resize(m_content->width(), EditorTop(std::min(used + 1, kEditorRows)));

    if (TFormNotes* notes = m_ctx.w.Notes) {
        notes->ShowNote(item.Reference);
        if (m_ctx.w.Main && m_ctx.w.Main->isVisible())
            notes->ApplyDispNotes();
    }
}

void TFormDisplay::RestoreRow(int r, int itemIndex)
{
    const Bibitem& item = m_ctx.s.Bib.Library[static_cast<size_t>(itemIndex)];
    const std::string& label = m_rowNames[static_cast<size_t>(r)];
    QPlainTextEdit* ed = FieldEditors[static_cast<size_t>(r)];
    const QString before = m_ctx.Text(r == 0 ? item.Reference : GetFieldValue(item, label));
    // The cursor stays where it was, less what the refused text added.
    const int pos = ed->textCursor().position() - static_cast<int>(ed->toPlainText().size() - before.size());
    ShowingItem = true;
    ed->setPlainText(before);
    QTextCursor c = ed->textCursor();
    c.setPosition(std::clamp(pos, 0, static_cast<int>(before.size())));
    ed->setTextCursor(c);
    ShowingItem = false;
}

void TFormDisplay::FocusReference()
{
    activateWindow();
    raise();
    FieldEditors[0]->setFocus();
}

void TFormDisplay::InsertKeyword(const std::string& k)
{
    if (!isEnabled())
        return;
    for (QPlainTextEdit* ed : FieldEditors)
        if (ed && ed->hasFocus()) {
            ed->setPlainText(m_ctx.WithKeyword(ed->toPlainText(), k));
            ed->moveCursor(QTextCursor::End);
        }
}

void TFormDisplay::UpdateBib(QObject* sender)
{
    if (ShowingItem)
        return;
    const int r = RowOf(sender);
    const int i = m_ctx.w.Main ? m_ctx.w.Main->SelectedItem() : -1;
    // The window never edits an item that is not the selected line.
    if (r < 0 || i < 0)
        return;
    const std::optional<std::string> typed =
        m_ctx.StoreBytes(FieldEditors[static_cast<size_t>(r)]->toPlainText());
    if (!typed) { // a character the library's encoding cannot hold: the value keeps its text
        RestoreRow(r, i);
        return;
    }
    const std::string& text = *typed;
    const std::string label = m_rowNames[static_cast<size_t>(r)];
    switch (command::EditField(m_ctx.s, i, label, text)) {
    case EditResult::Set: {
        // Red while the braces of the typed value do not balance.
        const bool unbalanced = CountMissingBraces(text).Any();
        SetColour(FieldEditors[static_cast<size_t>(r)], QPalette::Text,
                  unbalanced ? kRed : m_editorColours[static_cast<size_t>(r)]);
        break;
    }
    case EditResult::Renamed: {
        const std::string& ref = m_ctx.s.Bib.Library[static_cast<size_t>(i)].Reference;
        ShowingItem = true;
        if (ref != text) {
            // A character the file cannot hold in a reference was dropped.
            QPlainTextEdit* ed = FieldEditors[static_cast<size_t>(r)];
            ed->setPlainText(m_ctx.Text(ref));
            ed->moveCursor(QTextCursor::End);
        }
        // The new reference may already have a note (references that differ
        // in letter case share one): the memo shows what its edits will
        // overwrite, never the text of the note it was renamed from.
        if (m_ctx.w.Notes)
            m_ctx.w.Notes->ShowNote(ref);
        ShowingItem = false;
        break;
    }
    case EditResult::Removed:
    case EditResult::Appended:
    case EditResult::Refused: // shows the row as the item holds it: empty
        ShowItem(i);
        break;
    }
    m_ctx.w.Main->UpdateSelectedLine();
}

void TFormDisplay::ItemtypeChange()
{
    if (ShowingItem)
        return;
    const int i = m_ctx.w.Main ? m_ctx.w.Main->SelectedItem() : -1;
    if (i < 0)
        return;
    command::SetItemType(m_ctx.s, i,
                         Itemtype->currentIndex() < 0 ? std::string() : m_ctx.Bytes(Itemtype->currentText()));
    ShowItem(i);
}

void TFormDisplay::DateiClick()
{
    if (!m_documentName.empty())
        OpenWithDesktop(m_ctx, m_ctx.s.PdfPath() + m_documentName);
}

void TFormDisplay::MakeTransparentClick()
{
    TFormMain* main = m_ctx.w.Main;
    if (!main)
        return;
    // This window is the way back to a hidden main window: with no item
    // shown (Ctrl+T), hiding the main window would leave no window at all.
    if (main->isVisible() && !isVisible())
        return;
    main->setVisible(!main->isVisible());
    m_mainHidden = !main->isVisible();
    if (main->isVisible()) {
        setWindowOpacity(1.0);
        if (m_ctx.w.Notes)
            m_ctx.w.Notes->ApplyDispNotes();
    } else {
        if (m_ctx.w.Notes)
            m_ctx.w.Notes->hide();
        setWindowOpacity(125.0 / 255.0);
    }
}

void TFormDisplay::FormResize()
{
    m_scroll->setGeometry(0, 0, width(), height());
    const int w = std::max(frameGeometry().width() - 35, 100);
    for (int r = 0; r < kEditorRows; ++r) {
        if (!FieldLabels[static_cast<size_t>(r)])
            break;
        QLabel* l = FieldLabels[static_cast<size_t>(r)];
        QPlainTextEdit* e = FieldEditors[static_cast<size_t>(r)];
        l->setGeometry(l->x(), l->y(), w, l->height());
        e->setGeometry(e->x(), e->y(), w, e->height());
    }
    Itemtype->setGeometry(Itemtype->x(), Itemtype->y(), std::max(w - 90, 60), Itemtype->height());
    Datei->move(w - 70, Datei->y());
    MakeTransparent->move(w - 16, MakeTransparent->y());
    m_content->resize(w + 20, m_content->height());
}

void TFormDisplay::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        PlaceOnScreen(this); // the frame is known now
}

void TFormDisplay::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    // While the T button has the main window hidden this window is the only
    // way back to it: when it goes (closed, or hidden by a list refresh), the
    // main window comes back.
    TFormMain* main = m_ctx.w.Main;
    if (m_mainHidden && !event->spontaneous() && main && !main->isVisible() && !main->Closed())
        MakeTransparentClick();
}

void TFormDisplay::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    FormResize();
}

} // namespace lorix
