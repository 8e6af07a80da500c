// The main window and the dialogs it opens: the start and the shutdown, the
// library names, the menu bar and the list's keys, the Navigator, the codec of
// shown text, the options dialog, and import and export (the PubMed fetch and
// the clipboard watch against a loopback server).
#include "core/fileio.h"
#include "support/httpserver.h"
#include "ui/codec.h"
#include "uitest.h"

#include <QGuiApplication>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QScreen>
#include <QtTest>
#include <filesystem>
#include <functional>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

using namespace lorix;
using namespace lorix::test;
using namespace Qt::StringLiterals;
using namespace std::string_literals;

namespace {

// "caption|shortcut" per entry, "-" for a separator, "caption>" ... "<" around a submenu.
QString Describe(const QMenu* menu)
{
    QStringList out;
    for (QAction* a : menu->actions())
        out << (a->isSeparator() ? u"-"_s
                : a->menu()      ? a->text() + u">"_s + Describe(a->menu()) + u"<"_s
                                 : a->text() + u"|"_s + a->shortcut().toString());
    return out.join(u' ');
}

bool IniHasLine(const std::string& ini, const std::string& line)
{
    return ("\n" + ini).find("\n" + line + "\n") != std::string::npos;
}

// "filename lastfile" as stored.
std::string Names(const Harness& h)
{
    return h.s.Settings.Read(key::Filename) + " " + h.s.Settings.Read(key::LastFile);
}

// Drags one file over target and drops it there, as a file manager does: Qt
// hands a drag first to the innermost widget that takes drops. True when the drop
// was taken; what it opens runs once the drop has ended.
bool DropFile(QWidget* target, const std::string& path)
{
    while (!target->acceptDrops())
        target = target->parentWidget();
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
    data.setText(QString::fromStdString(path)); // file managers offer the name as text too
    const auto actions = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
    QDragEnterEvent enter(QPoint(5, 5), actions, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent drop(QPointF(5, 5), actions, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    QCoreApplication::processEvents();
    return drop.isAccepted() && drop.dropAction() == Qt::CopyAction;
}

// The entries of the recent list, "caption" or "(caption)" when disabled.
QStringList RecentEntries(const Harness& h)
{
    auto* recent = h.Widget<QMenu>("RecentLibraries1");
    emit recent->aboutToShow();
    QStringList out;
    for (const QAction* a : recent->actions())
        out << (a->isEnabled() ? a->text() : u"("_s + a->text() + u")"_s);
    return out;
}

const QString kRecord =
    QString::fromLatin1("TI  - A study.\nFAU - Smith, John A\nAU  - Smith JA\nTA  - J Test\n"
                        "DP  - 2003 Jan 15\nAB  - Line one\n      line two.\n");

// Ticks a check box or sets a line edit's text as typing would.
void Set(QWidget* window, const char* name, bool on)
{
    Find<QAbstractButton>(window, name)->setChecked(on);
}
void Set(QWidget* window, const char* name, const QString& text)
{
    Find<QLineEdit>(window, name)->setText(text);
}

} // namespace

class WindowsTest : public QObject {
    Q_OBJECT
  private slots:
    void startCreatesTheWindowsAndMenusReadsTheSettingsOrEndsWithout()
    {
        Started h;
        QCOMPARE(
            h.program->Context().created.join(u' '),
            u"TFormMain TFormAbout TFormDisplay TFormOptions TFormLog TFormCustom TFormPrint TFormNotes"_s);
        TFormMain* m = h.Main();
        const QStringList shown{m->windowTitle(), h.Widget<QLabel>("Heading")->text(),
                                h.Widget<QLabel>("Heading")->toolTip(), h.Items()->toolTip(), h.Status()};
        QCOMPARE(shown.join(u'|'), u"Lorix for Windows V0.99|No loaded items.|Filename and number of items.|"
                                   u"List of filtered items.|Status"_s);
        QVERIFY(h.Items()->uniformItemSizes());
        QVERIFY(QFontInfo(h.Items()->font()).fixedPitch());
        // Windows that were never shown keep the geometry read at start where it fits the screen.
        QCOMPARE(QRect(m->x(), m->y(), m->width(), m->height()), QRect(10, 40, 760, 600));
        QStringList menus;
        for (QAction* top : m->menuBar()->actions())
            menus << top->text() + u": "_s + Describe(top->menu());
        QCOMPARE(menus,
                 (QStringList{
                     u"&File: New Library| - &Load Library|Ctrl+L Recent Libraries>< &Save Library|Ctrl+S "
                     u"Save Library &As| - "
                     u"&Import>from &PubMed|Ctrl+I watch Clipboard for &ID| from &DOI or arXiv|Ctrl+D< &Export>to &HTML| "
                     u"to Clipboard|Ctrl+Alt+C< - | - &Quit|Ctrl+Q"_s,
                     u"&Edit: &Delete Item|Shift+Del &New Item\tCtrl+Ins| Add &Custom Field|Shift+Ins "
                     u"Add &Folder location|Ctrl+F Add &Keywords|Ctrl+K - C&heck Consistency| View &Log| "
                     u"Show &Notes Window|Ctrl+N &Options|Ctrl+O - Undo|Ctrl+Z Redo|Ctrl+Y Paste BibTeX|Ctrl+Shift+V"_s,
                     u"&Sort: by &Title| by &Author| by &Year| by &Journal| by T&ype| by &Reference| "
                     u"&Filter|Ctrl+Alt+F"_s,
                     u"&Help: Manual| &About|"_s}));
        // Everything is enabled but the recent list, which is empty yet, and
        // Undo and Redo, which have no step yet.
        const QList<QAction*> greyed{h.Widget<QMenu>("RecentLibraries1")->menuAction(), h.Action("mnuUndo"),
                                     h.Action("mnuRedo")};
        for (QAction* a : m->findChildren<QAction*>())
            QVERIFY2(a->isEnabled() != greyed.contains(a), qPrintable(a->text()));
        // Hidden entries live on the window only. Ctrl+Ins belongs to the
        // import alone, so the key is never ambiguous.
        for (QAction* hidden : {h.Action("mnuImportfC"), h.Action("HideWindow1")}) {
            QVERIFY(m->actions().contains(hidden));
            QVERIFY(!menus.join(u' ').contains(hidden->text()));
        }
        QCOMPARE(h.Action("mnuImportfC")->shortcut().toString() + u' ' +
                     h.Action("HideWindow1")->shortcut().toString() + u'|' +
                     h.Action("AddItem")->shortcut().toString(),
                 u"Ctrl+Ins Ctrl+T|"_s);
        // The six orders are one radio group; Filter is a check entry of its own.
        QCOMPARE(h.Action("byRef")->actionGroup()->actions().size(), 6);
        QVERIFY(!h.Action("Filter1")->actionGroup());
        QVERIFY(h.Action("Filter1")->isCheckable());

        Started bad(Overrides{{"main.top", "abc"}}); // the error box, and the start goes on
        QCOMPARE(bad.dialogs.errors.size(), 1);
        QVERIFY(bad.dialogs.errors[0].contains(u"abc"_s));
        QVERIFY(bad.Notes());
        Started last(Overrides{{"lastfile", "prev & co.bib"}});
        QCOMPARE(last.Action("LastFile")->text(), u"prev && co.bib"_s);

        // Without a settings file the start ends, writing nothing.
        Harness none({}, false);
        QVERIFY(!none.Start());
        QCOMPARE(none.dialogs.fatals, QStringList{u"Sorry, Lorix couldn't find it's ini file. Exiting."_s});
        QCOMPARE(none.program->Context().created, QStringList{u"TFormMain"_s});
        QVERIFY(
            QDir(QString::fromStdString(none.dir.path())).isEmpty(QDir::NoDotAndDotDot | QDir::AllEntries));
    }

    // Whatever the settings say, every window starts whole on the screen,
    // keeping its size where that fits; the delivered settings fit 1280x800.
    void windowsStartWholeOnTheScreen()
    {
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        Started h(Overrides{{"main.left", "5000"}, {"main.top", "-300"}, {"main.width", "300"},
                            {"main.height", "200"}, {"display.left", "-900"}, {"display.top", "100"},
                            {"display.width", "5000"}, {"display.height", "400"}, {"notes.top", "5000"},
                            {"notes.height", "160"}});
        const std::pair<QWidget*, QSize> windows[] = {{h.Main(), QSize(300, 200)},
                                                      {h.Display(), QSize(area.width(), 400)},
                                                      {h.Notes(), QSize(460, 160)}};
        for (const auto& [w, size] : windows) {
            QVERIFY2(area.contains(w->frameGeometry()), qPrintable(w->objectName()));
            QCOMPARE(w->size(), size);
            w->show(); // and so they show
            QVERIFY2(area.contains(w->frameGeometry()), qPrintable(w->objectName()));
        }

        // With room for a title bar of 30 pixels above each.
        const SettingsList ini = SettingsList::LoadFromFile(std::string(LORIX_SOURCE_DIR) + "/data/lorix.ini");
        for (const std::string window : {"main", "display", "notes"}) {
            auto read = [&](const char* part) { return ini.IntOf(window, ini.ReadByName(window + part)); };
            const QRect frame(read(".left"), read(".top"), read(".width"), read(".height") + 30);
            QVERIFY2(QRect(0, 0, 1280, 800).contains(frame), window.c_str());
        }
    }

    void logFileAndLogWindow()
    {
        QCOMPARE(Started(Overrides{{"logfile", "absent.log"}}).Status(), u"Logfile not found"_s);

        Harness h(Overrides{{"logfile", "old.log"}});
        WriteFile(h.dir.file("old.log"), "first\nsecond\n");
        QVERIFY(h.Start());
        TFormLog* log = h.Log();
        auto* memo = Find<QPlainTextEdit>(log, "Logmemo");
        h.Action("ViewLog1")->trigger();
        QVERIFY(log->isVisible());
        QVERIFY(memo->textCursor().atEnd());
        memo->setPlainText(u"typed"_s); // not kept: entering the memo shows LogList again
        log->LogmemoEnter();
        QCOMPARE(memo->toPlainText(), u"first\nsecond"_s);
        QTest::mouseClick(Find<QPushButton>(log, "ClearLog"), Qt::LeftButton);
        QVERIFY(h.s.Log.LogList.empty());
        QVERIFY(memo->toPlainText().isEmpty());
        QTest::mouseClick(Find<QPushButton>(log, "Dismiss"), Qt::LeftButton);
        QVERIFY(log->isHidden());
    }

    // A library opened from the command line, by a drop on either window or
    // from the recent list loads as Load does, unsaved changes first; the
    // recent list shows a missing file disabled.
    void droppedAndRecentLibrariesOpenAsLoadDoes()
    {
        Harness h(Overrides{{"filename", "a.bib"}, {"backup", "no"}});
        const QString dir = QString::fromStdString(h.dir.path());
        for (const char* name : {"a", "b", "c", "d & co"})
            WriteFile(h.dir.file(name + ".bib"s), "@misc{"s + name[0] + ", note = {x}}\n");
        WriteFile(h.dir.file("paper.pdf"), "%PDF-1.4");
        QVERIFY(h.Start());
        TFormMain* m = h.Main();
        QCOMPARE(RecentEntries(h), QStringList{u"&1 "_s + dir + u"/a.bib"_s});
        auto shown = [&h] { return h.s.Bib.Library.empty() ? "-"s : h.s.Bib.Library[0].Reference; };

        // Only a .bib file is taken; any other would be overwritten by the next save.
        QVERIFY(!DropFile(m, h.dir.file("paper.pdf")));
        QCOMPARE(shown(), "a"s);
        // Edit boxes take the drop too, instead of pasting the name as text.
        QVERIFY(DropFile(h.Navigator(), h.dir.file("b.bib")));
        QCOMPARE(shown(), "b"s);
        QVERIFY(h.Navigator()->text().isEmpty());
        h.SetLibrary({MakeItem("misc", "z", {})});
        h.Select(0);
        QVERIFY(h.Display()->isVisible());
        h.s.LibraryChanged = true; // unsaved changes: Cancel keeps everything, No drops them
        h.dialogs.yesNoCancel = {Answer::Cancel, Answer::No};
        QWidget* field = h.Editor(1)->viewport();
        QVERIFY(DropFile(field, h.dir.file("C.BIB")));
        QCOMPARE(shown(), "z"s);
        QVERIFY(h.s.LibraryChanged);
        QVERIFY(DropFile(field, h.dir.file("c.bib")));
        QCOMPARE(shown(), "c"s);
        QVERIFY(!h.s.LibraryChanged);
        QCOMPARE(h.dialogs.questions.size(), 2);
        QVERIFY(h.dialogs.errors.isEmpty()); // "C.BIB" does not exist: only the log says so
        QCOMPARE(Names(h) + "|" + h.Action("LastFile")->text().toStdString(),
                 h.dir.file("c.bib") + " " + h.dir.file("b.bib") + "|" + h.dir.file("b.bib"));
        QVERIFY(DropFile(h.Items()->viewport(), h.dir.file("d & co.bib")));
        QCOMPARE(shown(), "d"s);
        const QStringList four{u"&1 "_s + dir + u"/d && co.bib"_s, u"&2 "_s + dir + u"/c.bib"_s,
                               u"&3 "_s + dir + u"/b.bib"_s, u"&4 "_s + dir + u"/a.bib"_s};
        QCOMPARE(RecentEntries(h), four);

        // An entry loads its library; a file gone is shown disabled.
        h.Widget<QMenu>("RecentLibraries1")->actions()[2]->trigger();
        QCOMPARE(shown(), "b"s);
        QCOMPARE(Names(h), h.dir.file("b.bib") + " " + h.dir.file("d & co.bib"));
        std::filesystem::remove(h.dir.file("c.bib"));
        QCOMPARE(RecentEntries(h),
                 (QStringList{u"&1 "_s + dir + u"/b.bib"_s, u"&2 "_s + dir + u"/d && co.bib"_s,
                              u"(&3 "_s + dir + u"/c.bib)"_s, u"&4 "_s + dir + u"/a.bib"_s}));
    }

    // The command line of the program: "lorix [FILE]", a relative FILE taken
    // from the folder the command was typed in.
    void commandLineNamesTheLibraryToOpen()
    {
        const std::tuple<QStringList, QString, QString> cases[] = {
            {{}, u""_s, u"|"_s},
            {{u"paper.bib"_s}, u"/home/u"_s, u"/home/u/paper.bib|"_s},
            {{u"paper.bib"_s}, u""_s, u"paper.bib|"_s}, // run in its working folder: taken from there
            {{u"/abs/p.bib"_s}, u"/home/u"_s, u"/abs/p.bib|"_s},
            {{u"--"_s, u"-odd.bib"_s}, u"/h"_s, u"/h/-odd.bib|"_s},
            {{u"--bogus"_s, u"a.bib"_s}, u""_s, u"a.bib|unknown option --bogus"_s},
            {{u"a.bib"_s, u"b.bib"_s}, u""_s, u"a.bib|one library at a time: b.bib"_s},
            {{u""_s}, u""_s, u"|an empty file name"_s},
            {{u"-h"_s}, u""_s, u"| help"_s},
            {{u"--version"_s}, u""_s, u"| version"_s},
            {{u"--"_s, u"--help"_s}, u"/h"_s, u"/h/--help|"_s},
        };
        for (const auto& [args, caller, expected] : cases) {
            const ProgramArguments a = ParseProgramArguments(args, caller);
            QCOMPARE(a.library + u'|' + a.problem + (a.help ? u" help"_s : u""_s) +
                         (a.version ? u" version"_s : u""_s),
                     expected);
        }
    }

    // A library file changed by another program: a notice at once, that does
    // not stop the work; a question before a save would overwrite it; a reload
    // on request.
    void aLibraryChangedOnDiskIsNeverOverwrittenSilently()
    {
        Harness h(Overrides{{"filename", "lib.bib"}, {"backup", "no"}});
        const std::string lib = h.dir.file("lib.bib");
        WriteFile(lib, "@misc{mine, note = {1}}");
        QVERIFY(h.Start());
        TFormMain* m = h.Main();
        m->show();
        auto* notice = h.Widget<QFrame>("Notice");
        QAction* save = h.Action("mnuSave");
        QAction* quit = h.Action("Exit1");
        // Our own saves are no change by another program.
        h.s.LibraryChanged = true;
        save->trigger();
        QTest::qWait(150); // time for a notice that must not come
        QVERIFY(notice->isHidden());
        QVERIFY(h.dialogs.questions.isEmpty());

        // Replaced by a rename, as editors save.
        WriteFile(lib + ".new", "@misc{theirs, note = {2}}");
        std::filesystem::rename(lib + ".new", lib);
        QTRY_VERIFY(!notice->isHidden());
        QCOMPARE(h.Widget<QLabel>("NoticeText")->text(),
                 u"The file lib.bib was changed by another program."_s);
        QVERIFY(m->isEnabled());
        QVERIFY(h.Items()->geometry().top() > notice->geometry().bottom());
        const QString overwrite =
            u"The file lib.bib was changed by another program since it was loaded. Overwrite it?"_s;
        h.s.LibraryChanged = true;
        for (QAction* entry : {save, quit}) { // answered No: their file stays whole
            // Quitting asks to save first.
            h.dialogs.yesNo = entry == quit ? std::deque<bool>{true, false} : std::deque<bool>{false};
            entry->trigger();
            QCOMPARE(h.dialogs.questions.last(), overwrite);
            QVERIFY(h.s.LibraryChanged);
            QVERIFY(m->isVisible());
            QCOMPARE(ReadFile(lib), "@misc{theirs, note = {2}}"s);
        }
        // Reload, after the question about the unsaved changes.
        h.dialogs.yesNoCancel = {Answer::No};
        h.Widget<QPushButton>("NoticeReload")->click();
        QCOMPARE(h.s.Bib.Library[0].Reference, "theirs"s);
        QVERIFY(!h.s.LibraryChanged);
        QVERIFY(notice->isHidden());

        // Changed in place this time, then overwritten on request; the notice goes.
        WriteFile(lib, "@misc{third, note = {3}}");
        QTRY_VERIFY(!notice->isHidden());
        h.dialogs.yesNo = {true};
        save->trigger();
        QVERIFY(ReadFile(lib).find("theirs") != std::string::npos);
        QVERIFY(notice->isHidden());
        // Dismissed, the notice goes; the save still asks.
        WriteFile(lib, "@misc{fourth, note = {4}}");
        QTRY_VERIFY(!notice->isHidden());
        h.Widget<QPushButton>("NoticeDismiss")->click();
        QVERIFY(notice->isHidden());
        h.dialogs.yesNo = {false};
        save->trigger();
        QCOMPARE(h.dialogs.questions.last(), overwrite);
        QVERIFY(ReadFile(lib).find("fourth") != std::string::npos);
    }

    // What the window adds to the close (the order of its steps is the
    // commands' rule): its size stored, and it stays open after a failed write.
    void closeWritesTheWindowsSettingsOrStaysOpenAfterAFailedWrite()
    {
        Started h(Overrides{{"logfile", "run.log"}, {"writelog", "yes"}});
        QSignalSpy closed(h.Main(), &TFormMain::closed);
        h.Main()->show();
        h.Main()->resize(700, 500);
        h.s.LibraryChanged = true;
        h.dialogs.yesNo.push_back(false); // drop the changes
        QVERIFY(h.Main()->close());
        QCOMPARE(closed.count(), 1);
        QCOMPARE(h.dialogs.questions, QStringList{u"Library has changed since last save. Save now?"_s});
        const std::string ini = h.IniOnDisk();
        // The display window was never shown, so it keeps the size it was created with.
        for (const char* line : {"main.width=700", "main.height=500", "display.width=460", "notes.top=540"})
            QVERIFY2(IniHasLine(ini, line), line);
        QVERIFY(Exists(h.dir.file("run.log")));

        // A settings file that cannot be written, then one that can.
        Started w(Overrides{{"savesize", "no"}, {"writelog", "yes"}});
        QSignalSpy wClosed(w.Main(), &TFormMain::closed);
        w.Main()->show();
        w.Main()->resize(333, 222);
        w.s.ProgramDir = w.dir.file("gone"); // no such folder: lorix.ini cannot be written
        QVERIFY(!w.Main()->close());
        QVERIFY(wClosed.isEmpty());
        QCOMPARE(w.dialogs.errors.size(), 1);
        w.s.ProgramDir = w.dir.path();
        QVERIFY(w.Main()->close());
        QCOMPARE(wClosed.count(), 1);
        // savesize=no keeps the stored size; logfile "*none*": no log.
        QVERIFY(IniHasLine(w.IniOnDisk(), "main.width=760"));
        QVERIFY(!Exists(w.dir.file("*none*")));
    }

    // The single-letter keys of the list, and the options dialog in front of
    // the windows behind it.
    void keysOfTheListAndTheOptionsDialogInFront()
    {
        Started h;
        TFormMain* m = h.Main();
        TFormOptions* o = h.Options();
        QListView* items = h.Items();
        // Items without required fields: re-showing one logs no schema error
        // over the list's count message.
        h.SetLibrary({MakeItem("misc", "c1", {}), MakeItem("misc", "c2", {}), MakeItem("misc", "d", {})});
        m->show();
        m->SelectLine(0);
        items->setFocus();
        // Type-ahead would jump to "c2" or "d"; unmapped characters and Enter do nothing.
        for (Qt::Key k : {Qt::Key_C, Qt::Key_5, Qt::Key_Space, Qt::Key_Return, Qt::Key_G})
            QTest::keyClick(items, k);
        QCOMPARE(m->SelectedLine(), 0);
        QVERIFY(h.dialogs.errors.isEmpty());
        QTest::keyClick(items, Qt::Key_Down); // arrow keys still move the selection
        QCOMPARE(m->SelectedLine(), 1);
        // Typed in turn: a second press of an order's letter switches it off.
        const std::pair<const char*, const char*> letters[] = {
            {"y", "year"}, {"Y", "*none*"}, {"t", "title"}, {"R", "ref"}};
        for (const auto& [letter, sorting] : letters) {
            QTest::keyClicks(items, QString::fromLatin1(letter));
            QCOMPARE(h.s.Settings.Read(key::Sorting), std::string(sorting));
        }
        QVERIFY(h.Action("byRef")->isChecked());
        QVERIFY(!h.Action("byTitle")->isChecked());

        h.Action("mnuOptions")->trigger();
        QVERIFY(o->isVisible());
        QVERIFY(!m->isEnabled());
        QVERIFY(!h.Display()->isEnabled());
        // Clicks on the main list do nothing while the dialog is up.
        QTest::mouseClick(items->viewport(), Qt::LeftButton, {},
                          items->visualRect(h.Model()->index(2)).center());
        QCOMPARE(m->SelectedLine(), 1);
        auto* dismiss = Find<QPushButton>(o, "Dismiss");
        QTest::mouseClick(dismiss, Qt::LeftButton);
        QVERIFY(!o->isVisible());
        QVERIFY(m->isEnabled());
        QVERIFY(h.Display()->isEnabled());
        QCOMPARE(m->SelectedItem(), 1);
        QVERIFY(h.Display()->isVisible());
        QCOMPARE(h.Status(), u"Filtering off. Showing all 3 items."_s);

        for (Qt::Key k : {Qt::Key_F, Qt::Key_V, Qt::Key_O})
            QTest::keyClick(items, k);
        QVERIFY(h.Action("Filter1")->isChecked());
        QVERIFY(Find<QCheckBox>(o, "Filtering")->isChecked());
        QVERIFY(h.Log()->isVisible());
        QVERIFY(o->isVisible());
        // Enter in a box presses Dismiss; the selected item gone, nothing is selected.
        h.s.Bib.Library.clear();
        QTest::keyClick(Find<QLineEdit>(o, "FilterBound1"), Qt::Key_Return);
        QVERIFY(!o->isVisible());
        QVERIFY(m->isEnabled());
        QCOMPARE(m->SelectedLine(), -1);
        QVERIFY(!h.Display()->isVisible());
        // A failing refresh: the error box, the refresh abandoned, the dialog closed all the same.
        h.s.Bib.Library = {MakeItem("book", "a", {})};
        h.Action("mnuOptions")->trigger();
        Set(o, "Truncate", true);
        Set(o, "CharLimit", u"wide"_s);
        QTest::mouseClick(dismiss, Qt::LeftButton);
        QVERIFY(!o->isVisible());
        QVERIFY(m->isEnabled());
        QCOMPARE(h.Model()->rowCount(), 0);
        QCOMPARE(h.dialogs.errors.size(), 1);
        QVERIFY(h.dialogs.errors[0].contains(u"wide"_s));
        QSignalSpy closed(m, &TFormMain::closed);
        QTest::keyClick(items, Qt::Key_X);
        QCOMPARE(closed.count(), 1);
    }

    void listSelectionNavigatorAndTheCodecOfShownText()
    {
        Started h;
        TFormMain* m = h.Main();
        TFormDisplay* editor = h.Display();
        QLineEdit* nav = h.Navigator();
        editor->show();
        h.s.Bib.Library = {MakeItem("article", "Jones2001", {{"title", "B"}}),
                           MakeItem("book", "smith1999", {{"title", "A"}}),
                           MakeItem("misc", "Smythe", {{"title", "C"}})};
        m->RefreshList(true); // a refresh hides the editor and selects nothing
        QCOMPARE(h.Model()->rowCount(), 3);
        QVERIFY(!editor->isVisible());
        QCOMPARE(m->SelectedLine(), -1);

        m->show();
        m->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m));
        QCOMPARE(QApplication::focusWidget(), h.Items()); // the list has the focus after the start
        nav->setFocus();
        h.Items()->setFocus(Qt::TabFocusReason); // the focus alone selects nothing
        QCOMPARE(m->SelectedLine(), -1);
        QVERIFY(!editor->isVisible());

        // The Navigator selects the first reference that starts with its text,
        // whatever the case; letters typed there run no command.
        QTest::mouseDClick(nav, Qt::LeftButton); // with no selection: the first line
        QCOMPARE(m->SelectedLine(), 0);
        QVERIFY(editor->isVisible());
        editor->hide();
        nav->setFocus();
        const std::tuple<const char*, int, QColor> steps[] = {
            {"SM", 1, Qt::darkGreen}, {"y", 2, Qt::darkGreen}, {"q", 2, Qt::red}, {"", 2, Qt::red}};
        for (const auto& [typed, line, colour] : steps) {
            if (*typed)
                QTest::keyClicks(nav, QString::fromLatin1(typed));
            else
                nav->clear(); // changes nothing
            QCOMPARE(m->SelectedLine(), line);
            QCOMPARE(nav->palette().color(QPalette::Text), colour);
        }
        QVERIFY(editor->isVisible());
        QVERIFY(nav->hasFocus());
        QVERIFY(!h.Action("byYear")->isChecked());
        // Typing on searches from the line found for the shorter text, unless
        // a line changed since: here an earlier reference renamed in the editor.
        nav->setText(QStringLiteral("sm"));
        QCOMPARE(m->SelectedLine(), 1);
        h.s.Bib.Library[0].Reference = "Smz";
        m->SelectLine(0);
        m->UpdateSelectedLine(); // as the editor's write-back does
        m->SelectLine(2);
        nav->setText(QStringLiteral("smz"));
        QCOMPARE(m->SelectedLine(), 0);
        nav->setText(QStringLiteral("smzq")); // no line: nor for any longer text
        nav->setText(QStringLiteral("smzqr"));
        QCOMPARE(m->SelectedLine(), 0);
        QCOMPARE(nav->palette().color(QPalette::Text), QColor(Qt::red));
        h.s.Bib.Library[0].Reference = "Jones2001";
        m->UpdateSelectedLine();
        nav->clear();

        // A click shows the item, on the selected line too (the editor was hidden meanwhile).
        m->SelectLine(1);
        editor->hide();
        QTest::mouseClick(h.Items()->viewport(), Qt::LeftButton, {},
                          h.Items()->visualRect(h.Model()->index(1)).center());
        QCOMPARE(m->SelectedLine(), 1);
        QVERIFY(editor->isVisible());
        // The selected item stays selected after a sort choice; no selection stays none.
        m->SelectLine(2);
        h.Action("byTitle")->trigger();
        QCOMPARE(m->SelectedItem(), 2);
        QVERIFY(editor->isVisible());
        m->RefreshList(false);
        h.Action("byTitle")->trigger();
        QCOMPARE(m->SelectedLine(), -1);
        QVERIFY(!editor->isVisible());

        // A Windows-1252 library: accents shown, and the Navigator finds them.
        const std::string bytes = "M\xFCller \x80 \x93quoted\x94 \x81";
        const QString shown = DecodeText(bytes, false);
        QCOMPARE(shown,
                 QString::fromUtf8("M\xC3\xBCller \xE2\x82\xAC \xE2\x80\x9Cquoted\xE2\x80\x9D \xC2\x81"));
        QCOMPARE(EncodeText(shown, false), bytes);
        QCOMPARE(EncodeText(QString::fromUtf8("\xE2\x80\x94 \xE4\xB8\xAD"), false), "\x97 ?"s);
        h.s.Bib.Utf8 = false;
        h.s.Bib.Library = {MakeItem("book", "M\xFCller", {{"title", "K{\\\"o}hler"}})};
        m->RefreshList(false);
        nav->setText(QString::fromUtf8("m\xC3\xBC"));
        QVERIFY(h.Lines().at(0).contains(QString::fromUtf8("M\xC3\xBCller")));
        QCOMPARE(m->SelectedLine(), 0);
        // Accents as letters, switched on in the options: after Dismiss the
        // list shows them; the editor keeps the text as written.
        h.Options()->mnuOptionsClick();
        Set(h.Options(), "ShowAccents", true);
        h.Options()->DismissClick();
        h.Select(0);
        QVERIFY(h.Lines().at(0).endsWith(QString::fromUtf8("K\xC3\xB6hler")));
        QCOMPARE(h.Editor(h.RowOf("title"))->toPlainText(), u"K{\\\"o}hler"_s);
    }

