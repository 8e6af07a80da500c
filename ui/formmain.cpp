#include "ui/formmain.h"

#include "core/errors.h"
#include "core/fileio.h"
#include "core/library.h"
#include "core/recent.h"
#include "ui/formdisplay.h"
#include "ui/formlog.h"
#include "ui/formnotes.h"
#include "ui/formoptions.h"
#include "ui/librarywatch.h"
#include "view/listview.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>

namespace lorix {

// ---------------------------------------------------------------- list model

int ItemListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_lines.size());
}

QVariant ItemListModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount())
        return {};
    return DecodeText(m_lines[static_cast<size_t>(index.row())], m_utf8);
}

void ItemListModel::SetLines(std::vector<std::string> lines, bool utf8)
{
    beginResetModel();
    m_lines = std::move(lines);
    m_utf8 = utf8;
    endResetModel();
}

void ItemListModel::SetLine(int row, std::string line)
{
    if (row < 0 || row >= rowCount())
        return;
    m_lines[static_cast<size_t>(row)] = std::move(line);
    const QModelIndex i = index(row);
    emit dataChanged(i, i, {Qt::DisplayRole});
}

// ---------------------------------------------------------------- list view

namespace {

// A list of lines of one height. QListView lays out all of its rows again
// after any change of data, which on 100,000 lines costs milliseconds at
// every keystroke in the item editor; here a changed line is only repainted.
// The first line sets the uniform size of every line, so a change of it
// still lays the list out.
class ItemListView final : public QListView {
  public:
    using QListView::QListView;

  protected:
    void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                     const QList<int>& roles) override
    {
        if (topLeft.row() == 0)
            QListView::dataChanged(topLeft, bottomRight, roles);
        else
            QAbstractItemView::dataChanged(topLeft, bottomRight, roles);
    }
};

} // namespace

// ---------------------------------------------------------------- window

TFormMain::TFormMain(FormContext& ctx) : QMainWindow(nullptr), m_ctx(ctx)
{
    setObjectName(QStringLiteral("TFormMain"));
    setWindowTitle(QStringLiteral("Lorix for Windows V0.99"));

    auto* client = new QWidget(this);
    setCentralWidget(client);

    Heading = new QLabel(QStringLiteral("No loaded items."), client);
    Heading->setObjectName(QStringLiteral("Heading"));
    Heading->setToolTip(QStringLiteral("Filename and number of items."));
    QFont bold = Heading->font();
    bold.setBold(true);
    Heading->setFont(bold);

    Navigator = new QLineEdit(client);
    Navigator->setObjectName(QStringLiteral("Navigator"));
    Navigator->installEventFilter(this);
    connect(Navigator, &QLineEdit::textChanged, this, [this] { Run([this] { NavigatorChange(); }); });

    ItemLines = new ItemListModel(this);
    Items = new ItemListView(client);
    Items->setObjectName(QStringLiteral("Items"));
    Items->setToolTip(QStringLiteral("List of filtered items."));
    Items->setUniformItemSizes(true);
    // A line wider than the list is cut at the edge, as a list box does;
    // eliding it would lay out every visible line again at each repaint.
    Items->setTextElideMode(Qt::ElideNone);
    // Fixed pitch, so that columns padded by truncation line up.
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    if (!QFontInfo(mono).fixedPitch()) {
        mono = QFont(QStringLiteral("DejaVu Sans Mono"));
        mono.setStyleHint(QFont::TypeWriter);
    }
    mono.setFixedPitch(true);
    Items->setFont(mono);
    Items->setSelectionMode(QAbstractItemView::SingleSelection);
    Items->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Items->setModel(ItemLines);
    Items->installEventFilter(this);
    // A line chosen by the user shows its item: a new selection (mouse or
    // keys) or a click on the line already selected. Giving the list the
    // focus only moves its cursor, which selects nothing.
    connect(Items->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (m_selecting)
            return;
        const int line = SelectedLine();
        if (line < 0)
            return;
        m_changedLine = line;
        Run([this] { ItemsClick(Items); });
    });
    connect(Items, &QAbstractItemView::clicked, this, [this](const QModelIndex& index) {
        if (index.row() == m_changedLine) {
            m_changedLine = -1; // already shown by the selection change of this click
            return;
        }
        Run([this] { ItemsClick(Items); });
    });
    Items->viewport()->installEventFilter(this);

    Status = new QLabel(QStringLiteral("Status"), client);
    Status->setObjectName(QStringLiteral("Status"));

    PopupKeys = new QMenu;
    PopupKeys->setObjectName(QStringLiteral("PopupKeys"));

    Notice = new QFrame(client);
    Notice->setObjectName(QStringLiteral("Notice"));
    Notice->setFrameShape(QFrame::StyledPanel);
    Notice->setAutoFillBackground(true);
    QPalette notePalette = Notice->palette();
    notePalette.setColor(QPalette::Window, QColor(255, 244, 200));
    Notice->setPalette(notePalette);
    NoticeText = new QLabel(Notice);
    NoticeText->setObjectName(QStringLiteral("NoticeText"));
    NoticeReload = new QPushButton(QStringLiteral("&Reload"), Notice);
    NoticeReload->setObjectName(QStringLiteral("NoticeReload"));
    NoticeReload->setToolTip(QStringLiteral("Load the library again as it is on disk now."));
    NoticeDismiss = new QPushButton(QStringLiteral("Dismiss"), Notice);
    NoticeDismiss->setObjectName(QStringLiteral("NoticeDismiss"));
    Notice->hide();
    connect(NoticeReload, &QPushButton::clicked, this, [this] { Run([this] { ReloadLibrary(); }); });
    connect(NoticeDismiss, &QPushButton::clicked, this, [this] {
        Notice->hide();
        FormResize();
        Items->setFocus();
    });
    Watch = new LibraryWatch(this);
    connect(Watch, &LibraryWatch::changedOnDisk, this, [this](bool changed) { ShowNotice(changed); });

    BuildMenu();
    Uhr = new QTimer(this);
    Uhr->setObjectName(QStringLiteral("Uhr"));
    Uhr->setInterval(1000);
    connect(Uhr, &QTimer::timeout, this, [this] { Run([this] { UhrTimer(); }); });
    Brause = std::make_unique<CurlHttpClient>();
    resize(640, 480);
}

