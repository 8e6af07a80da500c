// The main window and the dialogs it opens. The start (window order, the
// refusal without settings, what it reads) and the shutdown (the question, the
// writes, the failures that keep the window open); the log window, New
// Library and the names of loaded and saved libraries; the menu bar and the
// single-letter keys; the list, its selection and the Navigator; the codec of
// shown text; the options dialog: every key written on a change, the enabled
// rules, Dismiss with re-selection, the windows behind it disabled.
#include "ui/codec.h"
#include "uitest.h"

#include <QPlainTextEdit>
#include <QtTest>
#include <functional>
#include <tuple>

using namespace lorix;
using namespace lorix::test;
using namespace Qt::StringLiterals;
using namespace std::string_literals;

namespace {

// A harness whose start must succeed.
struct Started : Harness {
    explicit Started(const Overrides& changes = {}) : Harness(changes)
    {
        if (!Start())
            throw std::runtime_error("start failed");
    }
};

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
    return h.s.Settings.Read("filename") + " " + h.s.Settings.Read("lastfile");
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void windowsAreCreatedOnceInOrder()
    {
        Started h;
        QCOMPARE(
            h.program->Context().created.join(u' '),
            u"TFormMain TFormAbout TFormDisplay TFormOptions TFormLog TFormCustom TFormPrint TFormNotes"_s);
        QVERIFY(h.dialogs.errors.isEmpty());
        TFormMain* m = h.Main();
        const QStringList shown{m->windowTitle(), m->Heading->text(), m->Heading->toolTip(),
                                m->Items->toolTip(), m->Status->text()};
        QCOMPARE(shown.join(u'|'), u"Lorix for Windows V0.99|No loaded items.|Filename and number of items.|"
                                   u"List of filtered items.|Status"_s);
        QVERIFY(m->Items->uniformItemSizes() && QFontInfo(m->Items->font()).fixedPitch());
        // Windows that were never shown keep the geometry read at start.
        QCOMPARE(QRect(m->x(), m->y(), m->width(), m->height()), QRect(40, 60, 900, 640));
    }

    void missingSettingsFileEndsStartWritingNothing()
    {
        Harness h({}, false);
        QVERIFY(!h.Start());
        QCOMPARE(h.dialogs.fatals, QStringList{u"Sorry, Lorix couldn't find it's ini file. Exiting."_s});
        QCOMPARE(h.program->Context().created, QStringList{u"TFormMain"_s});
        QVERIFY(h.program->W().Options == nullptr);
        QVERIFY(QDir(QString::fromStdString(h.dir.path())).isEmpty(QDir::NoDotAndDotDot | QDir::AllEntries));
    }

    void startReadsLogLastFileAndGeometry()
    {
        Started missing(Overrides{{"logfile", "absent.log"}});
        QCOMPARE(missing.s.Log.LogList.size(), size_t(1));
        QVERIFY(QString::fromStdString(missing.s.Log.LogList[0]).endsWith(u"Logfile not found"_s));
        QCOMPARE(missing.Main()->Status->text(), u"Logfile not found"_s);

        Harness h(Overrides{{"logfile", "old.log"}, {"lastfile", "prev & co.bib"}});
        WriteFile(h.dir.file("old.log"), "line one\nline two\n");
        QVERIFY(h.Start());
        QCOMPARE(h.s.Log.LogList, (std::vector<std::string>{"line one", "line two"}));
        QCOMPARE(h.Main()->LastFile->text(), u"prev && co.bib"_s);

        Started bad(Overrides{{"main.top", "abc"}}); // the error box, and the start goes on
        QCOMPARE(bad.dialogs.errors.size(), 1);
        QVERIFY(bad.dialogs.errors[0].contains(u"abc"_s) && bad.program->W().Notes != nullptr);
    }

