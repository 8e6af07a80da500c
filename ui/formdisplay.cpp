#include "ui/formdisplay.h"

#include "core/fileio.h"
#include "core/model.h"
#include "ui/formmain.h"
#include "ui/formnotes.h"

#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollArea>
#include <QTextCursor>
#include <QTextDocument>

namespace lorix {

namespace {

constexpr int kRowPitch = 42;
constexpr int kLabelTop = 35;
constexpr int kEditorTop = 53;

QColor ToColor(Rgb c)
{
    return QColor(c.r, c.g, c.b);
}

void SetColour(QWidget* w, QPalette::ColorRole role, Rgb c)
{
    QPalette p = w->palette();
    if (p.color(role) == ToColor(c))
        return;
    p.setColor(role, ToColor(c));
    w->setPalette(p);
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
        label->setGeometry(10, kLabelTop + kRowPitch * i, 400, 13);
        ed->setGeometry(8, kEditorTop + kRowPitch * i, 400, 20);
        label->setAttribute(Qt::WA_AlwaysShowToolTips);
        ed->setContextMenuPolicy(Qt::NoContextMenu);
        connect(ed, &QWidget::customContextMenuRequested, this, [this, ed](const QPoint& p) {
            if (m_ctx.w.Main && m_ctx.w.Main->PopupKeys)
                m_ctx.w.Main->PopupKeys->exec(ed->mapToGlobal(p));
        });
        connect(ed, &QPlainTextEdit::textChanged, this,
                [this, ed] { RunCommand(m_ctx, this, [this, ed] { UpdateBib(ed); }); });
        label->hide();
        ed->hide();
        FieldLabels[static_cast<size_t>(i)] = label;
        FieldEditors[static_cast<size_t>(i)] = ed;
    }
    m_content->resize(420, kEditorTop + kRowPitch * kEditorRows);

    // Geometry as it was left at the last exit.
    const SettingsList& st = m_ctx.s.Settings;
    const int w = st.ReadInt("display.width");
    const int t = st.ReadInt("display.top");
    const int h = st.ReadInt("display.height");
    const int l = st.ReadInt("display.left");
    resize(w, h);
    move(l, t);
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
    const ItemLayout layout = ShowItemRows(s, itemIndex);

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
    m_content->resize(m_content->width(), kEditorTop + kRowPitch * std::min(used + 1, kEditorRows));

    if (TFormNotes* notes = m_ctx.w.Notes) {
        notes->ShowNote(item.Reference);
        if (m_ctx.w.Main && m_ctx.w.Main->isVisible())
            notes->ApplyDispNotes();
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
    const std::string text = m_ctx.Bytes(FieldEditors[static_cast<size_t>(r)]->toPlainText());
    switch (WriteBackRow(m_ctx.s, i, m_rowNames[static_cast<size_t>(r)], text)) {
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
    m_ctx.s.LibraryChanged = true;
    Bibitem& item = m_ctx.s.Bib.Library[static_cast<size_t>(i)];
    item.ItemType = Itemtype->currentIndex() < 0 ? std::string() : m_ctx.Bytes(Itemtype->currentText());
    ShowItem(i);
}

void TFormDisplay::DateiClick()
{
    const std::string path = m_ctx.s.PdfPath() + m_documentName;
    if (!m_documentName.empty() && FileExists(path))
        m_ctx.platform.shell.open(QString::fromStdString(path));
}

void TFormDisplay::MakeTransparentClick()
{
    TFormMain* main = m_ctx.w.Main;
    if (!main)
        return;
    main->setVisible(!main->isVisible());
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

void TFormDisplay::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    FormResize();
}

} // namespace lorix