TFormMain::~TFormMain()
{
    delete PopupKeys;
}

QAction* TFormMain::MakeAction(const QString& name, const QString& caption, const QKeySequence& shortcut,
                               const std::function<void()>& handler)
{
    auto* a = new QAction(caption, this);
    a->setObjectName(name);
    if (!shortcut.isEmpty())
        a->setShortcut(shortcut);
    connect(a, &QAction::triggered, this, [this, handler] { Run(handler); });
    return a;
}

void TFormMain::BuildMenu()
{
    const auto none = QKeySequence();
    QMenuBar* bar = menuBar();

    QMenu* file = bar->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("File1"));
    NewLibrary1 = MakeAction(QStringLiteral("NewLibrary1"), QStringLiteral("New Library"), none,
                             [this] { NewLibrary1Click(); });
    file->addAction(NewLibrary1);
    file->addSeparator();
    mnuLoad = MakeAction(QStringLiteral("mnuLoad"), QStringLiteral("&Load Library"),
                         QKeySequence(Qt::CTRL | Qt::Key_L), [this] { mnuLoadClick(mnuLoad); });
    file->addAction(mnuLoad);
    RecentLibraries1 = file->addMenu(QStringLiteral("Recent Libraries"));
    RecentLibraries1->setObjectName(QStringLiteral("RecentLibraries1"));
    // Built again each time it opens, so that a file deleted or brought back
    // meanwhile shows as it is now.
    connect(RecentLibraries1, &QMenu::aboutToShow, this, [this] { BuildRecentMenu(); });
    mnuSave = MakeAction(QStringLiteral("mnuSave"), QStringLiteral("&Save Library"),
                         QKeySequence(Qt::CTRL | Qt::Key_S), [this] { mnuSaveClick(mnuSave); });
    file->addAction(mnuSave);
    mnuSaveAs = MakeAction(QStringLiteral("mnuSaveAs"), QStringLiteral("Save Library &As"), none,
                           [this] { mnuSaveClick(mnuSaveAs); });
    file->addAction(mnuSaveAs);
    file->addSeparator();
    Import1 = file->addMenu(QStringLiteral("&Import"));
    Import1->setObjectName(QStringLiteral("Import1"));
    fromPubMed1 = MakeAction(QStringLiteral("fromPubMed1"), QStringLiteral("from &PubMed"),
                             QKeySequence(Qt::CTRL | Qt::Key_I), [this] { fromPubMed1Click(); });
    Import1->addAction(fromPubMed1);
    // Hidden: reached by its shortcut only. It comes first in menu order, so
    // Ctrl+Ins is the clipboard import; "&New Item" shows the key but is
    // reached by the menu and the letter N.
    mnuImportfC = MakeAction(QStringLiteral("mnuImportfC"), QStringLiteral("from &Clipboard"),
                             QKeySequence(Qt::CTRL | Qt::Key_Insert), [this] { mnuImportfCClick(); });
    addAction(mnuImportfC);
    watchClip = MakeAction(QStringLiteral("watchClip"), QStringLiteral("watch Clipboard for &ID"), none,
                           [this] { watchClipClick(); });
    watchClip->setCheckable(true);
    Import1->addAction(watchClip);
    mnuExport = file->addMenu(QStringLiteral("&Export"));
    mnuExport->setObjectName(QStringLiteral("mnuExport"));
    mnuHTML =
        MakeAction(QStringLiteral("mnuHTML"), QStringLiteral("to &HTML"), none, [this] { mnuHTMLClick(); });
    mnuExport->addAction(mnuHTML);
    ExpToClip = MakeAction(QStringLiteral("ExpToClip"), QStringLiteral("to Clipboard"),
                           QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_C), [this] { ExpToClipClick(); });
    mnuExport->addAction(ExpToClip);
    file->addSeparator();
    LastFile = MakeAction(QStringLiteral("LastFile"), QString(), none, [this] { mnuLoadClick(LastFile); });
    file->addAction(LastFile);
    file->addSeparator();
    Exit1 = MakeAction(QStringLiteral("Exit1"), QStringLiteral("&Quit"), QKeySequence(Qt::CTRL | Qt::Key_Q),
                       [this] { Quit(); });
    file->addAction(Exit1);

    QMenu* edit = bar->addMenu(QStringLiteral("&Edit"));
    edit->setObjectName(QStringLiteral("Edit1"));
    mnuDeleteItem = MakeAction(QStringLiteral("mnuDeleteItem"), QStringLiteral("&Delete Item"),
                               QKeySequence(Qt::SHIFT | Qt::Key_Delete), [this] { mnuDeleteItemClick(); });
    edit->addAction(mnuDeleteItem);
    AddItem = MakeAction(QStringLiteral("AddItem"), QStringLiteral("&New Item\tCtrl+Ins"), none,
                         [this] { AddItemClick(); });
    edit->addAction(AddItem);
    newField = MakeAction(QStringLiteral("newField"), QStringLiteral("Add &Custom Field"),
                          QKeySequence(Qt::SHIFT | Qt::Key_Insert), [this] { newFieldClick(newField); });
    edit->addAction(newField);
    AddFolderlocation1 =
        MakeAction(QStringLiteral("AddFolderlocation1"), QStringLiteral("Add &Folder location"),
                   QKeySequence(Qt::CTRL | Qt::Key_F), [this] { AddFolderlocation1Click(); });
    edit->addAction(AddFolderlocation1);
    AddKeywords1 = MakeAction(QStringLiteral("AddKeywords1"), QStringLiteral("Add &Keywords"),
                              QKeySequence(Qt::CTRL | Qt::Key_K), [this] { AddKeywords1Click(); });
    edit->addAction(AddKeywords1);
    edit->addSeparator();
    CheckConsitency1 = MakeAction(QStringLiteral("CheckConsitency1"), QStringLiteral("C&heck Consistency"),
                                  none, [this] { CheckConsistency(); });
    edit->addAction(CheckConsitency1);
    ViewLog1 = MakeAction(QStringLiteral("ViewLog1"), QStringLiteral("View &Log"), none,
                          [this] { ViewLog1Click(); });
    edit->addAction(ViewLog1);
    ShowNotesWindow1 = MakeAction(QStringLiteral("ShowNotesWindow1"), QStringLiteral("Show &Notes Window"),
                                  QKeySequence(Qt::CTRL | Qt::Key_N), [this] { ShowNotesWindow1Click(); });
    edit->addAction(ShowNotesWindow1);
    mnuOptions = MakeAction(QStringLiteral("mnuOptions"), QStringLiteral("&Options"),
                            QKeySequence(Qt::CTRL | Qt::Key_O), [this] { mnuOptionsClick(); });
    edit->addAction(mnuOptions);
    HideWindow1 = MakeAction(QStringLiteral("HideWindow1"), QStringLiteral("Hide Window"),
                             QKeySequence(Qt::CTRL | Qt::Key_T), [this] { HideWindow1Click(); });
    // Also from the item editor window, which is the only one shown while the
    // main window is hidden.
    HideWindow1->setShortcutContext(Qt::ApplicationShortcut);
    addAction(HideWindow1);

    QMenu* sort = bar->addMenu(QStringLiteral("&Sort"));
    sort->setObjectName(QStringLiteral("Sort1"));
    SortGroup = new QActionGroup(this);
    // One entry or none is checked; choosing the checked entry again switches sorting off.
    SortGroup->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    auto sortEntry = [&](QAction*& a, const char* name, const char* caption) {
        a = new QAction(QString::fromLatin1(caption), this);
        a->setObjectName(QString::fromLatin1(name));
        a->setCheckable(true);
        SortGroup->addAction(a);
        sort->addAction(a);
        QAction* self = a;
        connect(a, &QAction::triggered, this, [this, self] { Run([this, self] { Sorting(self); }); });
    };
    sortEntry(byTitle, "byTitle", "by &Title");
    sortEntry(byName, "byName", "by &Author");
    sortEntry(byYear, "byYear", "by &Year");
    sortEntry(byJournal, "byJournal", "by &Journal");
    sortEntry(byType, "byType", "by T&ype");
    sortEntry(byRef, "byRef", "by &Reference");
    Filter1 = MakeAction(QStringLiteral("Filter1"), QStringLiteral("&Filter"),
                         QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_F), [this] { Filter1Click(); });
    Filter1->setCheckable(true);
    sort->addAction(Filter1);

    QMenu* help = bar->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("Help1"));
    Contents1 =
        MakeAction(QStringLiteral("Contents1"), QStringLiteral("Manual"), none, [this] { Contents1Click(); });
    help->addAction(Contents1);
    mnuAbout =
        MakeAction(QStringLiteral("mnuAbout"), QStringLiteral("&About"), none, [this] { mnuAboutClick(); });
    help->addAction(mnuAbout);
}