    // Every dialog that holds the main window back gives the keys to the list
    // when it goes, so the next letter runs its command; the about box and
    // the options dialog also go by their keys.
    void dialogsGoByTheirKeysAndGiveTheKeysBackToTheList()
    {
        Started h;
        TFormMain* m = h.Main();
        h.SetLibrary({MakeItem("misc", "a", {}), MakeItem("misc", "b", {})});
        m->show();
        m->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m));
        auto key = [](QWidget* window, Qt::Key k) {
            QTest::keyClick(window->focusWidget() ? window->focusWidget() : window, k);
        };
        auto click = [](QWidget* window, const char* button) { Find<QPushButton>(window, button)->click(); };
        const std::pair<const char*, std::function<void()>> ways[] = {
            {"about, OK", [&] { h.Action("mnuAbout")->trigger(), click(h.About(), "OK"); }},
            {"about, Enter", [&] { h.Action("mnuAbout")->trigger(), key(h.About(), Qt::Key_Return); }},
            {"about, Escape", [&] { h.Action("mnuAbout")->trigger(), key(h.About(), Qt::Key_Escape); }},
            {"custom field, OK",
             [&] { h.Select(0), h.Action("newField")->trigger(), click(h.Custom(), "OK"); }},
            {"custom field, Cancel",
             [&] { h.Select(1), h.Action("newField")->trigger(), click(h.Custom(), "Cancel"); }},
            {"options, Dismiss",
             [&] {
                 m->RefreshList(false), h.Action("mnuOptions")->trigger(), click(h.Options(), "Dismiss");
             }},
            {"options, Escape",
             [&] {
                 h.Action("mnuOptions")->trigger(), key(Find(h.Options(), "FilterBound1"), Qt::Key_Escape);
             }},
            {"HTML export, Cancel", [&] { h.Action("mnuHTML")->trigger(), click(h.Print(), "Cancel"); }},
        };
        for (const auto& [way, run] : ways) {
            h.Navigator()->setFocus();
            run();
            for (const QWidget* dialog : std::initializer_list<QWidget*>{h.About(), h.Custom(), h.Options(), h.Print()})
                QVERIFY2(!dialog->isVisible(), way);
            QVERIFY2(m->isEnabled(), way);
            QTRY_VERIFY2(QApplication::focusWidget() == h.Items(), way);
        }
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_V);
        QVERIFY(h.Log()->isVisible());
        QVERIFY(h.Navigator()->text().isEmpty());

        // The about box's text reads whole, without a scroll bar.
        h.Action("mnuAbout")->trigger();
        auto* text = Find<QLabel>(h.About(), "AboutText");
        QVERIFY(text->height() >= text->heightForWidth(text->width()));
        click(h.About(), "OK");
    }

    // The keyword menu opens over the dialogs that hold the main window back,
    // and a keyword chosen there lands in the box it was opened from.
    void keywordMenuWorksInTheDialogs()
    {
        Started h(Overrides{{"filter1.field", "key"}});
        TFormMain* m = h.Main();
        h.s.KeywordList = {"dna"};
        m->BuildPopupKeys();
        h.SetLibrary({MakeItem("misc", "a", {})});
        h.Select(0);
        QMenu* popup = h.PopupKeys();
        auto chooseIn = [&](QLineEdit* box) {
            bool open = false;
            QTimer::singleShot(0, m, [&] {
                open = popup->isVisible() && popup->isEnabled();
                popup->hide(); // as a click on an entry does, before it runs
                popup->actions().value(0)->trigger();
            });
            emit box->customContextMenuRequested(QPoint(2, 2));
            QTRY_VERIFY(open);
            QTRY_COMPARE(box->text(), u"dna"_s);
        };
        h.Action("AddKeywords1")->trigger();
        QVERIFY(!m->isEnabled());
        chooseIn(Find<QLineEdit>(h.Custom(), "Fieldvalue"));
        Find<QPushButton>(h.Custom(), "Cancel")->click();
        h.Action("mnuOptions")->trigger();
        QVERIFY(!m->isEnabled());
        auto* bound = Find<QLineEdit>(h.Options(), "FilterBound1");
        QCOMPARE(bound->contextMenuPolicy(), Qt::CustomContextMenu);
        QVERIFY(QTest::qWaitForWindowActive(h.Options())); // the keyword goes to the box with the focus
        chooseIn(bound);
        Find<QPushButton>(h.Options(), "Dismiss")->click();
    }

    void optionsStartFromTheSettingsFollowTheEnabledRulesAndStoreEachChange()
    {
        Started h(Overrides{
            {"filtering", "yes"}, {"filtermode", "or"}, {"filter2.field", "key"}, {"filter2.value", "dna"}});
        TFormOptions* o = h.Options();
        auto box = [o](const char* name) { return Find<QAbstractButton>(o, name); };
        auto enabled = [o](const char* name) { return Find(o, name)->isEnabled(); };
        QVERIFY(box("Filtering")->isChecked());
        QVERIFY(h.Action("Filter1")->isChecked());
        QVERIFY(box("AndOrOrAny")->isChecked());
        // A "key" line offers the keyword menu.
        QCOMPARE(Find(o, "FilterBound2")->contextMenuPolicy(), Qt::CustomContextMenu);
        QCOMPARE(Find<QComboBox>(o, "Filter2Field")->currentText() + u' ' +
                     Find<QLineEdit>(o, "FilterBound2")->text(),
                 u"key dna"_s);
        h.Main()->AfterLoad(); // the field choices of a load
        for (const auto& [field, count] : {std::pair(u"title"_s, 3), {u"line off"_s, 0}}) {
            Find<QComboBox>(o, "Filter2Field")->setCurrentText(field);
            QCOMPARE(enabled("FilterBound2") + enabled("Filter2Op") + enabled("Filter2Not"), count);
        }
        // A box switched off greys out what depends on it.
        const std::pair<const char*, const char*> depends[] = {{"Truncate", "CharLimit"},
                                                               {"LineBreak", "LineWidth"},
                                                               {"LineBreak", "InsertWidth"},
                                                               {"WriteToFile", "Logfile"}};
        for (const auto& [on, dependent] : depends)
            for (bool checked : {false, true}) {
                Set(o, on, checked);
                QCOMPARE(enabled(dependent), checked);
            }
        // Invert flips the mode and every line's "not", lines that are off too; twice restores.
        for (bool inverted : {true, false}) {
            o->InvertClick();
            QCOMPARE(box("AndOrOrAll")->isChecked(), inverted);
            QCOMPARE(h.s.Settings.Read(key::FilterMode), inverted ? "and"s : "or"s);
            for (int i = 0; i < 3; ++i)
                QCOMPARE(o->NotChecked(i), inverted);
        }

        const std::tuple<std::function<void()>, const char*, const char*> cases[] = {
            {[&] { Set(o, "FilterBound1", u"x"_s); }, "filter1.value", "x"}, // every keystroke
            {[&] { Set(o, "DataPath", QString()); }, "datapath", "*none*"},
            {[&] { Set(o, "MaxLogSize", u"many"_s); }, "maxlogsize", "many"}, // stored as typed
            {[&] { Find<QComboBox>(o, "DispNotes")->setCurrentIndex(1); }, "displaynotes", "1"},
            {[&] { Find<QComboBox>(o, "ColumnSelector3")->setEditText(u"journal"_s); }, "disp3", "journal"},
            {[&] { Set(o, "ShowAccents", true); }, "display.unicode", "yes"},
            {[&] { Set(o, "Truncate", false); }, "truncate", "no"}};
        for (const auto& [change, key, value] : cases) {
            change();
            QCOMPARE(h.s.Settings.ReadByName(key), std::string(value));
        }
        Set(o, "FilterBound1", QString());
        QVERIFY(!h.s.Settings.Has(key::Filter[0].Value));
        // Unticked in the dialog, the Filter entry follows.
        Set(o, "Filtering", false);
        QVERIFY(!h.Action("Filter1")->isChecked());
    }

    void fetchWatchAndClipboardImport()
    {
        std::atomic<int> fail{0};
        LoopbackServer server([&](const std::string& target) {
            if (fail)
                return HttpAnswer{500, "down"};
            if (target.starts_with("/doi/"))
                return HttpAnswer{200, "@article{doe:2020, title = {By DOI}}"};
            if (target.find("id=42") != std::string::npos || target.find("id=43") != std::string::npos)
                return HttpAnswer{200, kRecord.toStdString()};
            return HttpAnswer{200, "nothing\n"};
        });
        Started h(Overrides{{"pubmed.url", server.url("/efetch?id={id}")}, {"sorting", "year"}});
        TFormMain* m = h.Main();
        const auto& lib = h.s.Bib.Library;
        // The menu command: the clipboard's identifier, or without one the
        // input box, whose text is sent without any test.
        h.dialogs.texts.push_back(u"a b"_s);
        const std::tuple<const char*, int, const char*> fetches[] = {{" 42 ", 1, "/efetch?id=42"},
                                                                     {"", 2, "/efetch?id=a%20b"}};
        for (const auto& [clip, requests, target] : fetches) {
            h.clipboard.content = QString::fromLatin1(clip);
            h.Action("fromPubMed1")->trigger();
            QCOMPARE(int(server.requests()), requests);
            QCOMPARE(server.lastTarget(), std::string(target));
        }
        QCOMPARE(h.dialogs.questions, QStringList{u"Enter PubMed ID"_s});
        QCOMPARE(h.Status(), u"Error importing: no item found."_s);
        QCOMPARE(lib.size(), size_t(1));

        // The watch: the sort mark is taken off and put back after, the id
        // present at the start is not imported, the same id twice imports
        // once, again after other text.
        QAction* watch = h.Action("watchClip");
        QAction* byYear = h.Action("byYear");
        auto* timer = Find<QTimer>(m, "Uhr");
        byYear->setChecked(true);
        h.clipboard.content = u"42"_s;
        watch->trigger();
        QVERIFY(watch->isChecked());
        QVERIFY(timer->isActive());
        QVERIFY(!byYear->isChecked());
        const std::pair<const char*, size_t> ticks[] = {
            {"42", 1}, {"43", 2}, {"43", 2}, {"some text", 2}, {"43", 3}};
        for (const auto& [clip, count] : ticks) {
            h.clipboard.content = QString::fromLatin1(clip);
            m->UhrTimer();
            QCOMPARE(lib.size(), count);
        }
        QVERIFY(timer->isActive());
        // A failed request: the error box, nothing imported, the watch halted.
        fail = 1;
        h.clipboard.content = u"44"_s;
        m->UhrTimer();
        QCOMPARE(h.dialogs.errors.size(), 1);
        QVERIFY(h.dialogs.errors[0].contains(u"500"_s));
        QCOMPARE(lib.size(), size_t(3));
        QVERIFY(watch->isChecked());
        QVERIFY(!timer->isActive());
        watch->trigger();
        QVERIFY(!timer->isActive());
        QVERIFY(byYear->isChecked());

        // The clipboard import selects and shows the new item and switches filtering off.
        h.s.Settings.Write(key::Filter[0].Field, "year");
        h.s.Settings.Write(key::Filter[0].Value, "1999");
        h.Action("Filter1")->trigger();
        QVERIFY(h.Action("Filter1")->isChecked());
        h.clipboard.content.clear();
        h.Action("mnuImportfC")->trigger();
        QCOMPARE(h.Status(), u"No text found in clipboard."_s);
        h.clipboard.content = u"    "_s + kRecord; // indented copy, LF line ends
        h.Action("mnuImportfC")->trigger();
        QCOMPARE(lib.size(), size_t(4));
        QCOMPARE(m->SelectedItem(), 3);
        QVERIFY(h.Display()->isVisible());
        QVERIFY(!h.Action("Filter1")->isChecked());
        QVERIFY(h.Widget<QLabel>("Heading")->text().endsWith(u": 4 items."_s));

        // By DOI (from the clipboard) and pasted: appended, selected and
        // shown, each one step that Undo takes back.
        fail = 0;
        h.s.Settings.Write(key::DoiUrl, server.url("/doi/{id}"));
        h.clipboard.content = u" doi:10.1000/x "_s;
        h.Action("fromDoi1")->trigger();
        QCOMPARE(server.lastTarget(), "/doi/10.1000%2Fx"s);
        QCOMPARE(m->SelectedItem(), 4);
        h.clipboard.content = u"@misc{doe:2020}\n@misc{p2}\n"_s;
        h.Action("PasteBibtex1")->trigger();
        QCOMPARE(lib.size(), size_t(7));
        QCOMPARE(m->SelectedItem(), 5);
        h.Action("mnuUndo")->trigger();
        h.Action("mnuUndo")->trigger();
        QCOMPARE(lib.size(), size_t(4));
        QCOMPARE(m->SelectedItem(), -1);
        QVERIFY(!h.Display()->isVisible());
        QCOMPARE(h.Action("mnuRedo")->text(), u"Redo Import from DOI or arXiv"_s);
    }

    void exportTabClipboardExportAndTheHtmlDialog()
    {
        Started h(Overrides{{"formats.article", "%02: %17 %(20."}, {"formats.misc", "%x1"}, {"formats.book", "%99"},
                            {"expfields", ",booktitle,year,"}, {"expcolumns", "1"}, {"expline", "no"}});
        TFormOptions* o = h.Options();
        auto* format = Find<QLineEdit>(o, "TypeFormat");
        auto* preview = Find<QPlainTextEdit>(o, "FormatText");
        QVERIFY(format->toolTip().startsWith(u"01 address 02 author 03 booktitle"_s));
        // Every keystroke is stored and previewed; an empty format removes the key.
        format->clear();
        QTest::keyClicks(format, u"%2"_s);
        QCOMPARE(h.s.Settings.Read(key::Format("article")), "%2"s);
        QCOMPARE(preview->toPlainText(), u"author"_s);
        QTest::keyClicks(format, u" %x"_s);
        QCOMPARE(preview->toPlainText(), u"Syntax error in format string"_s);
        format->selectAll();
        QTest::keyClick(format, Qt::Key_Backspace);
        QVERIFY(!h.s.Settings.HasName("formats.article"));
        // A code beyond the field list: the error box, the preview unchanged.
        Find<QComboBox>(o, "TypeSelect")->setCurrentText(u"book"_s);
        QCOMPARE(h.dialogs.errors.size(), 1);
        QCOMPARE(format->text(), u"%99"_s);

        TFormMain* m = h.Main();
        h.s.Settings.Write(key::Format("article"), "%02: %17 %(20.");
        h.SetLibrary({MakeItem("article", "a", {{"author", "Smith, J."}, {"title", "50% off"}}),
                      MakeItem("misc", "b", {{"title", "T"}})});
        h.clipboard.content = u"before"_s;
        // No selection: nothing; a syntax error: the error box, the clipboard unchanged.
        const std::tuple<int, const char*, int> steps[] = {
            {-1, "before", 1}, {0, "Smith, J.: 50% off .", 1}, {1, "Smith, J.: 50% off .", 2}};
        for (const auto& [line, clip, errors] : steps) {
            if (line >= 0)
                m->SelectLine(line);
            h.Action("ExpToClip")->trigger();
            QCOMPARE(h.clipboard.content, QString::fromLatin1(clip));
            QCOMPARE(h.dialogs.errors.size(), errors);
        }

        // The HTML export dialog.
        h.dialogs.errors.clear();
        h.SetLibrary({MakeItem("book", "b", {{"title", "T"}, {"booktitle", "BT"}, {"year", "2001"}}),
                      MakeItem("article", "a", {{"Year", "1999"}, {"author", "A"}})});
        TFormPrint* p = h.Print();
        auto* separate = Find<QCheckBox>(p, "Separate");
        auto* columns = Find<QComboBox>(p, "Columns");
        auto* file = Find<QLineEdit>(p, "ExpFNF");
        h.Action("mnuHTML")->trigger();
        QStringList boxes;
        for (int i = 0; i < 4; ++i) {
            const QCheckBox* box = Find<QCheckBox>(p, QStringLiteral("ExportField%1").arg(i));
            boxes << box->text() + (box->isChecked() ? u"+"_s : QString());
        }
        QCOMPARE(boxes.join(u','), u"author,booktitle+,title,year+"_s);
        QVERIFY(p->isVisible());
        QVERIFY(!m->isEnabled());
        QCOMPARE(columns->currentText(), u"2 Columns"_s);
        QVERIFY(!separate->isChecked());
        QTest::keyClick(file, Qt::Key_Return); // Enter cancels: nothing written
        QVERIFY(!p->isVisible());
        QVERIFY(m->isEnabled());
        QVERIFY(!Exists(h.dir.file("exp.html")));

        h.Action("mnuHTML")->trigger();
        Find<QCheckBox>(p, "ExportField2")->setChecked(true); // title
        separate->setChecked(true);
        columns->setCurrentIndex(0);
        file->setText(u"out.html"_s);
        Find<QPushButton>(p, "Disp")->click();
        QCOMPARE(p->windowTitle(), u"Launching Browser"_s);
        QVERIFY(!p->isVisible());
        QCOMPARE(h.shell.opened.size(), 1);
        QVERIFY(h.shell.opened[0].endsWith(u"/out.html"_s));
        QCOMPARE(h.s.Settings.Read(key::ExpFields) + " " + h.s.Settings.Read(key::ExpLine) + " " +
                     h.s.Settings.Read(key::ExpColumns),
                 ",booktitle,title,year, yes 0"s);
        // Reopened: the same choices, an empty file name box; Print prints
        // exp.html of the program folder.
        h.Action("mnuHTML")->trigger();
        QVERIFY(file->text().isEmpty());
        QVERIFY(separate->isChecked());
        QCOMPARE(columns->currentIndex(), 0);
        Find<QPushButton>(p, "Exp")->click();
        QCOMPARE(h.shell.printed.size(), 1);
        QVERIFY(Exists(h.dir.file("exp.html")));
        // A file that cannot be written: the error box, the dialog stays.
        h.Action("mnuHTML")->trigger();
        file->setText(u"no/such/folder.html"_s);
        Find<QPushButton>(p, "Disp")->click();
        QCOMPARE(h.dialogs.errors.size(), 1);
        QVERIFY(p->isVisible());
        Find<QPushButton>(p, "Cancel")->click();
        QVERIFY(m->isEnabled());
    }
};

QTEST_MAIN(WindowsTest)
#include "windows_test.moc"
