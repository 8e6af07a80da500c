#pragma once
// TFormMain: the main window with the list of items, its menu bar and its
// single-letter keys.
//
// The handlers of the editing commands live in formmain_edit.cpp, those of
// import, export and help in formmain_exchange.cpp. Every command has its menu
// entry (a QAction named like the entry). The keyword popup menu PopupKeys is
// built by BuildPopupKeys() (formmain_edit.cpp), called after every load.

#include "commands/command.h"
#include "exchange/http.h"
#include "ui/context.h"
#include "view/listview.h"

#include <QAbstractListModel>
#include <QMainWindow>
#include <memory>
#include <string>
#include <cstdint>
#include <vector>

class QAction;
class QActionGroup;
class QFrame;
class QLabel;
class QPushButton;
class QLineEdit;
class QListView;
class QMenu;
class QTimer;

namespace lorix {

class LibraryWatch;

// The built lines of the main list; decodes a line only when it is drawn.
class ItemListModel final : public QAbstractListModel {
    Q_OBJECT
  public:
    using QAbstractListModel::QAbstractListModel;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    void SetLines(std::vector<std::string> lines, bool utf8);
    void SetLine(int row, std::string line);
    const std::string& Line(int row) const { return m_lines[static_cast<size_t>(row)]; }

  private:
    std::vector<std::string> m_lines;
    bool m_utf8 = true;
};

class TFormMain final : public QMainWindow {
    Q_OBJECT
  public:
    explicit TFormMain(FormContext& ctx);
    ~TFormMain() override;

    // Start-up steps of the main window; false when "lorix.ini" is missing,
    // in which case the program must end at once, writing nothing.
    bool FormCreate(const std::string& iniPath);

    // --- the list ---
    void RefreshList(bool report);
    int SelectedLine() const; // -1 when none
    // The library index of the selected line, or -1.
    int SelectedItem() const;
    void SelectLine(int line);
    // Rewrites the text of the selected line in place (the item editor's edits).
    void UpdateSelectedLine();
    // The steps after a library was read: list, heading, filter choices, keywords.
    void AfterLoad();
    // Re-selects and shows the item remembered before a refresh.
    void Reselect(int itemIndex);

    // --- commands (handlers keep the names of their menu entries) ---
    void mnuLoadClick(QObject* sender);
    // Loads the library named name in place of the open one, as the Load
    // command does once a file is chosen (also for a file dropped on the
    // window or named on the command line): unsaved changes are saved or
    // asked about first, and the open library's name becomes the last file.
    void OpenLibrary(const QString& name);
    void Quit();
    // The shutdown has run to its end; the window is gone for good.
    bool Closed() const { return m_closed; }
    void Sorting();
    void ItemsClick(QObject* sender);
    void mnuOptionsClick();
    void FormResize();

    // formmain_edit.cpp
    void newFieldClick(QObject* sender);
    void CheckConsistency();
    void KeyZ();
    void BuildPopupKeys();
    // The keyword menu at a point of the screen, for a box of any window.
    void PopupKeywords(const QPoint& global);
    // formmain_exchange.cpp: one tick of the clipboard watch.
    void UhrTimer();
    // formmain_undo.cpp: the captions of Undo and Redo name their steps;
    // greyed out without one.
    void UpdateUndoActions();

    // Runs a command through the error-box wrapper.
    bool Run(const std::function<void()>& command) { return RunCommand(m_ctx, this, command); }
    FormContext& Context() { return m_ctx; }

    // The keys go to the list (after a dialog that held the window back).
    void FocusList();
    // Ctrl+T (hide or show this window) typed in another window of the program.
    void ShareHideWindowKey(QWidget* other);
    // The Filter entry's check mark follows the stored "Filter Data" choice.
    void ShowFiltering(bool on);

  signals:
    // The window has closed after a complete shutdown; the program ends.
    void closed();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    // The steps and handlers the window runs itself.
    // Selects the line showing a library index, if it is shown; true then.
    bool SelectItem(int itemIndex);
    // file name + ": " + count + " items."
    void SetHeading();
    // The list as its menu, the options dialog and the selection set it up.
    ListState ListNow() const;
    // The word of the checked sort order, "*none*" when none is checked.
    QString SortKey() const;
    // Checks the sort order a word of "sorting" names (none for any other word).
    void CheckSortEntry(const std::string& key);
    void NewLibrary1Click();
    // Fills the "Recent Libraries" submenu from the settings.
    void BuildRecentMenu();
    // Loads the open library's file again (after another program changed it).
    void ReloadLibrary();
    // True when the library was written (false: no file name was chosen, or
    // the user would not overwrite a file another program had changed).
    bool mnuSaveClick(QObject* sender);
    bool FormClose();
    void Filter1Click();
    void NavigatorChange();
    void NavigatorDblClick();
    void ViewLog1Click();
    void FormKeyPress(QChar key);
    // formmain_edit.cpp
    void AddItemClick();
    void mnuDeleteItemClick();
    void AddFolderlocation1Click();
    void AddKeywords1Click();
    void ShowNotesWindow1Click();
    void HideWindow1Click();
    void KeyE();
    // formmain_exchange.cpp
    void mnuImportfCClick();
    void fromPubMed1Click();
    void watchClipClick();
    void mnuHTMLClick();
    void ExpToClipClick();
    void Contents1Click();
    void mnuAboutClick();
    // Selects and shows an imported item.
    void FinishImport(int itemIndex);
    void fromDoi1Click();
    // formmain_undo.cpp
    void BuildUndoMenu(QMenu* edit);
    // Undo, or Redo with redo.
    void UndoClick(bool redo);
    void PasteBibtexClick();