bool TFormMain::FormCreate(const std::string& iniPath)
{
    Session& s = m_ctx.s;
    s.NotesList.clear();
    s.Log.LogList.clear();
    s.KeywordList.clear();
    if (!LoadSettingsFile(s, iniPath)) {
        m_ctx.dialogs().fatalBox(this, QStringLiteral("Sorry, Lorix couldn't find it's ini file. Exiting."));
        return false;
    }
    std::string all;
    for (const std::string& line : s.Settings.Lines())
        all += line;
    m_ctx.iniUtf8 = IsValidUtf8(all);
    s.Log.ShowStatus = [this](const std::string& text) {
        Status->setText(DecodeText(text, m_ctx.s.Bib.Utf8));
    };

    Run([&] {
        LoadLogFile(s);
        s.ProgramDir = CurrentDir();
        const QString last = m_ctx.Setting("lastfile");
        LastFile->setText(last == QLatin1String(kNone)
                              ? QString()
                              : QString(last).replace(QLatin1Char('&'), QStringLiteral("&&")));
        const int w = s.Settings.ReadInt("main.width");
        resize(w, height());
        const int t = s.Settings.ReadInt("main.top");
        move(x(), t);
        const int h = s.Settings.ReadInt("main.height");
        resize(width(), h);
        const int l = s.Settings.ReadInt("main.left");
        move(l, y());
        PlaceOnScreen(this);
        ParseSessionSchema(s);
    });
    BuildRecentMenu();
    return true;
}