    void viewLogShowsTheNewestLinesAndClearEmptiesBoth()
    {
        Started h;
        TFormLog* log = h.Log();
        QCOMPARE(log->windowTitle() + u'|' + log->ClearLog->text() + u'|' + log->Dismiss->text(),
                 u"Logfile|Clear Log|Dismiss"_s);
        h.s.Log.LogList = {"first", "second"};
        h.Main()->ViewLog1->trigger();
        QVERIFY(log->isVisible() && log->Logmemo->textCursor().atEnd());
        QCOMPARE(log->Logmemo->toPlainText(), u"first\nsecond"_s);
        log->Logmemo->setPlainText(u"typed"_s); // not kept: entering the memo shows LogList again
        log->LogmemoEnter();
        QCOMPARE(log->Logmemo->toPlainText(), u"first\nsecond"_s);
        QTest::mouseClick(log->ClearLog, Qt::LeftButton);
        QVERIFY(h.s.Log.LogList.empty() && log->Logmemo->toPlainText().isEmpty());
        h.s.Status("later");
        log->LogmemoEnter();
        QVERIFY(log->Logmemo->toPlainText().endsWith(u"later"_s));
        QTest::mouseClick(log->Dismiss, Qt::LeftButton);
        QVERIFY(!log->isVisible());
    }

    void newLibraryEmptiesAllButAsksNothing()
    {
        const std::pair<const char*, const char*> cases[] = {{"d:\\bib\\", "d:\\bib\\new.bib"},
                                                             {"*none*", "new.bib"}};
        for (const auto& [datapath, expected] : cases) {
            Started h(Overrides{{"datapath", datapath}, {"filename", "old.bib"}, {"lastfile", "older.bib"}});
            h.SetLibrary({MakeItem("book", "a", {})});
            h.s.Bib.Blocks = {"@string{x = \"y\"}"};
            h.s.Bib.TrailingText = "tail";
            h.s.LibraryChanged = true;
            h.Main()->NewLibrary1->trigger();
            QCOMPARE(Names(h), expected + " old.bib"s);
            QCOMPARE(h.Main()->Heading->text(), QString::fromLatin1(expected) + u": 0 items."_s);
            QCOMPARE(h.Main()->ItemLines->rowCount(), 0);
            QVERIFY(h.s.Bib.Library.empty() && h.s.Bib.Blocks.empty() && h.s.Bib.TrailingText.empty());
            QVERIFY(h.s.LibraryChanged && h.dialogs.questions.isEmpty()); // left as it was, no question
            QCOMPARE(h.Main()->LastFile->text(), u"older.bib"_s);
        }
    }

    void loadSaveAndLastFileNames()
    {
        Started h(Overrides{{"filename", "one.bib"}, {"datapath", "data/"}});
        h.dialogs.files.push_back(u"two.bib"_s);
        h.Main()->mnuLoad->trigger();
        QCOMPARE(h.dialogs.fileFilters, QStringList{u"BibTeX Library (*.bib)"_s});
        QCOMPARE(h.dialogs.fileFolders, QStringList{u"data/"_s});
        QCOMPARE(Names(h), "two.bib one.bib"s);
        h.Main()->LastFile->trigger();
        QCOMPARE(Names(h), "one.bib two.bib"s);
        QCOMPARE(h.Main()->LastFile->text(), u"two.bib"_s);

        // Save without a name asks for one; Save As appends ".bib" to a dotless own name.
        const std::pair<const char*, const char*> cases[] = {
            {"out", "out.bib"}, {"sub.d/out", "sub.d/out.bib"}, {"out.txt", "out.txt"}};
        for (const auto& [chosen, stored] : cases) {
            Started s;
            s.SetLibrary({MakeItem("book", "a", {}), MakeItem("book", "b", {})});
            s.dialogs.files = {QString(), QString::fromLatin1(chosen)};
            QVERIFY(s.Main()->Run([&] { s.Main()->mnuSave->trigger(); })); // cancelled
            QCOMPARE(s.dialogs.fileTitles, QStringList{u"Enter filename to save"_s});
            s.Main()->mnuSaveAs->trigger(); // the writer may fail: the name is taken first
            QCOMPARE(Names(s), stored + " *none*"s);
            QCOMPARE(s.Main()->Heading->text(), QString::fromLatin1(stored) + u": 2 items."_s);
        }
    }

