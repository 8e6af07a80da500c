#include "ui/formmain.h"

#include "commands/library.h"
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
        else // NOLINTNEXTLINE(bugprone-parent-virtual-call): past QListView's layout on purpose
            QAbstractItemView::dataChanged(topLeft, bottomRight, roles);
    }
};

} // namespace

// ---------------------------------------------------------------- window

// The commands' front end in the window: questions in boxes over the main
// window, the library's file watched by the window's watch.
class TFormMain::WindowFrontEnd final : public FrontEnd {
  public:
    explicit WindowFrontEnd(TFormMain& main) : m_main(main), m_ctx(main.m_ctx) {}

    Answer AskSaveChanges(bool cancellable) override
    {
        const QString question = QStringLiteral("Library has changed since last save. Save now?");
        if (cancellable)
            return m_ctx.dialogs().askYesNoCancel(&m_main, question);
        return m_ctx.dialogs().askYesNo(&m_main, question) ? Answer::Yes : Answer::No;
    }
    bool AskOverwrite(const std::string& path) override
    {
        return m_ctx.dialogs().askYesNo(&m_main,
                                        QStringLiteral("The file ") + DecodeText(path, m_ctx.iniUtf8) +
                                            QStringLiteral(" was changed by another program since it "
                                                           "was loaded. Overwrite it?"));
    }
    std::optional<std::string> AskSaveName() override
    {
        const std::optional<QString> chosen = m_ctx.dialogs().saveFile(
            &m_main, QStringLiteral("Enter filename to save"), m_ctx.PathSetting(key::DataPath),
            QStringLiteral("BibTeX Library (*.bib);;Any File (*)"));
        if (!chosen)
            return std::nullopt;
        return EncodeText(*chosen, m_ctx.iniUtf8);
    }
    bool AskDeleteItem() override
    {
        return m_ctx.dialogs().askYesNo(&m_main, QStringLiteral("Really delete item?"));
    }
    void TakeFile(const std::string& path) override { m_main.Watch->Take(path); }
    bool FileChangedSinceTaken(const std::string& path) override
    {
        return m_main.Watch->ChangedSinceTaken(path);
    }

  private:
    TFormMain& m_main;
    FormContext& m_ctx;
};

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

    BuildList(client);

    Status = new QLabel(QStringLiteral("Status"), client);
    Status->setObjectName(QStringLiteral("Status"));

    PopupKeys = new QMenu;
    PopupKeys->setObjectName(QStringLiteral("PopupKeys"));

    BuildNotice(client);
    BuildMenu();
    Uhr = new QTimer(this);
    Uhr->setObjectName(QStringLiteral("Uhr"));
    Uhr->setInterval(1000);
    connect(Uhr, &QTimer::timeout, this, [this] { Run([this] { UhrTimer(); }); });
    Brause = std::make_unique<CurlHttpClient>();
    m_front = std::make_unique<WindowFrontEnd>(*this);
    resize(640, 480);
}

void TFormMain::BuildList(QWidget* client)
{
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
}

// The notice above the list that the library's file was changed by another
// program, and the watch that raises it.
void TFormMain::BuildNotice(QWidget* client)
{
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
    Watch->setObjectName(QStringLiteral("Watch"));
    connect(Watch, &LibraryWatch::changedOnDisk, this, [this](bool changed) { ShowNotice(changed); });
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
    QMenuBar* bar = menuBar();
    BuildFileMenu(bar->addMenu(QStringLiteral("&File")));
    BuildEditMenu(bar->addMenu(QStringLiteral("&Edit")));
    BuildSortMenu(bar->addMenu(QStringLiteral("&Sort")));
    BuildHelpMenu(bar->addMenu(QStringLiteral("&Help")));
}

void TFormMain::BuildFileMenu(QMenu* file)
{
    const auto none = QKeySequence();
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
}

void TFormMain::BuildEditMenu(QMenu* edit)
{
    const auto none = QKeySequence();
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
    BuildUndoMenu(edit);
}