// ---------------------------------------------------------------- list

QString TFormMain::SortKey() const
{
    const QAction* checked = SortGroup->checkedAction();
    if (checked == byTitle)
        return QStringLiteral("title");
    if (checked == byName)
        return QStringLiteral("author");
    if (checked == byYear)
        return QStringLiteral("year");
    if (checked == byJournal)
        return QStringLiteral("journal");
    if (checked == byType)
        return QStringLiteral("type");
    if (checked == byRef)
        return QStringLiteral("ref");
    return QLatin1String(kNone);
}

void TFormMain::RefreshList(bool report)
{
    Session& s = m_ctx.s;
    FilterRules rules = FilterRulesFromSettings(s.Settings);
    rules.Filtering = Filter1->isChecked();
    if (m_ctx.w.Options)
        for (int i = 0; i < 3; ++i)
            rules.Lines[static_cast<size_t>(i)].Not = m_ctx.w.Options->NotChecked(i);
    const std::string key = SortKey().toStdString();
    ListResult result = BuildList(s, rules, key);
    if (report)
        s.Status(result.Message);
    s.Settings.Write("sorting", key);
    s.ShownItems = std::move(result.ShownItems);
    m_referenceKeys = std::move(result.ReferenceKeys);
    ++m_listChanges;
    m_selecting = true;
    ItemLines->SetLines(std::move(result.Lines), s.Bib.Utf8);
    Items->selectionModel()->clear();
    m_selecting = false;
    if (m_ctx.w.Display)
        m_ctx.w.Display->hide();
}

int TFormMain::SelectedLine() const
{
    const QModelIndexList rows = Items->selectionModel()->selectedRows();
    if (rows.isEmpty())
        return -1;
    const int line = rows.first().row();
    return line < static_cast<int>(m_ctx.s.ShownItems.size()) ? line : -1;
}