    void closeAsksAndWritesEverything()
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
        QVERIFY(h.Main()->close() && closed.count() == 1);
        QCOMPARE(h.dialogs.questions, QStringList{u"Library has changed since last save. Save now?"_s});
        const std::string ini = h.IniOnDisk();
        QVERIFY(("\n" + ini).find("\nsorting=") == std::string::npos);
        // The display window was never shown, so it keeps the size it was created with.
        for (const char* line :
             {"filtering=no", "main.width=700", "main.height=500", "display.width=460", "notes.top=790"})
            QVERIFY2(IniHasLine(ini, line), line);
        QVERIFY(Exists(h.dir.file("run.log")) && !Exists(h.dir.file("*none*")));
    }

    void failedSettingsWriteKeepsTheWindowOpenUntilTheUserRetries()
    {
        Started h(Overrides{{"savesize", "no"}, {"writelog", "yes"}});
        QSignalSpy closed(h.Main(), &TFormMain::closed);
        h.Main()->show();
        h.Main()->resize(333, 222);
        h.s.ProgramDir = h.dir.file("gone"); // no such folder: lorix.ini cannot be written
        QVERIFY(!h.Main()->close() && closed.isEmpty());
        QCOMPARE(h.dialogs.errors.size(), 1);
        h.s.ProgramDir = h.dir.path();
        QVERIFY(h.Main()->close());
        QCOMPARE(closed.count(), 1);
        // No changes: no question; savesize=no keeps the stored size; logfile "*none*": no log.
        QVERIFY(h.dialogs.questions.isEmpty() && IniHasLine(h.IniOnDisk(), "main.width=900"));
        QVERIFY(!Exists(h.dir.file("*none*")));
    }

    void failedSaveKeepsTheWindowOpen()
    {
        Started h(Overrides{{"autosave", "yes"}, {"filename", "no/such/folder/lib.bib"}});
        h.dialogs.errors.clear(); // the missing library
        QSignalSpy closed(h.Main(), &TFormMain::closed);
        h.Main()->show();
        h.s.LibraryChanged = true;
        const std::string before = h.IniOnDisk();
        QVERIFY(!h.Main()->close() && closed.isEmpty() && h.Main()->isVisible() && h.s.LibraryChanged);
        QCOMPARE(h.dialogs.errors.size(), 1);
        QCOMPARE(h.IniOnDisk(), before); // nothing of the later steps happened
    }
    void menuBarHasEveryEntry()
    {
        Started h;
        TFormMain* m = h.Main();
        QStringList menus;
        for (QAction* top : m->menuBar()->actions())
            menus << top->text() + u": "_s + Describe(top->menu());
        QCOMPARE(menus,
                 (QStringList{
                     u"&File: New Library| - &Load Library|Ctrl+L &Save Library|Ctrl+S Save Library &As| - "
                     u"&Import>from &PubMed|Ctrl+I watch Clipboard for &ID|< &Export>to &HTML| "
                     u"to Clipboard|Ctrl+Alt+C< - | - &Quit|Ctrl+Q"_s,
                     u"&Edit: &Delete Item|Shift+Del &New Item\tCtrl+Ins| Add &Custom Field|Shift+Ins "
                     u"Add &Folder location|Ctrl+F Add &Keywords|Ctrl+K - C&heck Consistency| View &Log| "
                     u"Show &Notes Window|Ctrl+N &Options|Ctrl+O"_s,
                     u"&Sort: by &Title| by &Author| by &Year| by &Journal| by T&ype| by &Reference| "
                     u"&Filter|Ctrl+Alt+F"_s,
                     u"&Help: Manual| &About|"_s}));
        for (QAction* a : m->findChildren<QAction*>())
            QVERIFY2(a->isEnabled(), qPrintable(a->objectName()));
        // Hidden entries live on the window only. Ctrl+Ins belongs to the
        // import alone, so the key is never ambiguous.
        for (QAction* hidden : {m->mnuImportfC, m->HideWindow1})
            QVERIFY(m->actions().contains(hidden) && !menus.join(u' ').contains(hidden->text()));
        QCOMPARE(m->mnuImportfC->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Insert));
        QCOMPARE(m->HideWindow1->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_T));
        QVERIFY(m->AddItem->shortcut().isEmpty());
        // The six orders are one radio group; Filter is a check entry of its own.
        QCOMPARE(m->SortGroup->actions().size(), 6);
        QVERIFY(!m->SortGroup->actions().contains(m->Filter1) && m->Filter1->isCheckable());
    }

    void keysOfTheList()
    {
        Started h;
        TFormMain* m = h.Main();
        h.SetLibrary({MakeItem("book", "c1", {}), MakeItem("book", "c2", {}), MakeItem("book", "d", {})});
        m->show();
        m->SelectLine(0);
        m->Items->setFocus();
        // Type-ahead would jump to "c2" or "d"; unmapped characters and Enter do nothing.
        for (Qt::Key k : {Qt::Key_C, Qt::Key_5, Qt::Key_Space, Qt::Key_Return, Qt::Key_G})
            QTest::keyClick(m->Items, k);
        QVERIFY(m->SelectedLine() == 0 && h.dialogs.errors.isEmpty());
        QTest::keyClick(m->Items, Qt::Key_Down); // arrow keys still move the selection
        QCOMPARE(m->SelectedLine(), 1);
        // Typed in turn: a second press of an order's letter switches it off.
        const std::pair<const char*, const char*> letters[] = {
            {"y", "year"}, {"Y", "*none*"}, {"t", "title"}, {"R", "ref"}};
        for (const auto& [letter, sorting] : letters) {
            QTest::keyClicks(m->Items, QString::fromLatin1(letter));
            QCOMPARE(h.s.Settings.Read("sorting"), std::string(sorting));
        }
        QVERIFY(m->SortKey() == u"ref"_s && m->byRef->isChecked() && !m->byTitle->isChecked());
        QTest::keyClick(m->Items, Qt::Key_F);
        QVERIFY(m->Filter1->isChecked() && h.Options()->Filtering->isChecked() &&
                h.s.Settings.IsYes("filtering"));
        QTest::keyClick(m->Items, Qt::Key_V);
        QVERIFY(h.Log()->isVisible());
        QTest::keyClick(m->Items, Qt::Key_O);
        QVERIFY(h.Options()->isVisible() && !m->isEnabled());
        h.Options()->DismissClick();
        QSignalSpy closed(m, &TFormMain::closed);
        h.s.LibraryChanged = true;
        h.dialogs.yesNo.push_back(false);
        QTest::keyClick(m->Items, Qt::Key_X);
        QVERIFY(h.dialogs.questions.size() == 1 && closed.count() == 1);
    }

    void listSelectionAndNavigator()
    {
        Started h;
        TFormMain* m = h.Main();
        TFormDisplay* editor = h.Display();
        editor->show();
        h.s.Bib.Library = {MakeItem("article", "Jones2001", {{"title", "B"}}),
                           MakeItem("book", "smith1999", {{"title", "A"}}),
                           MakeItem("misc", "Smythe", {{"title", "C"}})};
        m->RefreshList(true); // a refresh hides the editor and selects nothing
        QVERIFY(m->ItemLines->rowCount() == 3 && !editor->isVisible() && m->SelectedLine() == -1);
        m->Status->setText(u"x"_s);
        m->RefreshList(false); // no report asked
        QCOMPARE(m->Status->text(), u"x"_s);

        m->show();
        m->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m));
        QCOMPARE(QApplication::focusWidget(), m->Items); // the list has the focus after the start
        m->Navigator->setFocus();
        m->Items->setFocus(Qt::TabFocusReason); // the focus alone selects nothing
        QVERIFY(m->SelectedLine() == -1 && !editor->isVisible());

        // The Navigator selects the first reference that starts with its text,
        // whatever the case; letters typed there run no command.
        QTest::mouseDClick(m->Navigator, Qt::LeftButton); // with no selection: the first line
        QVERIFY(m->SelectedLine() == 0 && editor->isVisible());
        editor->hide();
        m->Navigator->setFocus();
        const std::tuple<const char*, int, QColor> steps[] = {
            {"SM", 1, Qt::darkGreen}, {"y", 2, Qt::darkGreen}, {"q", 2, Qt::red}, {"", 2, Qt::red}};
        for (const auto& [typed, line, colour] : steps) {
            if (*typed)
                QTest::keyClicks(m->Navigator, QString::fromLatin1(typed));
            else
                m->Navigator->clear(); // changes nothing
            QCOMPARE(m->SelectedLine(), line);
            QCOMPARE(m->Navigator->palette().color(QPalette::Text), colour);
        }
        QVERIFY(editor->isVisible() && m->Navigator->hasFocus() && m->isVisible() && !m->byYear->isChecked());

        // A click shows the item, on the selected line too (the editor was hidden meanwhile).
        const QRect r = m->Items->visualRect(m->ItemLines->index(1));
        for (int i = 0; i < 2; ++i) {
            editor->hide();
            QTest::mouseClick(m->Items->viewport(), Qt::LeftButton, {}, r.center());
            QVERIFY(m->SelectedLine() == 1 && editor->isVisible());
        }
        // The selected item stays selected after a sort choice; no selection stays none.
        m->SelectLine(2);
        m->byTitle->trigger();
        QVERIFY(m->SelectedItem() == 2 && editor->isVisible());
        m->RefreshList(false);
        m->byTitle->trigger();
        QVERIFY(m->SelectedLine() == -1 && !editor->isVisible());
    }

    void latin1LibraryShowsAccentsAndRoundTrips()
    {
        const std::string bytes = "M\xFCller \x80 \x93quoted\x94 \x81";
        const QString shown = DecodeText(bytes, false);
        QCOMPARE(shown,
                 QString::fromUtf8("M\xC3\xBCller \xE2\x82\xAC \xE2\x80\x9Cquoted\xE2\x80\x9D \xC2\x81"));
        QCOMPARE(EncodeText(shown, false), bytes);
        QCOMPARE(EncodeText(QString::fromUtf8("\xE2\x80\x94 \xE4\xB8\xAD"), false), "\x97 ?"s);
        QCOMPARE(EncodeText(DecodeText("M\xC3\xBCller", true), true), "M\xC3\xBCller"s);
        Started h;
        h.s.Bib.Clear();
        h.s.Bib.Utf8 = false;
        h.s.Bib.Library = {MakeItem("book", "M\xFCller", {})};
        h.Main()->RefreshList(false);
        QVERIFY(h.Lines().at(0).contains(QString::fromUtf8("M\xC3\xBCller")));
        h.Main()->Navigator->setText(QString::fromUtf8("m\xC3\xBC"));
        QCOMPARE(h.Main()->SelectedLine(), 0);
    }

    void optionsStartFromTheSettingsAndFollowTheEnabledRules()
    {
        Started h(Overrides{
            {"filtering", "yes"}, {"filtermode", "or"}, {"filter2.field", "key"}, {"filter2.value", "dna"}});
        TFormOptions* o = h.Options();
        QCOMPARE(o->windowTitle() + u'|' + o->Options->tabText(3) + u'|' + o->Dismiss->toolTip(),
                 u"Lorix Options|E&xiting|Press to close options window"_s);
        QVERIFY(o->Filtering->isChecked() && h.Main()->Filter1->isChecked() && o->AndOrOrAny->isChecked());
        QCOMPARE(o->FilterField[1]->currentText() + u' ' + o->FilterBound[1]->text(), u"key dna"_s);
        // A "key" line offers the keyword menu; a "line off" line is disabled.
        QCOMPARE(o->FilterBound[1]->contextMenuPolicy(), Qt::CustomContextMenu);
        QCOMPARE(o->FilterBound[0]->contextMenuPolicy(), Qt::DefaultContextMenu);
        const auto lineEnabled = [o](int i) {
            return o->FilterBound[i]->isEnabled() + o->FilterOp[i]->isEnabled() +
                   o->FilterNot[i]->isEnabled();
        };
        QCOMPARE(lineEnabled(0), 0);
        h.Main()->AfterLoad(); // the field choices of a load
        for (const auto& [field, enabled] : {std::pair(u"title"_s, 3), {u"line off"_s, 0}}) {
            o->FilterField[1]->setCurrentText(field);
            QCOMPARE(lineEnabled(1), enabled);
        }
        o->Truncate->setChecked(false);
        QVERIFY(!o->CharLimit->isEnabled() && h.s.Settings.Read("truncate") == "no");
        o->LineBreak->setChecked(false);
        QVERIFY(!o->LineWidth->isEnabled() && !o->InsertWidth->isEnabled());
        for (bool write : {false, true}) {
            o->WriteToFile->setChecked(write);
            QCOMPARE(o->Logfile->isEnabled(), write);
        }
        // Invert flips the mode and every line's "not", lines that are off too; twice restores.
        for (bool inverted : {true, false}) {
            o->InvertClick();
            QCOMPARE(o->AndOrOrAll->isChecked(), inverted);
            QCOMPARE(h.s.Settings.Read("filtermode"), inverted ? "and"s : "or"s);
            for (int i = 0; i < 3; ++i)
                QCOMPARE(o->NotChecked(i), inverted);
        }
    }

    void everyChangeWritesTheKeys()
    {
        Started h;
        TFormOptions* o = h.Options();
        const QStringList keys =
            u"filtering filter1.op filter2.op filter3.op filter1.field filter2.field filter3.field "
            u"filtermode log.status disp.status log.error disp.error writelog savesize savesorted "
            u"maxlogsize backup linebreak autosave switchfilteringoff switchsortingoff linewidth "
            u"insertwidth displaynotes datapath pdfpath logfile disp1 disp2 disp3 disp4 truncate charlimit"_s
                .split(u' ');
        // Remove every key behind the dialog's back; one change brings all back.
        for (const QString& key : keys)
            h.s.Settings.Write(key.toStdString(), "");
        o->Backup->setChecked(!o->Backup->isChecked());
        for (const QString& key : keys)
            QVERIFY2(h.s.Settings.Has(key.toStdString()), qPrintable(key));
        QCOMPARE(h.s.Settings.Read("backup") + " " + h.s.Settings.Read("displaynotes"), "no 2"s);
        const std::tuple<std::function<void()>, const char*, const char*> cases[] = {
            {[&] { o->FilterBound[0]->setText(u"x"_s); }, "filter1.value", "x"}, // every keystroke
            {[&] { o->DataPath->setText(QString()); }, "datapath", "*none*"},
            {[&] { o->Logfile->setText(u"run.log"_s); }, "logfile", "run.log"},
            {[&] { o->MaxLogSize->setText(u"many"_s); }, "maxlogsize", "many"}, // stored as typed
            {[&] { o->DispNotes->setCurrentIndex(1); }, "displaynotes", "1"},
            {[&] { o->ColumnSelector[2]->setEditText(u"journal"_s); }, "disp3", "journal"},
            {[&] { o->AndOrOrAny->setChecked(true); }, "filtermode", "or"},
            {[&] { o->FilterOp[2]->setEditText(u"is"_s); }, "filter3.op", "is"},
            {[&] { o->Filtering->setChecked(true); }, "filtering", "yes"}};
        for (const auto& [change, key, value] : cases) {
            change();
            QCOMPARE(h.s.Settings.Read(key), std::string(value));
        }
        QVERIFY(h.Main()->Filter1->isChecked());
        o->FilterBound[0]->setText(QString());
        QVERIFY(!h.s.Settings.Has("filter1.value"));
    }

    void openDisablesTheWindowsBehindAndDismissReselectsOrRefreshFails()
    {
        Started h;
        TFormMain* m = h.Main();
        // Items without required fields: re-showing one logs no schema error
        // over the list's count message.
        h.SetLibrary({MakeItem("misc", "a", {}), MakeItem("misc", "b", {}), MakeItem("misc", "c", {})});
        m->show();
        m->SelectLine(1);
        m->mnuOptions->trigger();
        QVERIFY(h.Options()->isVisible() && !m->isEnabled() && !h.Display()->isEnabled());
        // Clicks on the main list do nothing while the dialog is up.
        QTest::mouseClick(m->Items->viewport(), Qt::LeftButton, {},
                          m->Items->visualRect(m->ItemLines->index(2)).center());
        QCOMPARE(m->SelectedLine(), 1);
        QTest::mouseClick(h.Options()->Dismiss, Qt::LeftButton);
        QVERIFY(!h.Options()->isVisible() && m->isEnabled() && h.Display()->isEnabled());
        QVERIFY(m->SelectedItem() == 1 && h.Display()->isVisible());
        QCOMPARE(m->Status->text(), u"Filtering off. Showing all 3 items."_s);
        // Enter in a box presses Dismiss; the selected item gone, nothing is selected.
        h.s.Bib.Library.clear();
        m->mnuOptions->trigger();
        QTest::keyClick(h.Options()->FilterBound[0], Qt::Key_Return);
        QVERIFY(!h.Options()->isVisible() && m->isEnabled());
        QVERIFY(m->SelectedLine() == -1 && !h.Display()->isVisible());
        // A failing refresh: the error box, the refresh abandoned, the dialog closed all the same.
        h.s.Bib.Library = {MakeItem("book", "a", {})};
        m->mnuOptions->trigger();
        h.Options()->Truncate->setChecked(true);
        h.Options()->CharLimit->setText(u"wide"_s);
        QTest::mouseClick(h.Options()->Dismiss, Qt::LeftButton);
        QVERIFY(!h.Options()->isVisible() && m->isEnabled() && m->ItemLines->rowCount() == 0);
        QVERIFY(h.dialogs.errors.size() == 1 && h.dialogs.errors[0].contains(u"wide"_s));
    }
};

QTEST_MAIN(MainWindowTest)
#include "mainwindow_test.moc"