    // The clipboard watch: runs while watchClip is checked, except during a
    // fetch it started and after a failed one.
    QTimer* Uhr = nullptr;
    QString LastClipText;
    // The sort order checked when the watch was switched on ("*none*": none).
    std::string SavedSortKey = kNone;
    // The HTTP client of the PubMed fetch.
    std::unique_ptr<HttpClient> Brause;

    // Controls
    QLabel* Heading = nullptr;
    QLineEdit* Navigator = nullptr;
    QListView* Items = nullptr;
    QLabel* Status = nullptr;
    ItemListModel* ItemLines = nullptr;
    // A window of its own, not a child of this one: it must also open over
    // the dialogs that disable this window while they are up.
    QMenu* PopupKeys = nullptr;
    // The notice that the library's file was changed by another program.
    QFrame* Notice = nullptr;
    QLabel* NoticeText = nullptr;
    QPushButton* NoticeReload = nullptr;
    QPushButton* NoticeDismiss = nullptr;
    LibraryWatch* Watch = nullptr;

    // Menu entries
    QAction* NewLibrary1 = nullptr;
    QAction* mnuLoad = nullptr;
    // "Recent Libraries": the libraries opened lately, most recent first;
    // one whose file is missing is shown disabled.
    QMenu* RecentLibraries1 = nullptr;
    QAction* mnuSave = nullptr;
    QAction* mnuSaveAs = nullptr;
    QMenu* Import1 = nullptr;
    QAction* fromPubMed1 = nullptr;
    QAction* mnuImportfC = nullptr; // hidden
    QAction* watchClip = nullptr;
    QMenu* mnuExport = nullptr;
    QAction* mnuHTML = nullptr;
    QAction* ExpToClip = nullptr;
    QAction* LastFile = nullptr;
    QAction* Exit1 = nullptr;
    QAction* mnuDeleteItem = nullptr;
    QAction* AddItem = nullptr;
    QAction* newField = nullptr;
    QAction* AddFolderlocation1 = nullptr;
    QAction* AddKeywords1 = nullptr;
    QAction* CheckConsitency1 = nullptr;
    QAction* ViewLog1 = nullptr;
    QAction* ShowNotesWindow1 = nullptr;
    QAction* mnuOptions = nullptr;
    QAction* HideWindow1 = nullptr; // hidden
    QAction* mnuUndo = nullptr;
    QAction* mnuRedo = nullptr;
    QAction* PasteBibtex1 = nullptr;
    QAction* fromDoi1 = nullptr;
    // The entries of kSortOrders, in its order.
    std::array<QAction*, kSortOrders.size()> SortEntries{};
    QActionGroup* SortGroup = nullptr;
    QAction* Filter1 = nullptr;
    QAction* Contents1 = nullptr;
    QAction* mnuAbout = nullptr;

    void BuildMenu();
    void BuildFileMenu(QMenu* file);
    void BuildEditMenu(QMenu* edit);
    void BuildSortMenu(QMenu* sort);
    void BuildHelpMenu(QMenu* help);
    // The list of items (the model, its view and what a click or a new
    // selection does).
    void BuildList(QWidget* client);
    void BuildNotice(QWidget* client);
    QAction* MakeAction(const QString& name, const QString& caption, const QKeySequence& shortcut,
                        const std::function<void()>& handler);
    void ShowItemAndFocus(int line, bool keepNavigatorFocus);
    void ShowLastFile();
    void ShowNotice(bool changed);
    // Runs a command of the commands layer and shows its outcome, also what
    // it changed before a failure, which then goes on to the error box.
    bool Perform(Outcome& out, const std::function<bool(Outcome&)>& command);
    void ShowOutcome(Outcome& out);

    class WindowFrontEnd;
    std::unique_ptr<FrontEnd> m_front;

    FormContext& m_ctx;
    // Set while the list selection is moved by the program, so that the
    // selection handler does not treat it as the user's click.
    bool m_selecting = false;
    // ReferenceKey of each list line's reference, for the Navigator: made by
    // RefreshList, kept where a line is rewritten in place.
    std::vector<std::uint64_t> m_referenceKeys;
    // The Navigator's last search: its text, the line it found (-1: none) and
    // the list it searched (m_listChanges counts refreshes and rewritten
    // lines). A text that extends it searches on from that line.
    std::string m_navigatorText;
    int m_navigatorLine = -1;
    unsigned m_navigatorList = 0;
    unsigned m_listChanges = 0;
    bool m_closing = false;
    bool m_closed = false;
    bool m_shownOnce = false;
    // The line whose selection change has just shown its item, so that the
    // click that made it does not show it twice.
    int m_changedLine = -1;
};

} // namespace lorix