int TFormMain::SelectedItem() const
{
    const int line = SelectedLine();
    return line < 0 ? -1 : m_ctx.s.ShownItems[static_cast<size_t>(line)];
}

void TFormMain::SelectLine(int line)
{
    m_selecting = true;
    const QModelIndex i = ItemLines->index(line);
    Items->selectionModel()->setCurrentIndex(i, QItemSelectionModel::ClearAndSelect);
    m_selecting = false;
}

bool TFormMain::SelectItem(int itemIndex)
{
    const auto& shown = m_ctx.s.ShownItems;
    for (size_t k = 0; k < shown.size(); ++k) {
        if (shown[k] == itemIndex) {
            SelectLine(static_cast<int>(k));
            Items->scrollTo(ItemLines->index(static_cast<int>(k)));
            return true;
        }
    }
    return false;
}

void TFormMain::Reselect(int itemIndex)
{
    if (itemIndex < 0 || !SelectItem(itemIndex))
        return;
    m_ctx.w.Display->ShowItem(itemIndex);
    m_ctx.w.Display->show();
    Items->setFocus();
}

void TFormMain::UpdateSelectedLine()
{
    const int item = SelectedItem();
    if (item < 0 || item > m_ctx.s.Bib.LastItemIndex())
        return;
    const auto line = static_cast<size_t>(SelectedLine());
    ItemLines->SetLine(static_cast<int>(line), BuildListLine(m_ctx.s, item));
    if (line < m_referenceKeys.size())
        m_referenceKeys[line] = ReferenceKey(m_ctx.s.Bib.Library[static_cast<size_t>(item)].Reference);
    ++m_listChanges;
}

void TFormMain::SetHeading()
{
    const Session& s = m_ctx.s;
    Heading->setText(m_ctx.Setting("filename") + QStringLiteral(": ") +
                     QString::number(s.Bib.LastItemIndex() + 1) + QStringLiteral(" items."));
}

void TFormMain::AfterLoad()
{
    // The note on show belongs to the library loaded before.
    if (m_ctx.w.Notes)
        m_ctx.w.Notes->Forget();
    RefreshList(true);
    SetHeading();
    if (m_ctx.w.Options)
        m_ctx.w.Options->FillFieldChoices();
    BuildPopupKeys();
}

void TFormMain::Sorting(QAction* sender)
{
    (void)sender; // the group has already moved the check mark
    const int remembered = SelectedItem();
    RefreshList(false);
    Reselect(remembered);
}

void TFormMain::Filter1Click()
{
    m_ctx.w.Options->SetFiltering(Filter1->isChecked());
    RefreshList(true);
}

void TFormMain::ItemsClick(QObject* sender)
{
    const int line = SelectedLine();
    if (line < 0)
        return;
    m_ctx.w.Display->show();
    m_ctx.w.Display->ShowItem(m_ctx.s.ShownItems[static_cast<size_t>(line)]);
    if (sender == Navigator) {
        activateWindow();
        Navigator->setFocus();
    } else {
        // The editor window has just been shown; the keys stay with the list.
        activateWindow();
        Items->setFocus();
    }
}

namespace {

void SetTextColour(QLineEdit* box, const QColor& colour)
{
    QPalette p = box->palette();
    p.setColor(QPalette::Text, colour);
    box->setPalette(p);
}

} // namespace

void TFormMain::NavigatorChange()
{
    const std::string t = LowerAscii(m_ctx.Bytes(Navigator->text()));
    if (t.empty())
        return;
    SetTextColour(Navigator, Qt::red);
    // Typing on: the lines before the one found for the shorter text cannot
    // start with the longer one, and none can when the shorter found none.
    const bool typedOn = m_navigatorList == m_listChanges && !m_navigatorText.empty() &&
                         t.compare(0, m_navigatorText.size(), m_navigatorText) == 0;
    int line = -1;
    if (!typedOn || m_navigatorLine >= 0)
        line = FindReferenceLine(m_ctx.s.Bib, m_ctx.s.ShownItems, m_referenceKeys, t,
                                 typedOn ? static_cast<size_t>(m_navigatorLine) : 0);
    m_navigatorText = t;
    m_navigatorLine = line;
    m_navigatorList = m_listChanges;
    if (line < 0)
        return;
    SelectLine(line);
    Items->scrollTo(ItemLines->index(line > 0 ? line - 1 : 0), QAbstractItemView::PositionAtTop);
    ItemsClick(Navigator);
    SetTextColour(Navigator, Qt::darkGreen);
}