void TFormMain::BuildSortMenu(QMenu* sort)
{
    sort->setObjectName(QStringLiteral("Sort1"));
    SortGroup = new QActionGroup(this);
    // One entry or none is checked; choosing the checked entry again switches sorting off.
    SortGroup->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    for (size_t i = 0; i < kSortOrders.size(); ++i) {
        QAction* a = new QAction(QString::fromLatin1(kSortOrders[i].Caption), this);
        a->setObjectName(QString::fromLatin1(kSortOrders[i].Entry));
        a->setCheckable(true);
        SortGroup->addAction(a);
        sort->addAction(a);
        connect(a, &QAction::triggered, this, [this] { Run([this] { Sorting(); }); });
        SortEntries[i] = a;
    }
    Filter1 = MakeAction(QStringLiteral("Filter1"), QStringLiteral("&Filter"),
                         QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_F), [this] { Filter1Click(); });
    Filter1->setCheckable(true);
    sort->addAction(Filter1);
}

void TFormMain::BuildHelpMenu(QMenu* help)
{
    const auto none = QKeySequence();
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
    Filter1->setChecked(s.Settings.IsYes(key::Filtering));
    CheckSortEntry(s.Settings.Read(key::Sorting));

    Run([&] {
        LoadLogFile(s);
        s.ProgramDir = CurrentDir();
        ShowLastFile();
        const int w = s.Settings.ReadInt(key::MainWindow.Width);
        resize(w, height());
        const int t = s.Settings.ReadInt(key::MainWindow.Top);
        move(x(), t);
        const int h = s.Settings.ReadInt(key::MainWindow.Height);
        resize(width(), h);
        const int l = s.Settings.ReadInt(key::MainWindow.Left);
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
    for (size_t i = 0; i < kSortOrders.size(); ++i)
        if (SortEntries[i]->isChecked())
            return QString::fromLatin1(kSortOrders[i].Key);
    return QLatin1String(kNone);
}

void TFormMain::CheckSortEntry(const std::string& key)
{
    for (size_t i = 0; i < kSortOrders.size(); ++i)
        SortEntries[i]->setChecked(key == kSortOrders[i].Key);
}

void TFormMain::RefreshList(bool report)
{
    Outcome out;
    Perform(out, [this, report](Outcome& o) {
        command::Refresh(m_ctx.s, ListNow(), report, o);
        return true;
    });
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
    Heading->setText(m_ctx.Setting(key::Filename) + QStringLiteral(": ") +
                     QString::number(s.Bib.LastItemIndex() + 1) + QStringLiteral(" items."));
}

void TFormMain::Sorting()
{
    // The group has already moved the check mark.
    const int remembered = SelectedItem();
    RefreshList(false);
    Reselect(remembered);
}

void TFormMain::Filter1Click()
{
    m_ctx.w.Options->SetFiltering(Filter1->isChecked());
    RefreshList(true);
}

void TFormMain::FocusList()
{
    Items->setFocus(Qt::OtherFocusReason);
}

void TFormMain::ShareHideWindowKey(QWidget* other)
{
    other->addAction(HideWindow1);
}

void TFormMain::ShowFiltering(bool on)
{
    Filter1->setChecked(on);
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
    const char letter = key.toLower().toLatin1();
    for (size_t i = 0; i < kSortOrders.size(); ++i)
        if (letter == kSortOrders[i].Letter) {
            SortEntries[i]->trigger(); // a disabled entry ignores it
            return;
        }
    QAction* action = nullptr;
    switch (letter) {
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
    case 'q':
    case 'x':
        action = Exit1;
        break;
    case 's':
        action = mnuSave;
        break;
    case 'v':
        action = ViewLog1;
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

ListState TFormMain::ListNow() const
{
    ListState state;
    state.SortKey = SortKey().toStdString();
    state.Filtering = Filter1->isChecked();
    if (m_ctx.w.Options)
        for (int i = 0; i < 3; ++i)
            state.Not[static_cast<size_t>(i)] = m_ctx.w.Options->NotChecked(i);
    state.SelectedLine = SelectedLine();
    return state;
}

bool TFormMain::Perform(Outcome& out, const std::function<bool(Outcome&)>& command)
{
    try {
        const bool done = command(out);
        ShowOutcome(out);
        return done;
    } catch (...) {
        ShowOutcome(out); // what the command changed before it failed
        throw;
    }
}

void TFormMain::ShowOutcome(Outcome& out)
{
    // The note on show belongs to the library loaded before.
    if (out.Loaded && m_ctx.w.Notes)
        m_ctx.w.Notes->Forget();
    if (out.Lines) {
        m_selecting = true;
        ItemLines->SetLines(std::move(*out.Lines), m_ctx.s.Bib.Utf8);
        Items->selectionModel()->clear();
        m_selecting = false;
        out.Lines.reset();
        m_referenceKeys = std::move(out.ReferenceKeys);
        ++m_listChanges;
        if (m_ctx.w.Display)
            m_ctx.w.Display->hide();
    }
    if (out.FilteringOff) {
        Filter1->setChecked(false);
        m_ctx.w.Options->SetFiltering(false);
    }
    if (out.Heading)
        SetHeading();
    if (out.LastFile)
        ShowLastFile();
    if (out.Recent)
        BuildRecentMenu();
    if (out.Loaded) {
        if (m_ctx.w.Options)
            m_ctx.w.Options->FillFieldChoices();
        BuildPopupKeys();
    }
    UpdateUndoActions();
}

void TFormMain::NewLibrary1Click()
{
    Outcome out;
    Perform(out, [this](Outcome& o) { return command::NewLibrary(m_ctx.s, ListNow(), *m_front, o); });
}

void TFormMain::ShowLastFile()
{
    const QString last = m_ctx.PathSetting(key::LastFile);
    LastFile->setText(QString(last).replace(QLatin1Char('&'), QStringLiteral("&&")));
}

void TFormMain::mnuLoadClick(QObject* sender)
{
    if (sender == mnuLoad) {
        const std::optional<QString> name =
            m_ctx.dialogs().openFile(this, QStringLiteral("Load Library"), m_ctx.PathSetting(key::DataPath),
                                     QStringLiteral("BibTeX Library (*.bib)"));
        if (name)
            OpenLibrary(*name);
        return;
    }
    Outcome out;
    if (sender == LastFile)
        Perform(out, [this](Outcome& o) { return command::OpenLast(m_ctx.s, ListNow(), *m_front, o); });
    else // the start-up load asks nothing
        Perform(out, [this](Outcome& o) { return command::LoadCurrent(m_ctx.s, ListNow(), *m_front, o); });
}

void TFormMain::OpenLibrary(const QString& name)
{
    Outcome out;
    Perform(out, [this, &name](Outcome& o) {
        return command::Open(m_ctx.s, ListNow(), *m_front, EncodeText(name, m_ctx.iniUtf8), o);
    });
}

void TFormMain::ReloadLibrary()
{
    Outcome out;
    Perform(out, [this](Outcome& o) { return command::Reload(m_ctx.s, ListNow(), *m_front, o); });
}

void TFormMain::AfterLoad()
{
    Outcome out;
    out.Loaded = true;
    out.Heading = true;
    Perform(out, [this](Outcome& o) {
        command::Refresh(m_ctx.s, ListNow(), true, o);
        return true;
    });
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
        NoticeText->setText(QStringLiteral("The file ") + m_ctx.Setting(key::Filename) +
                            QStringLiteral(" was changed by another program."));
        NoticeText->setToolTip(NoticeText->text());
    }
    Notice->setVisible(changed);
    FormResize();
}

bool TFormMain::mnuSaveClick(QObject* sender)
{
    Outcome out;
    return Perform(out, [this, sender](Outcome& o) {
        return command::Save(m_ctx.s, ListNow(), *m_front, sender == mnuSaveAs, o);
    });
}

void TFormMain::Quit()
{
    close();
}

bool TFormMain::FormClose()
{
    auto geometry = [](const key::WindowKeys& keys, const QWidget* w) {
        return command::WindowGeometry{keys, w->width(), w->y(), w->height(), w->x()};
    };
    const std::vector<command::WindowGeometry> windows{geometry(key::MainWindow, this),
                                                       geometry(key::DisplayWindow, m_ctx.w.Display),
                                                       geometry(key::NotesWindow, m_ctx.w.Notes)};
    Outcome out;
    return Perform(out, [&](Outcome& o) { return command::Close(m_ctx.s, ListNow(), *m_front, windows, o); });
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
