// The main window and the dialogs it opens: the start and the shutdown, the
// library names, the menu bar and the list's keys, the Navigator, the codec of
// shown text, the options dialog, and import and export (the PubMed fetch and
// the clipboard watch against a loopback server).
#include "core/fileio.h"
#include "support/httpserver.h"
#include "ui/codec.h"
#include "ui/formabout.h"
#include "ui/formcustom.h"
#include "ui/formnotes.h"
#include "ui/formprint.h"
#include "uitest.h"

#include <QGuiApplication>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QScreen>
#include <QtTest>
#include <functional>
#include <filesystem>
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
QStringList RecentEntries(TFormMain* m)
{
    emit m->RecentLibraries1->aboutToShow();
    QStringList out;
    for (const QAction* a : m->RecentLibraries1->actions())
        out << (a->isEnabled() ? a->text() : u"("_s + a->text() + u")"_s);
    return out;
}

const QString kRecord =
    QString::fromLatin1("TI  - A study.\nFAU - Smith, John A\nAU  - Smith JA\nTA  - J Test\n"
                        "DP  - 2003 Jan 15\nAB  - Line one\n      line two.\n");

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
        const QStringList shown{m->windowTitle(), m->Heading->text(), m->Heading->toolTip(),
                                m->Items->toolTip(), m->Status->text()};
        QCOMPARE(shown.join(u'|'), u"Lorix for Windows V0.99|No loaded items.|Filename and number of items.|"
                                   u"List of filtered items.|Status"_s);
        QVERIFY(m->Items->uniformItemSizes());
        QVERIFY(QFontInfo(m->Items->font()).fixedPitch());
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
        for (QAction* a : m->findChildren<QAction*>())
            QVERIFY2(a->isEnabled() == (a != m->RecentLibraries1->menuAction() && a != m->mnuUndo && a != m->mnuRedo),
                     qPrintable(a->text()));
        // Hidden entries live on the window only. Ctrl+Ins belongs to the
        // import alone, so the key is never ambiguous.
        for (QAction* hidden : {m->mnuImportfC, m->HideWindow1}) {
            QVERIFY(m->actions().contains(hidden));
            QVERIFY(!menus.join(u' ').contains(hidden->text()));
        }
        QCOMPARE(m->mnuImportfC->shortcut().toString() + u' ' + m->HideWindow1->shortcut().toString() + u'|' +
                     m->AddItem->shortcut().toString(),
                 u"Ctrl+Ins Ctrl+T|"_s);
        // The six orders are one radio group; Filter is a check entry of its own.
        QVERIFY(m->SortGroup->actions().size() == 6);
        QVERIFY(!m->SortGroup->actions().contains(m->Filter1));
        QVERIFY(m->Filter1->isCheckable());

        Started bad(Overrides{{"main.top", "abc"}}); // the error box, and the start goes on
        QVERIFY(bad.dialogs.errors.size() == 1);
        QVERIFY(bad.dialogs.errors[0].contains(u"abc"_s));
        QVERIFY(bad.program->W().Notes);
        Started last(Overrides{{"lastfile", "prev & co.bib"}});
        QCOMPARE(last.Main()->LastFile->text(), u"prev && co.bib"_s);

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
                                                      {h.program->W().Notes, QSize(460, 160)}};
        for (const auto& [w, size] : windows) {
            QVERIFY2(area.contains(w->frameGeometry()) && w->size() == size, qPrintable(w->objectName()));
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
        QCOMPARE(Started(Overrides{{"logfile", "absent.log"}}).Main()->Status->text(),
                 u"Logfile not found"_s);

        Harness h(Overrides{{"logfile", "old.log"}});
        WriteFile(h.dir.file("old.log"), "first\nsecond\n");
        QVERIFY(h.Start());
        TFormLog* log = h.Log();
        h.Main()->ViewLog1->trigger();
        QVERIFY(log->isVisible());
        QVERIFY(log->Logmemo->textCursor().atEnd());
        log->Logmemo->setPlainText(u"typed"_s); // not kept: entering the memo shows LogList again
        log->LogmemoEnter();
        QCOMPARE(log->Logmemo->toPlainText(), u"first\nsecond"_s);
        QTest::mouseClick(log->ClearLog, Qt::LeftButton);
        QVERIFY(h.s.Log.LogList.empty());
        QVERIFY(log->Logmemo->toPlainText().isEmpty());
        QTest::mouseClick(log->Dismiss, Qt::LeftButton);
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
        QCOMPARE(RecentEntries(m), QStringList{u"&1 "_s + dir + u"/a.bib"_s});
        auto shown = [&h] { return h.s.Bib.Library.empty() ? "-"s : h.s.Bib.Library[0].Reference; };

        // Only a .bib file is taken; any other would be overwritten by the next save.
        QVERIFY(!DropFile(m, h.dir.file("paper.pdf")));
        QVERIFY(shown() == "a");
        // Edit boxes take the drop too, instead of pasting the name as text.
        QVERIFY(DropFile(m->Navigator, h.dir.file("b.bib")));
        QVERIFY(shown() == "b");
        QVERIFY(m->Navigator->text().isEmpty());
        h.SetLibrary({MakeItem("misc", "z", {})});
        h.Select(0);
        QVERIFY(h.Display()->isVisible());
        h.s.LibraryChanged = true; // unsaved changes: Cancel keeps everything, No drops them
        h.dialogs.yesNoCancel = {Answer::Cancel, Answer::No};
        QWidget* field = h.Display()->FieldEditors[1]->viewport();
        QVERIFY(DropFile(field, h.dir.file("C.BIB")));
        QVERIFY(shown() == "z");
        QVERIFY(h.s.LibraryChanged);
        QVERIFY(DropFile(field, h.dir.file("c.bib")));
        QVERIFY(shown() == "c");
        QVERIFY(!h.s.LibraryChanged);
        QCOMPARE(h.dialogs.questions.size(), 2);
        QVERIFY(h.dialogs.errors.isEmpty()); // "C.BIB" does not exist: only the log says so
        QCOMPARE(Names(h) + "|" + m->LastFile->text().toStdString(),
                 h.dir.file("c.bib") + " " + h.dir.file("b.bib") + "|" + h.dir.file("b.bib"));
        QVERIFY(DropFile(m->Items->viewport(), h.dir.file("d & co.bib")));
        QVERIFY(shown() == "d");
        const QStringList four{u"&1 "_s + dir + u"/d && co.bib"_s, u"&2 "_s + dir + u"/c.bib"_s,
                               u"&3 "_s + dir + u"/b.bib"_s, u"&4 "_s + dir + u"/a.bib"_s};
        QCOMPARE(RecentEntries(m), four);

        // An entry loads its library; a file gone is shown disabled.
        m->RecentLibraries1->actions()[2]->trigger();
        QVERIFY(shown() == "b");
        QVERIFY(Names(h) == h.dir.file("b.bib") + " " + h.dir.file("d & co.bib"));
        std::filesystem::remove(h.dir.file("c.bib"));
        QCOMPARE(RecentEntries(m), (QStringList{u"&1 "_s + dir + u"/b.bib"_s, u"&2 "_s + dir + u"/d && co.bib"_s,
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
        auto settle = [] { QTest::qWait(150); }; // time for a notice that must not come
        // Our own saves are no change by another program.
        h.s.LibraryChanged = true;
        m->mnuSave->trigger();
        settle();
        QVERIFY(m->Notice->isHidden());
        QVERIFY(h.dialogs.questions.isEmpty());

        // Replaced by a rename, as editors save.
        WriteFile(lib + ".new", "@misc{theirs, note = {2}}");
        std::filesystem::rename(lib + ".new", lib);
        QTRY_VERIFY(!m->Notice->isHidden());
        QCOMPARE(m->NoticeText->text(), u"The file lib.bib was changed by another program."_s);
        QVERIFY(m->isEnabled());
        QVERIFY(m->Items->geometry().top() > m->Notice->geometry().bottom());
        const QString overwrite =
            u"The file lib.bib was changed by another program since it was loaded. Overwrite it?"_s;
        h.s.LibraryChanged = true;
        for (QAction* save : {m->mnuSave, m->Exit1}) { // answered No: their file stays whole
            // Quitting asks to save first.
            h.dialogs.yesNo = save == m->Exit1 ? std::deque<bool>{true, false} : std::deque<bool>{false};
            save->trigger();
            QVERIFY(h.dialogs.questions.last() == overwrite);
            QVERIFY(h.s.LibraryChanged);
            QVERIFY(m->isVisible());
            QCOMPARE(ReadFile(lib), "@misc{theirs, note = {2}}"s);
        }
        // Reload, after the question about the unsaved changes.
        h.dialogs.yesNoCancel = {Answer::No};
        m->NoticeReload->click();
        QVERIFY(h.s.Bib.Library[0].Reference == "theirs");
        QVERIFY(!h.s.LibraryChanged);
        QVERIFY(m->Notice->isHidden());

        // Changed in place this time, then overwritten on request; the notice goes.
        WriteFile(lib, "@misc{third, note = {3}}");
        QTRY_VERIFY(!m->Notice->isHidden());
        h.dialogs.yesNo = {true};
        m->mnuSave->trigger();
        QVERIFY(ReadFile(lib).find("theirs") != std::string::npos);
        QVERIFY(m->Notice->isHidden());
        // Dismissed, the notice goes; the save still asks.
        WriteFile(lib, "@misc{fourth, note = {4}}");
        QTRY_VERIFY(!m->Notice->isHidden());
        m->NoticeDismiss->click();
        QVERIFY(m->Notice->isHidden());
        h.dialogs.yesNo = {false};
        m->mnuSave->trigger();
        QVERIFY(h.dialogs.questions.last() == overwrite);
        QVERIFY(ReadFile(lib).find("fourth") != std::string::npos);
    }

    void closeAsksWritesEverythingOrStaysOpenAfterAFailedWrite()
    {
        Started h(Overrides{{"switchsortingoff", "yes"},
                            {"switchfilteringoff", "yes"},
                            {"filtering", "yes"},
                            {"logfile", "run.log"},
                            {"writelog", "yes"}});
        QSignalSpy closed(h.Main(), &TFormMain::closed);
        h.Main()->show();
        h.Main()->resize(700, 500);
        h.s.LibraryChanged = true;
        h.dialogs.yesNo.push_back(false); // drop the changes
        QVERIFY(h.Main()->close());
        QVERIFY(closed.count() == 1);
        QCOMPARE(h.dialogs.questions, QStringList{u"Library has changed since last save. Save now?"_s});
        const std::string ini = h.IniOnDisk();
        QVERIFY(("\n" + ini).find("\nsorting=") == std::string::npos);
        // The display window was never shown, so it keeps the size it was created with.
        for (const char* line :
             {"filtering=no", "main.width=700", "main.height=500", "display.width=460", "notes.top=540"})
            QVERIFY2(IniHasLine(ini, line), line);
        QVERIFY(Exists(h.dir.file("run.log")));
        QVERIFY(!Exists(h.dir.file("*none*")));

        // A settings file that cannot be written, then one that can.
        Started w(Overrides{{"savesize", "no"}, {"writelog", "yes"}});
        QSignalSpy wClosed(w.Main(), &TFormMain::closed);
        w.Main()->show();
        w.Main()->resize(333, 222);
        w.s.ProgramDir = w.dir.file("gone"); // no such folder: lorix.ini cannot be written
        QVERIFY(!w.Main()->close());
        QVERIFY(wClosed.isEmpty());
        QVERIFY(w.dialogs.errors.size() == 1);
        w.s.ProgramDir = w.dir.path();
        QVERIFY(w.Main()->close());
        QVERIFY(wClosed.count() == 1);
        // No changes: no question; savesize=no keeps the stored size; logfile "*none*": no log.
        QVERIFY(w.dialogs.questions.isEmpty());
        QVERIFY(IniHasLine(w.IniOnDisk(), "main.width=760"));
        QVERIFY(!Exists(w.dir.file("*none*")));

        // A failed save of the library, which autosave tries first: nothing of the later steps happens.
        Started f(Overrides{{"autosave", "yes"}, {"filename", "no/such/folder/lib.bib"}});
        f.dialogs.errors.clear(); // the missing library
        QSignalSpy fClosed(f.Main(), &TFormMain::closed);
        f.Main()->show();
        f.s.LibraryChanged = true;
        const std::string before = f.IniOnDisk();
        QVERIFY(!f.Main()->close());
        QVERIFY(fClosed.isEmpty());
        QVERIFY(f.Main()->isVisible());
        QVERIFY(f.s.LibraryChanged);
        QVERIFY(f.dialogs.errors.size() == 1);
        QCOMPARE(f.IniOnDisk(), before);
    }

    // The single-letter keys of the list, and the options dialog in front of
    // the windows behind it.
    void keysOfTheListAndTheOptionsDialogInFront()
    {
        Started h;
        TFormMain* m = h.Main();
        // Items without required fields: re-showing one logs no schema error
        // over the list's count message.
        h.SetLibrary({MakeItem("misc", "c1", {}), MakeItem("misc", "c2", {}), MakeItem("misc", "d", {})});
        m->show();
        m->SelectLine(0);
        m->Items->setFocus();
        // Type-ahead would jump to "c2" or "d"; unmapped characters and Enter do nothing.
        for (Qt::Key k : {Qt::Key_C, Qt::Key_5, Qt::Key_Space, Qt::Key_Return, Qt::Key_G})
            QTest::keyClick(m->Items, k);
        QVERIFY(m->SelectedLine() == 0);
        QVERIFY(h.dialogs.errors.isEmpty());
        QTest::keyClick(m->Items, Qt::Key_Down); // arrow keys still move the selection
        QVERIFY(m->SelectedLine() == 1);
        // Typed in turn: a second press of an order's letter switches it off.
        const std::pair<const char*, const char*> letters[] = {
            {"y", "year"}, {"Y", "*none*"}, {"t", "title"}, {"R", "ref"}};
        for (const auto& [letter, sorting] : letters) {
            QTest::keyClicks(m->Items, QString::fromLatin1(letter));
            QCOMPARE(h.s.Settings.Read(key::Sorting), std::string(sorting));
        }
        QVERIFY(m->SortKey() == u"ref"_s);
        QVERIFY(m->SortEntries[5]->isChecked());
        QVERIFY(!m->SortEntries[0]->isChecked());

        m->mnuOptions->trigger();
        QVERIFY(h.Options()->isVisible());
        QVERIFY(!m->isEnabled());
        QVERIFY(!h.Display()->isEnabled());
        // Clicks on the main list do nothing while the dialog is up.
        QTest::mouseClick(m->Items->viewport(), Qt::LeftButton, {},
                          m->Items->visualRect(m->ItemLines->index(2)).center());
        QCOMPARE(m->SelectedLine(), 1);
        QTest::mouseClick(h.Options()->Dismiss, Qt::LeftButton);
        QVERIFY(!h.Options()->isVisible());
        QVERIFY(m->isEnabled());
        QVERIFY(h.Display()->isEnabled());
        QVERIFY(m->SelectedItem() == 1);
        QVERIFY(h.Display()->isVisible());
        QCOMPARE(m->Status->text(), u"Filtering off. Showing all 3 items."_s);

        for (Qt::Key k : {Qt::Key_F, Qt::Key_V, Qt::Key_O})
            QTest::keyClick(m->Items, k);
        QVERIFY(m->Filter1->isChecked());
        QVERIFY(h.Options()->Filtering->isChecked());
        QVERIFY(h.s.Settings.IsYes(key::Filtering));
        QVERIFY(h.Log()->isVisible());
        QVERIFY(h.Options()->isVisible());
        QVERIFY(!m->isEnabled());
        // Enter in a box presses Dismiss; the selected item gone, nothing is selected.
        h.s.Bib.Library.clear();
        QTest::keyClick(h.Options()->FilterBound[0], Qt::Key_Return);
        QVERIFY(!h.Options()->isVisible());
        QVERIFY(m->isEnabled());
        QVERIFY(m->SelectedLine() == -1);
        QVERIFY(!h.Display()->isVisible());
        // A failing refresh: the error box, the refresh abandoned, the dialog closed all the same.
        h.s.Bib.Library = {MakeItem("book", "a", {})};
        m->mnuOptions->trigger();
        h.Options()->Truncate->setChecked(true);
        h.Options()->CharLimit->setText(u"wide"_s);
        QTest::mouseClick(h.Options()->Dismiss, Qt::LeftButton);
        QVERIFY(!h.Options()->isVisible());
        QVERIFY(m->isEnabled());
        QVERIFY(m->ItemLines->rowCount() == 0);
        QVERIFY(h.dialogs.errors.size() == 1);
        QVERIFY(h.dialogs.errors[0].contains(u"wide"_s));
        QSignalSpy closed(m, &TFormMain::closed);
        QTest::keyClick(m->Items, Qt::Key_X);
        QVERIFY(closed.count() == 1);
    }

    void listSelectionNavigatorAndTheCodecOfShownText()
    {
        Started h;
        TFormMain* m = h.Main();
        TFormDisplay* editor = h.Display();
        editor->show();
        h.s.Bib.Library = {MakeItem("article", "Jones2001", {{"title", "B"}}),
                           MakeItem("book", "smith1999", {{"title", "A"}}),
                           MakeItem("misc", "Smythe", {{"title", "C"}})};
        m->RefreshList(true); // a refresh hides the editor and selects nothing
        QVERIFY(m->ItemLines->rowCount() == 3);
        QVERIFY(!editor->isVisible());
        QVERIFY(m->SelectedLine() == -1);

        m->show();
        m->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m));
        QCOMPARE(QApplication::focusWidget(), m->Items); // the list has the focus after the start
        m->Navigator->setFocus();
        m->Items->setFocus(Qt::TabFocusReason); // the focus alone selects nothing
        QVERIFY(m->SelectedLine() == -1);
        QVERIFY(!editor->isVisible());

        // The Navigator selects the first reference that starts with its text,
        // whatever the case; letters typed there run no command.
        QTest::mouseDClick(m->Navigator, Qt::LeftButton); // with no selection: the first line
        QVERIFY(m->SelectedLine() == 0);
        QVERIFY(editor->isVisible());
        editor->hide();
        m->Navigator->setFocus();
        const std::tuple<const char*, int, QColor> steps[] = {
            {"SM", 1, Qt::darkGreen}, {"y", 2, Qt::darkGreen}, {"q", 2, Qt::red}, {"", 2, Qt::red}};
        for (const auto& [typed, line, colour] : steps) {
            if (*typed)
                QTest::keyClicks(m->Navigator, QString::fromLatin1(typed));
            else
                m->Navigator->clear(); // changes nothing
            QVERIFY(m->SelectedLine() == line);
            QVERIFY(m->Navigator->palette().color(QPalette::Text) == colour);
        }
        QVERIFY(editor->isVisible());
        QVERIFY(m->Navigator->hasFocus());
        QVERIFY(m->isVisible());
        QVERIFY(!m->SortEntries[2]->isChecked());
        // Typing on searches from the line found for the shorter text, unless
        // a line changed since: here an earlier reference renamed in the editor.
        m->Navigator->setText(QStringLiteral("sm"));
        QCOMPARE(m->SelectedLine(), 1);
        h.s.Bib.Library[0].Reference = "Smz";
        m->SelectLine(0);
        m->UpdateSelectedLine(); // as the editor's write-back does
        m->SelectLine(2);
        m->Navigator->setText(QStringLiteral("smz"));
        QVERIFY(m->SelectedLine() == 0);
        QVERIFY(m->Navigator->palette().color(QPalette::Text) == Qt::darkGreen);
        m->Navigator->setText(QStringLiteral("smzq")); // no line: nor for any longer text
        m->Navigator->setText(QStringLiteral("smzqr"));
        QVERIFY(m->SelectedLine() == 0);
        QVERIFY(m->Navigator->palette().color(QPalette::Text) == Qt::red);
        h.s.Bib.Library[0].Reference = "Jones2001";
        m->UpdateSelectedLine();
        m->Navigator->clear();

        // A click shows the item, on the selected line too (the editor was hidden meanwhile).
        m->SelectLine(1);
        editor->hide();
        QTest::mouseClick(m->Items->viewport(), Qt::LeftButton, {},
                          m->Items->visualRect(m->ItemLines->index(1)).center());
        QVERIFY(m->SelectedLine() == 1);
        QVERIFY(editor->isVisible());
        // The selected item stays selected after a sort choice; no selection stays none.
        m->SelectLine(2);
        m->SortEntries[0]->trigger();
        QVERIFY(m->SelectedItem() == 2);
        QVERIFY(editor->isVisible());
        m->RefreshList(false);
        m->SortEntries[0]->trigger();
        QVERIFY(m->SelectedLine() == -1);
        QVERIFY(!editor->isVisible());

        // A Windows-1252 library: accents shown, and the Navigator finds them.
        const std::string bytes = "M\xFCller \x80 \x93quoted\x94 \x81";
        const QString shown = DecodeText(bytes, false);
        QCOMPARE(shown,
                 QString::fromUtf8("M\xC3\xBCller \xE2\x82\xAC \xE2\x80\x9Cquoted\xE2\x80\x9D \xC2\x81"));
        QCOMPARE(EncodeText(shown, false), bytes);
        QCOMPARE(EncodeText(QString::fromUtf8("\xE2\x80\x94 \xE4\xB8\xAD"), false), "\x97 ?"s);
        Started w;
        w.s.Bib.Utf8 = false;
        w.s.Bib.Library = {MakeItem("book", "M\xFCller", {})};
        w.Main()->RefreshList(false);
        w.Main()->Navigator->setText(QString::fromUtf8("m\xC3\xBC"));
        QVERIFY(w.Lines().at(0).contains(QString::fromUtf8("M\xC3\xBCller")));
        QVERIFY(w.Main()->SelectedLine() == 0);

        // Accents as letters, switched on in the options: after Dismiss the
        // list shows them in the library's code page; the editor and the
        // library keep the text as written.
        const std::string title = "K{\\\"o}hler \\& S{\\o}hne";
        w.s.Bib.Library = {MakeItem("book", "M\xFCller", {{"title", title.c_str()}})};
        w.Options()->mnuOptionsClick();
        w.Options()->ShowAccents->setChecked(true);
        w.Options()->DismissClick();
        w.Select(0);
        QVERIFY2(w.Lines().at(0).endsWith(QString::fromUtf8("K\xC3\xB6hler & S\xC3\xB8hne")),
                 qPrintable(w.Lines().at(0)));
        int row = 0;
        while (row < kEditorRows && w.Display()->FieldLabels[static_cast<size_t>(row)]->text() != u"title"_s)
            ++row;
        QCOMPARE(w.Display()->FieldEditors[static_cast<size_t>(row)]->toPlainText(), QString::fromLatin1(title));
        QCOMPARE(w.s.Bib.Library[0].Fields[0].Value, title);
    }

    // Every dialog that holds the main window back gives the keys to the list
    // when it goes, so the next letter runs its command; the about box and
    // the options dialog also go by their keys.
    void dialogsGoByTheirKeysAndGiveTheKeysBackToTheList()
    {
        Started h;
        TFormMain* m = h.Main();
        const Windows& w = h.program->W();
        h.SetLibrary({MakeItem("misc", "a", {}), MakeItem("misc", "b", {})});
        m->show();
        m->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m));
        auto key = [](QWidget* window, Qt::Key k) {
            QTest::keyClick(window->focusWidget() ? window->focusWidget() : window, k);
        };
        const std::pair<const char*, std::function<void()>> ways[] = {
            {"about, OK", [&] { m->mnuAbout->trigger(), w.About->OK->click(); }},
            {"about, Enter", [&] { m->mnuAbout->trigger(), key(w.About, Qt::Key_Return); }},
            {"about, Escape", [&] { m->mnuAbout->trigger(), key(w.About, Qt::Key_Escape); }},
            {"custom field, OK", [&] { h.Select(0), m->newField->trigger(), w.Custom->OK->click(); }},
            {"custom field, Cancel", [&] { h.Select(1), m->newField->trigger(), w.Custom->Cancel->click(); }},
            {"options, Dismiss",
             [&] { m->RefreshList(false), m->mnuOptions->trigger(), w.Options->Dismiss->click(); }},
            {"options, Escape", [&] { m->mnuOptions->trigger(), key(w.Options->FilterBound[0], Qt::Key_Escape); }},
            {"HTML export, Cancel", [&] { m->mnuHTML->trigger(), w.Print->Cancel->click(); }},
        };
        for (const auto& [way, run] : ways) {
            m->Navigator->setFocus();
            run();
            QVERIFY2(!w.About->isVisible() && !w.Custom->isVisible() && !w.Options->isVisible() &&
                         !w.Print->isVisible() && m->isEnabled(),
                     way);
            QTRY_VERIFY2(QApplication::focusWidget() == m->Items, way);
        }
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_V);
        QVERIFY(h.Log()->isVisible());
        QVERIFY(m->Navigator->text().isEmpty());

        // The about box's text reads whole, without a scroll bar.
        m->mnuAbout->trigger();
        QVERIFY(w.About->Text->height() >= w.About->Text->heightForWidth(w.About->Text->width()));
        w.About->OK->click();
    }

    // The keyword menu opens over the dialogs that hold the main window back,
    // and a keyword chosen there lands in the box it was opened from.
    void keywordMenuWorksInTheDialogs()
    {
        Started h(Overrides{{"filter1.field", "key"}});
        TFormMain* m = h.Main();
        const Windows& w = h.program->W();
        h.s.KeywordList = {"dna"};
        m->BuildPopupKeys();
        h.SetLibrary({MakeItem("misc", "a", {})});
        h.Select(0);
        auto chooseIn = [&](QLineEdit* box) {
            bool open = false;
            QTimer::singleShot(0, m, [&] {
                open = m->PopupKeys->isVisible() && m->PopupKeys->isEnabled();
                m->PopupKeys->hide(); // as a click on an entry does, before it runs
                m->PopupKeys->actions().value(0)->trigger();
            });
            emit box->customContextMenuRequested(QPoint(2, 2));
            QTRY_VERIFY(open);
            QTRY_COMPARE(box->text(), u"dna"_s);
        };
        m->AddKeywords1->trigger();
        QVERIFY(!m->isEnabled());
        chooseIn(w.Custom->Fieldvalue);
        w.Custom->Cancel->click();
        m->mnuOptions->trigger();
        QVERIFY(!m->isEnabled());
        QVERIFY(w.Options->FilterBound[0]->contextMenuPolicy() == Qt::CustomContextMenu);
        QVERIFY(QTest::qWaitForWindowActive(w.Options)); // the keyword goes to the box with the focus
        chooseIn(w.Options->FilterBound[0]);
        w.Options->Dismiss->click();
    }

    void optionsStartFromTheSettingsFollowTheEnabledRulesAndStoreEachChange()
    {
        Started h(Overrides{
            {"filtering", "yes"}, {"filtermode", "or"}, {"filter2.field", "key"}, {"filter2.value", "dna"}});
        TFormOptions* o = h.Options();
        // A "key" line offers the keyword menu.
        QVERIFY(o->Filtering->isChecked());
        QVERIFY(h.Main()->Filter1->isChecked());
        QVERIFY(o->AndOrOrAny->isChecked());
        QVERIFY(o->FilterBound[1]->contextMenuPolicy() == Qt::CustomContextMenu);
        QCOMPARE(o->FilterField[1]->currentText() + u' ' + o->FilterBound[1]->text(), u"key dna"_s);
        h.Main()->AfterLoad(); // the field choices of a load
        for (const auto& [field, enabled] : {std::pair(u"title"_s, 3), {u"line off"_s, 0}}) {
            o->FilterField[1]->setCurrentText(field);
            QCOMPARE(o->FilterBound[1]->isEnabled() + o->FilterOp[1]->isEnabled() +
                         o->FilterNot[1]->isEnabled(),
                     enabled);
        }
        o->Truncate->setChecked(false);
        o->LineBreak->setChecked(false);
        o->WriteToFile->setChecked(false);
        QVERIFY(!o->CharLimit->isEnabled());
        QVERIFY(h.s.Settings.Read(key::Truncate) == "no");
        QVERIFY(!o->LineWidth->isEnabled());
        QVERIFY(!o->InsertWidth->isEnabled());
        QVERIFY(!o->Logfile->isEnabled());
        o->WriteToFile->setChecked(true);
        QVERIFY(o->Logfile->isEnabled());
        // Invert flips the mode and every line's "not", lines that are off too; twice restores.
        for (bool inverted : {true, false}) {
            o->InvertClick();
            QVERIFY(o->AndOrOrAll->isChecked() == inverted);
            QVERIFY(h.s.Settings.Read(key::FilterMode) == (inverted ? "and" : "or"));
            for (int i = 0; i < 3; ++i)
                QCOMPARE(o->NotChecked(i), inverted);
        }

        const std::tuple<std::function<void()>, const char*, const char*> cases[] = {
            {[&] { o->FilterBound[0]->setText(u"x"_s); }, "filter1.value", "x"}, // every keystroke
            {[&] { o->DataPath->setText(QString()); }, "datapath", "*none*"},
            {[&] { o->MaxLogSize->setText(u"many"_s); }, "maxlogsize", "many"}, // stored as typed
            {[&] { o->DispNotes->setCurrentIndex(1); }, "displaynotes", "1"},
            {[&] { o->ColumnSelector[2]->setEditText(u"journal"_s); }, "disp3", "journal"},
            {[&] { o->ShowAccents->setChecked(true); }, "display.unicode", "yes"},
            {[&] { o->Filtering->setChecked(true); }, "filtering", "yes"}};
        for (const auto& [change, key, value] : cases) {
            change();
            QCOMPARE(h.s.Settings.ReadByName(key), std::string(value));
        }
        o->FilterBound[0]->setText(QString());
        QVERIFY(h.Main()->Filter1->isChecked());
        QVERIFY(!h.s.Settings.Has(key::Filter[0].Value));
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
        // The menu command: a trimmed identifier, non-identifiers passed over; no
        // text: the input box, whose text is sent without any test.
        h.dialogs.texts.push_back(u"a b"_s);
        const std::tuple<const char*, int, const char*> fetches[] = {
            {"1234a", 0, ""}, {" 42 ", 1, "/efetch?id=42"}, {"", 2, "/efetch?id=a%20b"}};
        for (const auto& [clip, requests, target] : fetches) {
            h.clipboard.content = QString::fromLatin1(clip);
            m->fromPubMed1->trigger();
            QVERIFY(server.requests() == requests);
            QVERIFY((!requests || server.lastTarget() == target));
        }
        QCOMPARE(h.dialogs.questions, QStringList{u"Enter PubMed ID"_s});
        QCOMPARE(m->Status->text(), u"Error importing: no item found."_s);
        QVERIFY(lib.size() == 1);
        QVERIFY(lib[0].Fields.back().Name == "pubmed_id");
        QVERIFY(lib[0].Fields.back().Value == "42");

        // The watch: the sort mark is saved, the id present at the start is
        // not imported, the same id twice imports once, again after other text.
        m->SortEntries[2]->setChecked(true);
        h.clipboard.content = u"42"_s;
        m->watchClip->trigger();
        QVERIFY(m->watchClip->isChecked());
        QVERIFY(m->Uhr->isActive());
        QVERIFY(!m->SortEntries[2]->isChecked());
        QVERIFY(m->SavedSortKey == "year");
        const std::pair<const char*, size_t> ticks[] = {
            {"42", 1}, {"43", 2}, {"43", 2}, {"some text", 2}, {"43", 3}};
        for (const auto& [clip, count] : ticks) {
            h.clipboard.content = QString::fromLatin1(clip);
            m->UhrTimer();
            QCOMPARE(lib.size(), count);
        }
        QVERIFY(lib[1].Reference == "smith:2003a");
        QVERIFY(lib[2].Reference == "smith:2003b");
        QVERIFY(m->Uhr->isActive());
        // A failed request: the error box, nothing imported, the watch halted.
        fail = 1;
        h.clipboard.content = u"44"_s;
        m->UhrTimer();
        QVERIFY(h.dialogs.errors.size() == 1);
        QVERIFY(h.dialogs.errors[0].contains(u"500"_s));
        QVERIFY(lib.size() == 3);
        QVERIFY(m->watchClip->isChecked());
        QVERIFY(!m->Uhr->isActive());
        QVERIFY(m->LastClipText == u"43"_s);
        m->watchClip->trigger();
        QVERIFY(!m->Uhr->isActive());
        QVERIFY(m->SortEntries[2]->isChecked());

        // The clipboard import selects and shows the new item and switches filtering off.
        h.s.Settings.Write(key::Filter[0].Field, "year");
        h.s.Settings.Write(key::Filter[0].Value, "1999");
        m->Filter1->trigger();
        QVERIFY(m->Filter1->isChecked());
        h.s.LibraryChanged = false;
        h.clipboard.content.clear();
        m->mnuImportfC->trigger();
        QCOMPARE(m->Status->text(), u"No text found in clipboard."_s);
        h.clipboard.content = u"    "_s + kRecord; // indented copy, LF line ends
        m->mnuImportfC->trigger();
        QVERIFY(lib.size() == 4);
        QVERIFY(m->SelectedItem() == 3);
        QVERIFY(h.Display()->isVisible());
        QVERIFY(!m->Filter1->isChecked());
        QVERIFY(h.s.LibraryChanged);
        QVERIFY(m->Heading->text().endsWith(u": 4 items."_s));
        // The refresh report follows the import's own message.
        const auto& log = h.s.Log.LogList;
        QVERIFY(log.size() >= 2);
        QVERIFY(log.end()[-2].find("Added item smith:2003c from Clipboard.") != std::string::npos);

        // By DOI (from the clipboard) and pasted: appended, selected and shown,
        // each one step that Undo takes back.
        fail = 0;
        h.s.Settings.Write(key::DoiUrl, server.url("/doi/{id}"));
        h.clipboard.content = u" doi:10.1000/x "_s;
        m->fromDoi1->trigger();
        QCOMPARE(server.lastTarget(), "/doi/10.1000%2Fx");
        QVERIFY(lib.size() == 5);
        QCOMPARE(m->SelectedItem(), 4);
        QCOMPARE(GetFieldValue(lib[4], "doi"), "10.1000/x");
        h.clipboard.content = u"@misc{doe:2020}\n@misc{p2}\n"_s;
        m->PasteBibtex1->trigger();
        QVERIFY(lib.size() == 7);
        QCOMPARE(lib[5].Reference, "doe:2020a");
        QCOMPARE(m->SelectedItem(), 5);
        m->mnuUndo->trigger();
        m->mnuUndo->trigger();
        QVERIFY(lib.size() == 4);
        QVERIFY(m->SelectedItem() < 0);
        QVERIFY(!h.Display()->isVisible());
        QCOMPARE(m->mnuRedo->text(), u"Redo Import from DOI or arXiv"_s);
    }

    void exportTabClipboardExportAndTheHtmlDialog()
    {
        Started h(Overrides{{"formats.article", "%02: %17 %(20."}, {"formats.misc", "%x1"}, {"formats.book", "%99"},
                            {"expfields", ",booktitle,year,"}, {"expcolumns", "1"}, {"expline", "no"}});
        TFormOptions* o = h.Options();
        QVERIFY(o->TypeFormat->toolTip().startsWith(u"01 address 02 author 03 booktitle"_s));
        // Every keystroke is stored and previewed; an empty format removes the key.
        o->TypeFormat->clear();
        QTest::keyClicks(o->TypeFormat, u"%2"_s);
        QVERIFY(h.s.Settings.Read(key::Format("article")) == "%2");
        QVERIFY(o->FormatText->toPlainText() == u"author"_s);
        QTest::keyClicks(o->TypeFormat, u" %x"_s);
        QCOMPARE(o->FormatText->toPlainText(), u"Syntax error in format string"_s);
        o->TypeFormat->selectAll();
        QTest::keyClick(o->TypeFormat, Qt::Key_Backspace);
        QVERIFY(!h.s.Settings.HasName("formats.article"));
        // A code beyond the field list: the error box, the preview unchanged.
        o->TypeSelect->setCurrentText(u"book"_s);
        QVERIFY(h.dialogs.errors.size() == 1);
        QVERIFY(o->TypeFormat->text() == u"%99"_s);

        TFormMain* m = h.Main();
        h.s.Settings.Write(key::Format("article"), "%02: %17 %(20.");
        h.s.Settings.Write(key::Format("manual"), "");
        h.SetLibrary({MakeItem("article", "a", {{"author", "Smith, J."}, {"title", "50% off"}}),
                      MakeItem("misc", "b", {{"title", "T"}}), MakeItem("manual", "c", {})});
        h.clipboard.content = u"before"_s;
        // No selection: nothing; a syntax error: the error box, the clipboard unchanged.
        const std::tuple<int, const char*, int> steps[] = {
            {-1, "before", 1}, {0, "Smith, J.: 50% off .", 1}, {1, "Smith, J.: 50% off .", 2}, {2, "", 2}};
        for (const auto& [line, clip, errors] : steps) {
            if (line >= 0)
                m->SelectLine(line);
            m->ExpToClip->trigger();
            QCOMPARE(h.clipboard.content, QString::fromLatin1(clip));
            QCOMPARE(h.dialogs.errors.size(), errors);
        }

        // The HTML export dialog.
        h.dialogs.errors.clear();
        h.SetLibrary({MakeItem("book", "b", {{"title", "T"}, {"booktitle", "BT"}, {"year", "2001"}}),
                      MakeItem("article", "a", {{"Year", "1999"}, {"author", "A"}})});
        m->mnuHTML->trigger();
        TFormPrint* p = h.program->W().Print;
        QStringList boxes;
        for (QCheckBox* box : p->ExportFieldBoxes)
            boxes << box->text() + (box->isChecked() ? u"+"_s : QString());
        QCOMPARE(boxes.join(u','), u"author,booktitle+,title,year+"_s);
        QVERIFY(p->isVisible());
        QVERIFY(!m->isEnabled());
        QVERIFY(p->Columns->currentText() == u"2 Columns"_s);
        QVERIFY(!p->Separate->isChecked());
        QTest::keyClick(p->ExpFNF, Qt::Key_Return); // Enter cancels: nothing written
        QVERIFY(!p->isVisible());
        QVERIFY(m->isEnabled());
        QVERIFY(!Exists(h.dir.file("exp.html")));

        m->mnuHTML->trigger();
        p->ExportFieldBoxes[2]->setChecked(true); // title
        p->Separate->setChecked(true);
        p->Columns->setCurrentIndex(0);
        p->ExpFNF->setText(u"out.html"_s);
        p->Disp->click();
        QCOMPARE(p->windowTitle(), u"Launching Browser"_s);
        QVERIFY(!p->isVisible());
        QVERIFY(h.shell.opened.size() == 1);
        QVERIFY(h.shell.opened[0].endsWith(u"/out.html"_s));
        QVERIFY(Exists(h.dir.file("out.html")));
        QCOMPARE(h.s.Settings.Read(key::ExpFields) + " " + h.s.Settings.Read(key::ExpLine) + " " +
                     h.s.Settings.Read(key::ExpColumns),
                 ",booktitle,title,year, yes 0"s);
        // Reopened: the same choices, an empty file name box; Print prints
        // exp.html of the program folder.
        m->mnuHTML->trigger();
        QVERIFY(p->ExpFNF->text().isEmpty());
        QVERIFY(p->Separate->isChecked());
        QVERIFY(p->Columns->currentIndex() == 0);
        p->Exp->click();
        QVERIFY(h.shell.printed.size() == 1);
        QVERIFY(Exists(h.dir.file("exp.html")));
        // A file that cannot be written: the error box, the dialog stays.
        m->mnuHTML->trigger();
        p->ExpFNF->setText(u"no/such/folder.html"_s);
        p->Disp->click();
        QVERIFY(h.dialogs.errors.size() == 1);
        QVERIFY(p->isVisible());
        p->Cancel->click();
        QVERIFY(m->isEnabled());
    }
};

QTEST_MAIN(WindowsTest)
#include "windows_test.moc"