void TFormMain::NavigatorDblClick()
{
    if (SelectedLine() < 0 && !m_ctx.s.ShownItems.empty())
        SelectLine(0);
    ItemsClick(Items);
}

void TFormMain::FormResize()
{
    // The client area below the menu bar: heading and Navigator on the top
    // line, the list under them, the status line at the bottom.
    const QWidget* client = centralWidget();
    const int cw = client->width();
    const int ch = client->height();
    const int navLeft = cw - 98;
    Navigator->setGeometry(navLeft, 4, 90, 22);
    Heading->setGeometry(8, 6, std::max(0, navLeft - 20), 18);
    int top = 30;
    if (!Notice->isHidden()) { // the notice stands between the heading and the list
        const int h = std::max(30, NoticeReload->sizeHint().height() + 6);
        Notice->setGeometry(4, top, std::max(0, cw - 15), h);
        const int bw = std::max(80, NoticeDismiss->sizeHint().width());
        NoticeDismiss->setGeometry(Notice->width() - bw - 4, 3, bw, h - 6);
        NoticeReload->setGeometry(Notice->width() - 2 * bw - 8, 3, bw, h - 6);
        NoticeText->setGeometry(8, 3, std::max(0, Notice->width() - 2 * bw - 20), h - 6);
        top += h + 4;
    }
    Items->setGeometry(4, top, std::max(0, cw - 15), std::max(0, ch - top - 26));
    Status->setGeometry(8, ch - 22, std::max(0, cw - 27), 18);
}

void TFormMain::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!event->spontaneous())
        PlaceOnScreen(this);
    if (!m_shownOnce) { // letters typed after the start reach the list, not the Navigator box
        m_shownOnce = true;
        Items->setFocus();
    }
}

void TFormMain::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    FormResize();
}

// ---------------------------------------------------------------- keys

void TFormMain::FormKeyPress(QChar key)
{
    QAction* action = nullptr;
    switch (key.toLower().toLatin1()) {
    case 'a':
        action = byName;
        break;
    case 'b':
        action = AddFolderlocation1;
        break;
    case 'd':
        action = mnuDeleteItem;
        break;
    case 'e':
        Run([this] { KeyE(); });
        return;
    case 'f':
        action = Filter1;
        break;
    case 'h':
        action = mnuHTML;
        break;
    case 'i':
        action = fromPubMed1;
        break;
    case 'j':
        action = byJournal;
        break;
    case 'k':
        action = AddKeywords1;
        break;
    case 'l':
        action = mnuLoad;
        break;
    case 'n':
        action = AddItem;
        break;
    case 'o':
        action = mnuOptions;
        break;
    case 'p':
        action = byType;
        break;
    case 'q':
        action = Exit1;
        break;
    case 'r':
        action = byRef;
        break;
    case 's':
        action = mnuSave;
        break;
    case 't':
        action = byTitle;
        break;
    case 'v':
        action = ViewLog1;
        break;
    case 'x':
        action = Exit1;
        break;
    case 'y':
        action = byYear;
        break;
    case 'z':
        Run([this] { KeyZ(); });
        return;
    default:
        return;
    }
    action->trigger(); // a disabled entry ignores it
}

namespace {

// A key that types a character (control characters included); Tab moves the
// focus as usual.
bool IsCharacterKey(const QKeyEvent* e)
{
    return !e->text().isEmpty() && e->key() != Qt::Key_Tab && e->key() != Qt::Key_Backtab;
}

} // namespace

void TFormMain::keyPressEvent(QKeyEvent* event)
{
    if (IsCharacterKey(event)) {
        FormKeyPress(event->text().at(0));
        event->accept();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

bool TFormMain::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Items->viewport() && event->type() == QEvent::MouseButtonPress)
        m_changedLine = -1;
    if (watched == Items && event->type() == QEvent::KeyPress) {
        auto* ke = static_cast<QKeyEvent*>(event);
        if (IsCharacterKey(ke)) {
            FormKeyPress(ke->text().at(0));
            return true; // the list never sees typed characters
        }
    } else if (watched == Navigator) {
        if (event->type() == QEvent::MouseButtonDblClick) {
            Run([this] { NavigatorDblClick(); });
            return true;
        }
        if (event->type() == QEvent::MouseButtonRelease)
            Run([this] { NavigatorChange(); });
    }
    return QMainWindow::eventFilter(watched, event);
}

// ---------------------------------------------------------------- windows

void TFormMain::ViewLog1Click()
{
    TFormLog* log = m_ctx.w.Log;
    PlaceOnScreen(log);
    log->show();
    log->raise();
    log->activateWindow();
    log->LogmemoEnter();
}

void TFormMain::mnuOptionsClick()
{
    m_ctx.w.Options->mnuOptionsClick();
}

// ---------------------------------------------------------------- files

QString TFormMain::PathSetting(const std::string& key) const
{
    const QString v = m_ctx.Setting(key);
    return v == QLatin1String(kNone) ? QString() : v;
}

void TFormMain::NewLibrary1Click()
{
    Session& s = m_ctx.s;
    if (!SaveOrAskFirst())
        return;
    s.Bib.Clear();
    s.LibraryChanged = false; // saved, or dropped by the answer No
    s.Settings.Write("lastfile", s.Settings.Read("filename"));
    // Without a data folder the new library goes to the working folder; a
    // name built from "*none*" could never be written.
    const std::string folder = s.Settings.Read("datapath");
    s.Settings.Write("filename", folder == kNone ? std::string("new.bib") : folder + "new.bib");
    // A file of that name may exist already: its first save must not
    // overwrite a change made to it from now on.
    Watch->Take(s.Settings.Read("filename"));
    RefreshList(false);
    Heading->setText(m_ctx.Setting("filename") + QStringLiteral(": 0 items."));
}

void TFormMain::ShowLastFile()
{
    const QString last = PathSetting("lastfile");
    LastFile->setText(QString(last).replace(QLatin1Char('&'), QStringLiteral("&&")));
}

bool TFormMain::SaveOrAskFirst()
{
    Session& s = m_ctx.s;
    if (!s.LibraryChanged)
        return true;
    if (!s.Settings.IsYes("autosave")) {
        switch (m_ctx.dialogs().askYesNoCancel(
            this, QStringLiteral("Library has changed since last save. Save now?"))) {
        case Answer::Cancel:
            return false;
        case Answer::No:
            return true;
        case Answer::Yes:
            break;
        }
    }
    // A save that fails throws, which ends the command that asked.
    return mnuSaveClick(nullptr);
}

void TFormMain::mnuLoadClick(QObject* sender)
{
    Session& s = m_ctx.s;
    if (sender == mnuLoad) {
        const std::optional<QString> name =
            m_ctx.dialogs().openFile(this, QStringLiteral("Load Library"), PathSetting("datapath"),
                                     QStringLiteral("BibTeX Library (*.bib)"));
        if (name)
            OpenLibrary(*name);
        return;
    }
    if (sender == LastFile) {
        if (!SaveOrAskFirst())
            return;
        const Names before{s.Settings.Read("filename"), s.Settings.Read("lastfile")};
        s.Settings.Write("filename", before.last);
        s.Settings.Write("lastfile", before.file);
        ShowLastFile();
        LoadCurrent(&before);
        return;
    }
    LoadCurrent(); // the start-up load asks nothing
}

void TFormMain::OpenLibrary(const QString& name)
{
    if (!SaveOrAskFirst())
        return;
    Session& s = m_ctx.s;
    const Names before{s.Settings.Read("filename"), s.Settings.Read("lastfile")};
    s.Settings.Write("lastfile", before.file);
    ShowLastFile();
    m_ctx.WriteSetting("filename", name.isEmpty() ? QLatin1String(kNone) : name);
    LoadCurrent(&before);
}

void TFormMain::ReloadLibrary()
{
    if (SaveOrAskFirst())
        LoadCurrent();
}

void TFormMain::LoadCurrent(const Names* before)
{
    Session& s = m_ctx.s;
    const std::string name = s.Settings.Read("filename");
    if (name == kNone) {
        Watch->Take({});
        return;
    }
    bool loaded = false;
    try {
        loaded = LoadNamedLibrary(s);
    } catch (const FileError&) {
        // A load that fails leaves the library as it was, and with it the
        // names the heading shows: a later save must not write it under the
        // new name.
        if (before) {
            s.Settings.Write("filename", before->file);
            s.Settings.Write("lastfile", before->last);
            ShowLastFile();
        }
        throw;
    }
    Watch->Take(name);
    if (loaded) {
        RememberLibrary();
        AfterLoad();
    }
}

void TFormMain::RememberLibrary()
{
    Session& s = m_ctx.s;
    RememberRecentLibrary(s.Settings, s.Settings.Read("filename"), s.ProgramDir);
    BuildRecentMenu();
}

void TFormMain::BuildRecentMenu()
{
    // Not clear(): the entry whose choice led here may still be running.
    for (QAction* old : RecentLibraries1->actions()) {
        RecentLibraries1->removeAction(old);
        old->deleteLater();
    }
    int number = 0;
    for (const std::string& bytes : RecentLibraries(m_ctx.s.Settings)) {
        const QString name = DecodeText(bytes, m_ctx.iniUtf8);
        // "&1" to "&8": the digit picks the entry from the keyboard.
        QAction* a =
            RecentLibraries1->addAction(QLatin1Char('&') + QString::number(++number) + QLatin1Char(' ') +
                                        QString(name).replace(QLatin1Char('&'), QStringLiteral("&&")));
        a->setEnabled(QFileInfo(name).isFile());
        connect(a, &QAction::triggered, this, [this, name] { Run([this, name] { OpenLibrary(name); }); });
    }
    RecentLibraries1->setEnabled(number > 0);
}

void TFormMain::ShowNotice(bool changed)
{
    if (changed) {
        NoticeText->setText(QStringLiteral("The file ") + m_ctx.Setting("filename") +
                            QStringLiteral(" was changed by another program."));
        NoticeText->setToolTip(NoticeText->text());
    }
    Notice->setVisible(changed);
    FormResize();
}

namespace {

// The file's own name holds no dot ("sub.d/out" counts as dotless).
bool OwnNameHasDot(const QString& path)
{
    return QFileInfo(path).fileName().contains(QLatin1Char('.'));
}

} // namespace

bool TFormMain::mnuSaveClick(QObject* sender)
{
    Session& s = m_ctx.s;
    // A library that has no file name yet is saved as under a new name, so
    // that no file named "*none*" is ever written.
    if (sender == mnuSaveAs || s.Settings.Read("filename") == kNone) {
        const std::optional<QString> chosen =
            m_ctx.dialogs().saveFile(this, QStringLiteral("Enter filename to save"), PathSetting("datapath"),
                                     QStringLiteral("BibTeX Library (*.bib);;Any File (*)"));
        if (!chosen || chosen->isEmpty())
            return false;
        QString name = *chosen;
        if (!OwnNameHasDot(name))
            name += QStringLiteral(".bib");
        m_ctx.WriteSetting("filename", name);
        SetHeading();
    }
    const std::string path = s.Settings.Read("filename");
    if (Watch->ChangedSinceTaken(path) &&
        !m_ctx.dialogs().askYesNo(this, QStringLiteral("The file ") + m_ctx.Setting("filename") +
                                            QStringLiteral(" was changed by another program since it "
                                                           "was loaded. Overwrite it?")))
        return false; // nothing written; the changes stay unsaved
    if (s.Settings.IsYes("savesorted")) {
        const std::string key = s.Settings.Read("sorting");
        if (key != kNone)
            SortLibrary(s.Bib, key);
        RefreshList(true);
    }
    SaveLibraryFile(s, path);
    Watch->Take(path);
    RememberLibrary();
    return true;
}

void TFormMain::Quit()
{
    close();
}

bool TFormMain::FormClose()
{
    Session& s = m_ctx.s;
    SettingsList& st = s.Settings;
    if (s.LibraryChanged) {
        const bool save =
            st.IsYes("autosave") ||
            m_ctx.dialogs().askYesNo(this, QStringLiteral("Library has changed since last save. Save now?"));
        if (save && !mnuSaveClick(nullptr))
            return false; // no name chosen: nothing saved, the window stays
    }
    if (st.IsYes("savesize")) {
        auto geometry = [&st](const std::string& prefix, const QWidget* w) {
            st.Write(prefix + ".width", std::to_string(w->width()));
            st.Write(prefix + ".top", std::to_string(w->y()));
            st.Write(prefix + ".height", std::to_string(w->height()));
            st.Write(prefix + ".left", std::to_string(w->x()));
        };
        geometry("main", this);
        geometry("display", m_ctx.w.Display);
        geometry("notes", m_ctx.w.Notes);
    }
    if (st.IsYes("writelog"))
        WriteLogFile(s); // skipped for "*none*": never a file of that name
    if (st.IsYes("switchfilteringoff"))
        st.Write("filtering", "no");
    if (st.IsYes("switchsortingoff"))
        st.Write("sorting", "");
    WriteSettingsFile(s);
    return true;
}

void TFormMain::closeEvent(QCloseEvent* event)
{
    if (m_closed) {
        event->accept();
        return;
    }
    if (m_closing) { // a close requested while the shutdown asks its question
        event->ignore();
        return;
    }
    m_closing = true;
    bool done = false;
    const bool ran = Run([&] { done = FormClose(); });
    m_closing = false;
    if (!ran || !done) {
        event->ignore(); // a failed save or write: the user can try again
        return;
    }
    m_closed = true;
    event->accept();
    emit closed();
}

} // namespace lorix
