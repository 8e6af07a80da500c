// The main window and the dialogs it opens: the start and the shutdown, the
// library names, the menu bar and the list's keys, the Navigator, the codec of
// shown text, the options dialog, and import and export (the PubMed fetch and
// the clipboard watch against a loopback server).
#include "core/fileio.h"
#include "support/httpserver.h"
#include "uitest.h"

#include <filesystem>

using namespace lorix;
using namespace lorix::test;
using namespace Qt::StringLiterals;
using namespace std::string_literals;

namespace {

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

// The entries of the recent list, "caption" or "(caption)" when disabled, joined by blanks.
QString RecentEntries(const Harness& h)
{
    auto* recent = h.Widget<QMenu>("RecentLibraries1");
    emit recent->aboutToShow();
    QStringList out;
    for (const QAction* a : recent->actions())
        out << (a->isEnabled() ? a->text() : u"("_s + a->text() + u")"_s);
    return out.join(u' ');
}

const QString kRecord = u"TI  - A study.\nFAU - Smith, John A\nAU  - Smith JA\nTA  - J Test\n"
                        u"DP  - 2003 Jan 15\nAB  - Line one\n      line two.\n"_s;

void Set(QWidget* window, const char* name, bool on) { Find<QAbstractButton>(window, name)->setChecked(on); }
void Set(QWidget* window, const char* name, const QString& text) { Find<QLineEdit>(window, name)->setText(text); }

} // namespace

class WindowsTest : public QObject {
    Q_OBJECT
  private slots:
    void startCreatesTheWindowsAndMenusReadsTheSettingsOrEndsWithout()
    {
        Started h;
        QVERIFY(QFontInfo(h.Items()->font()).fixedPitch());
        // Everything is enabled but the recent list, which is empty yet, and
        // Undo and Redo, which have no step yet; no key belongs to two entries
        // (the New Item entry only names Ctrl+Ins, which imports).
        const QList<QAction*> greyed{h.Widget<QMenu>("RecentLibraries1")->menuAction(), h.Action("mnuUndo"), h.Action("mnuRedo")};
        QStringList keys;
        for (QAction* a : h.Main()->findChildren<QAction*>()) {
            QVERIFY2(a->isEnabled() != greyed.contains(a), qPrintable(a->text()));
            for (const QKeySequence& k : a->shortcuts())
                keys << k.toString();
        }
        QCOMPARE(QSet<QString>(keys.begin(), keys.end()).size(), keys.size());

        QCOMPARE(Started(Overrides{{"lastfile", "prev & co.bib"}}).Action("LastFile")->text(), u"prev && co.bib"_s);

        // Without a settings file the start ends, writing nothing.
        Harness none({}, false);
        QVERIFY(!none.Start());
        QCOMPARE(none.dialogs.fatals, QStringList{u"Sorry, Lorix couldn't find it's ini file. Exiting."_s});
        QCOMPARE(none.program->Context().created, QStringList{u"TFormMain"_s});
        QVERIFY(QDir(QString::fromStdString(none.dir.path())).isEmpty(QDir::NoDotAndDotDot | QDir::AllEntries));
    }

    // Whatever the settings say, every window starts whole on the screen,
    // keeping its size where that fits.
    void windowsStartWholeOnTheScreen()
    {
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        Started h(Overrides{{"main.left", "5000"}, {"main.top", "-300"}, {"main.width", "300"}, {"main.height", "200"},
                            {"display.left", "-900"}, {"display.top", "100"}, {"display.width", "5000"},
                            {"display.height", "400"}, {"notes.top", "5000"}, {"notes.height", "160"}});
        const std::pair<QWidget*, QSize> windows[] = {
            {h.Main(), QSize(300, 200)}, {h.Display(), QSize(area.width(), 400)}, {h.Notes(), QSize(460, 160)}};
        for (const auto& [w, size] : windows) {
            QVERIFY2(area.contains(w->frameGeometry()), qPrintable(w->objectName()));
            QCOMPARE(w->size(), size);
            w->show(); // and so they show
            QVERIFY2(area.contains(w->frameGeometry()), qPrintable(w->objectName()));
        }
    }

    // A library dropped on either window or chosen from the recent list loads
    // as Load does; the recent list shows a missing file disabled.
    void droppedAndRecentLibrariesOpenAsLoadDoes()
    {
        Harness h(Overrides{{"filename", "a.bib"}, {"backup", "no"}});
        const QString dir = QString::fromStdString(h.dir.path()) + u'/';
        for (const char* name : {"a", "b", "c", "d & co"})
            WriteFile(h.dir.file(name + ".bib"s), "@misc{"s + name[0] + ", note = {x}}\n");
        WriteFile(h.dir.file("paper.pdf"), "%PDF-1.4");
        QVERIFY(h.Start());
        auto shown = [&h] { return h.s.Bib.Library.empty() ? "-"s : h.s.Bib.Library[0].Reference; };
        // Only a .bib file is taken; any other would be overwritten by the next save.
        QVERIFY(!DropFile(h.Main(), h.dir.file("paper.pdf")));
        // Edit boxes take the drop too, instead of pasting the name as text.
        QVERIFY(DropFile(h.Navigator(), h.dir.file("b.bib")));
        QCOMPARE(shown(), "b"s);
        QVERIFY(h.Navigator()->text().isEmpty());
        h.Select(0);
        QVERIFY(DropFile(h.Editor(1)->viewport(), h.dir.file("c.bib")));
        QCOMPARE(shown(), "c"s);
        QVERIFY(DropFile(h.Items()->viewport(), h.dir.file("d & co.bib")));
        QCOMPARE(RecentEntries(h), u"&1 %1d && co.bib &2 %1c.bib &3 %1b.bib &4 %1a.bib"_s.arg(dir));
        // An entry loads its library; a file gone is shown disabled.
        h.Widget<QMenu>("RecentLibraries1")->actions()[2]->trigger();
        QCOMPARE(shown(), "b"s);
        std::filesystem::remove(h.dir.file("c.bib"));
        QCOMPARE(RecentEntries(h), u"&1 %1b.bib &2 %1d && co.bib (&3 %1c.bib) &4 %1a.bib"_s.arg(dir));
    }

    // The command line of the program: "lorix [FILE]", a relative FILE taken
    // from the folder the command was typed in.
    void commandLineNamesTheLibraryToOpen()
    {
        // The arguments, the caller's folder, and the outcome.
        const std::tuple<QStringList, const char*, QString> cases[] = {
            {{}, "", u"|"_s}, {{u"paper.bib"_s}, "/home/u", u"/home/u/paper.bib|"_s},
            {{u"paper.bib"_s}, "", u"paper.bib|"_s}, // run in its working folder: taken from there
            {{u"/abs/p.bib"_s}, "/home/u", u"/abs/p.bib|"_s}, {{u"--"_s, u"-odd.bib"_s}, "/h", u"/h/-odd.bib|"_s},
            {{u"--bogus"_s, u"a.bib"_s}, "", u"a.bib|unknown option --bogus"_s},
            {{u"a.bib"_s, u"b.bib"_s}, "", u"a.bib|one library at a time: b.bib"_s},
            {{QString()}, "", u"|an empty file name"_s}, {{u"-h"_s}, "", u"| help"_s}, {{u"--version"_s}, "", u"| version"_s}};
        for (const auto& [args, caller, expected] : cases) {
            const ProgramArguments a = ParseProgramArguments(args, QString::fromLatin1(caller));
            QCOMPARE(a.library + u'|' + a.problem + (a.help ? u" help"_s : u""_s) + (a.version ? u" version"_s : u""_s),
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
        h.Main()->show();
        auto* notice = h.Widget<QFrame>("Notice");
        QAction* save = h.Action("mnuSave");
        // Our own saves are no change by another program.
        h.s.LibraryChanged = true;
        save->trigger();
        QTest::qWait(150); // time for a notice that must not come
        QCOMPARE(std::pair(notice->isHidden(), int(h.dialogs.questions.size())), std::pair(true, 0));

        // Replaced by a rename, as editors save.
        WriteFile(lib + ".new", "@misc{theirs, note = {2}}");
        std::filesystem::rename(lib + ".new", lib);
        QTRY_COMPARE(notice->isHidden(), false);
        QCOMPARE(h.Widget<QLabel>("NoticeText")->text(), u"The file lib.bib was changed by another program."_s);
        QCOMPARE(h.Shown(), u"Main"_s); // not held back
        QVERIFY(h.Items()->geometry().top() > notice->geometry().bottom());
        // The save asks first (the question is the command's).
        h.s.LibraryChanged = true;
        h.dialogs.yesNo = {false};
        save->trigger();
        QCOMPARE(h.dialogs.questions.size(), 1);
        // Reload, after the question about the unsaved changes.
        h.dialogs.yesNoCancel = {Answer::No};
        h.Widget<QPushButton>("NoticeReload")->click();
        QCOMPARE(h.s.Bib.Library[0].Reference, "theirs"s);
        QVERIFY(notice->isHidden());

        // Changed in place this time, then overwritten on request; the notice goes.
        WriteFile(lib, "@misc{third, note = {3}}");
        QTRY_VERIFY(!notice->isHidden());
        h.dialogs.yesNo = {true};
        save->trigger();
        QVERIFY(notice->isHidden());
        // Dismissed, the notice goes; the save still asks.
        WriteFile(lib, "@misc{fourth, note = {4}}");
        QTRY_VERIFY(!notice->isHidden());
        h.Widget<QPushButton>("NoticeDismiss")->click();
        QVERIFY(notice->isHidden());
        h.dialogs.yesNo = {false};
        const qsizetype asked = h.dialogs.questions.size();
        save->trigger();
        QCOMPARE(h.dialogs.questions.size(), asked + 1);
    }

    // What the window adds to the close (the order of its steps is the
    // commands' rule): its size stored, and it stays open after a failed write.
    void closeWritesTheWindowsSettingsOrStaysOpenAfterAFailedWrite()
    {
        // Whether the window closed, and how often it said so.
        auto closeAt = [](Harness& h, QSize size) {
            QSignalSpy closed(h.Main(), &TFormMain::closed);
            h.Main()->show();
            h.Main()->resize(size);
            const bool gone = h.Main()->close();
            return std::pair(gone, int(closed.count()));
        };
        Started h;
        QCOMPARE(closeAt(h, QSize(700, 500)), std::pair(true, 1));
        // The display window was never shown, so it keeps the size it was created with.
        const std::string ini = "\n" + ReadFile(h.dir.file("lorix.ini"));
        for (const char* line : {"main.width=700", "main.height=500", "display.width=460", "notes.top=540"})
            QVERIFY2(ini.find("\n"s + line + "\n") != std::string::npos, line);

        // A settings file that cannot be written, then one that can.
        Started w;
        w.s.ProgramDir = w.dir.file("gone"); // no such folder: lorix.ini cannot be written
        QCOMPARE(closeAt(w, QSize(333, 222)), std::pair(false, 0));
        QCOMPARE(w.dialogs.errors.size(), 1);
        w.s.ProgramDir = w.dir.path();
        QCOMPARE(closeAt(w, QSize(333, 222)), std::pair(true, 1));
    }

    // The single-letter keys of the list, and the options dialog in front of
    // the windows behind it.
    void keysOfTheListAndTheOptionsDialogInFront()
    {
        Started h;
        TFormMain* m = h.Main();
        TFormOptions* o = h.Options();
        QListView* items = h.Items();
        h.SetLibrary({Item("misc", "c1"), Item("misc", "c2"), Item("misc", "d")});
        m->show();
        m->SelectLine(0);
        // Type-ahead would jump to "c2" or "d"; unmapped characters and Enter do nothing.
        for (Qt::Key k : {Qt::Key_C, Qt::Key_5, Qt::Key_Space, Qt::Key_Return, Qt::Key_G})
            QTest::keyClick(items, k);
        QCOMPARE(m->SelectedLine(), 0);
        QTest::keyClick(items, Qt::Key_Down); // arrow keys still move the selection
        QCOMPARE(m->SelectedLine(), 1);
        // Typed in turn: a second press of an order's letter switches it off.
        for (const auto& [letter, sorting] : {std::pair{'y', "year"}, {'Y', "*none*"}, {'t', "title"}, {'R', "ref"}}) {
            QTest::keyClick(items, letter);
            QCOMPARE(h.s.Settings.Read(key::Sorting), std::string(sorting));
        }
        QVERIFY(h.Action("byRef")->isChecked());

        h.Action("mnuOptions")->trigger();
        QCOMPARE(h.Shown(), u"Main- Display- Options"_s);
        Click(o, "Dismiss");
        QCOMPARE(h.Shown(), u"Main Display"_s);
        QTest::keyClicks(items, u"fvo"_s);
        QVERIFY(Find<QCheckBox>(o, "Filtering")->isChecked());
        QCOMPARE(h.Shown(), u"Main- Log Options"_s); // filtering hid the editor
        // Enter in a box presses Dismiss; the selected item gone, nothing is selected.
        h.s.Bib.Library.clear();
        QTest::keyClick(Find<QLineEdit>(o, "FilterBound1"), Qt::Key_Return);
        QCOMPARE(m->SelectedLine(), -1);
        QCOMPARE(h.Shown(), u"Main Log"_s);
        QSignalSpy closed(m, &TFormMain::closed);
        QTest::keyClick(items, Qt::Key_X);
        QCOMPARE(closed.count(), 1);
    }

    void listSelectionNavigatorAndTheCodecOfShownText()
    {
        Started h;
        TFormMain* m = h.Main();
        QLineEdit* nav = h.Navigator();
        h.Display()->show();
        h.s.Bib.Library = {Item("article", "Jones2001"), Item("book", "smith1999"), Item("misc", "Smythe")};
        m->RefreshList(true); // a refresh hides the editor and selects nothing
        QVERIFY(ShowActive(m));
        QCOMPARE(QApplication::focusWidget(), h.Items()); // the list has the focus after the start
        nav->setFocus();
        h.Items()->setFocus(Qt::TabFocusReason); // the focus alone selects nothing
        QCOMPARE(h.Shown() + QString::number(m->SelectedLine()), u"Main-1"_s);

        // The Navigator shows the line it finds, green, or red when none;
        // letters typed there run no command.
        QTest::mouseDClick(nav, Qt::LeftButton); // with no selection: the first line
        QCOMPARE(h.Shown() + QString::number(m->SelectedLine()), u"Main Display0"_s);
        h.Display()->hide();
        nav->setFocus();
        for (const auto& [typed, line, found] : {std::tuple{"SM", 1, true}, {"y", 2, true}, {"q", 2, false}}) {
            QTest::keyClicks(nav, QString::fromLatin1(typed));
            QCOMPARE(m->SelectedLine(), line);
            QCOMPARE(nav->palette().color(QPalette::Text), found ? QColor(Qt::darkGreen) : QColor(Qt::red));
        }
        QCOMPARE(h.Shown(), u"Main Display"_s);
        QVERIFY(nav->hasFocus());
        QVERIFY(!h.Action("byYear")->isChecked());

        // A click shows the item, on the selected line too (the editor was hidden meanwhile).
        h.Display()->hide();
        QTest::mouseClick(h.Items()->viewport(), Qt::LeftButton, {}, h.Items()->visualRect(h.Model()->index(2)).center());
        QCOMPARE(h.Shown(), u"Main Display"_s);
        // The selected item stays selected after a sort choice; no selection stays none.
        h.Action("byTitle")->trigger();
        QCOMPARE(m->SelectedItem(), 2);
        m->RefreshList(false);
        h.Action("byTitle")->trigger();
        QCOMPARE(h.Shown() + QString::number(m->SelectedLine()), u"Main-1"_s);

        // A Windows-1252 library: accents shown, and the Navigator finds them.
        h.s.Bib.Utf8 = false;
        h.s.Bib.Library = {Item("book", "M\xFCller \x80 \x93q\x94")};
        m->RefreshList(false);
        nav->setText(QString::fromUtf8("m\xC3\xBC"));
        QVERIFY(h.Model()->index(0).data().toString().contains(QString::fromUtf8("M\xC3\xBCller \xE2\x82\xAC \xE2\x80\x9Cq\xE2\x80\x9D")));
        QCOMPARE(m->SelectedLine(), 0);
    }

    // Every dialog that holds the main window back gives the keys to the list
    // when it goes, so the next letter runs its command; the about box and
    // the options dialog also go by their keys.
    void dialogsGoByTheirKeysAndGiveTheKeysBackToTheList()
    {
        Started h;
        TFormMain* m = h.Main();
        h.SetLibrary({Item("misc", "a"), Item("misc", "b")});
        QVERIFY(ShowActive(m));
        auto key = [](QWidget* w, Qt::Key k) { QTest::keyClick(w->focusWidget() ? w->focusWidget() : w, k); };
        const std::tuple<const char*, const char*, std::function<void()>> ways[] = {
            {"about, OK", "mnuAbout", [&] { Click(h.About(), "OK"); }},
            {"about, Enter", "mnuAbout", [&] { key(h.About(), Qt::Key_Return); }},
            {"about, Escape", "mnuAbout", [&] { key(h.About(), Qt::Key_Escape); }},
            {"custom field, OK", "newField", [&] { Click(h.Custom(), "OK"); }},
            {"custom field, Cancel", "newField", [&] { Click(h.Custom(), "Cancel"); }},
            {"options, Dismiss", "mnuOptions", [&] { Click(h.Options(), "Dismiss"); }},
            {"options, Escape", "mnuOptions", [&] { key(Find(h.Options(), "FilterBound1"), Qt::Key_Escape); }},
            {"HTML export, Cancel", "mnuHTML", [&] { Click(h.Print(), "Cancel"); }},
            {"HTML export, Enter", "mnuHTML", [&] { key(h.Print(), Qt::Key_Return); }},
            {"HTML export, Escape", "mnuHTML", [&] { key(h.Print(), Qt::Key_Escape); }},
        };
        for (const auto& [way, entry, close] : ways) {
            h.Navigator()->setFocus();
            m->RefreshList(false);
            if (entry == "newField"s)
                h.Select(0);
            h.Action(entry)->trigger();
            close();
            QCOMPARE(h.Shown(), entry == "newField"s ? u"Main Display"_s : u"Main"_s);
            QTRY_VERIFY2(QApplication::focusWidget() == h.Items(), way);
        }
        // The about box's text reads whole, without a scroll bar.
        auto* text = Find<QLabel>(h.About(), "AboutText");
        QVERIFY(text->height() >= text->heightForWidth(text->width()));
    }

    // The keyword menu opens over the dialogs that hold the main window back,
    // and a keyword chosen there lands in the box it was opened from.
    void keywordMenuWorksInTheDialogs()
    {
        Started h(Overrides{{"filter1.field", "key"}});
        TFormMain* m = h.Main();
        h.s.KeywordList = {"dna"};
        m->BuildPopupKeys();
        h.SetLibrary({Item("misc", "a")});
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
        Click(h.Custom(), "Cancel");
        h.Action("mnuOptions")->trigger();
        QVERIFY(QTest::qWaitForWindowActive(h.Options())); // the keyword goes to the box with the focus
        chooseIn(Find<QLineEdit>(h.Options(), "FilterBound1"));
        Click(h.Options(), "Dismiss");
    }

    void optionsStartFromTheSettingsFollowTheEnabledRulesAndStoreEachChange()
    {
        Started h(Overrides{
            {"filtering", "yes"}, {"filtermode", "or"}, {"filter2.field", "key"}, {"filter2.value", "dna"}});
        TFormOptions* o = h.Options();
        auto enabled = [o](const char* name) { return Find(o, name)->isEnabled(); };
        QCOMPARE(Find(o, "FilterBound2")->contextMenuPolicy(), Qt::CustomContextMenu); // a "key" line
        h.Main()->AfterLoad(); // the field choices of a load
        for (const auto& [field, count] : {std::pair(u"title"_s, 3), {u"line off"_s, 0}}) {
            Find<QComboBox>(o, "Filter2Field")->setCurrentText(field);
            QCOMPARE(enabled("FilterBound2") + enabled("Filter2Op") + enabled("Filter2Not"), count);
        }
        // A box switched off greys out what depends on it.
        const std::pair<const char*, const char*> depends[] = {
            {"Truncate", "CharLimit"}, {"LineBreak", "LineWidth"}, {"LineBreak", "InsertWidth"}, {"WriteToFile", "Logfile"}};
        for (const auto& [on, dependent] : depends)
            for (bool checked : {false, true}) {
                Set(o, on, checked);
                QCOMPARE(enabled(dependent), checked);
            }
        // Invert flips the mode and every line's "not", lines that are off too; twice restores.
        for (const char* mode : {"and111", "or000"}) {
            o->InvertClick();
            QCOMPARE(h.s.Settings.Read(key::FilterMode) + std::to_string(o->NotChecked(0)) +
                         std::to_string(o->NotChecked(1)) + std::to_string(o->NotChecked(2)),
                     std::string(mode));
        }
        // Each control stores its change at once, as typed.
        const std::tuple<std::function<void()>, const char*, const char*> cases[] = {
            {[&] { Set(o, "FilterBound1", u"x"_s); }, "filter1.value", "x"},
            {[&] { Set(o, "DataPath", QString()); }, "datapath", "*none*"},
            {[&] { Find<QComboBox>(o, "DispNotes")->setCurrentIndex(1); }, "displaynotes", "1"},
            {[&] { Find<QComboBox>(o, "ColumnSelector3")->setEditText(u"journal"_s); }, "disp3", "journal"},
            {[&] { Set(o, "Truncate", false); }, "truncate", "no"}};
        for (const auto& [change, key, value] : cases) {
            change();
            QCOMPARE(h.s.Settings.ReadByName(key), std::string(value));
        }
        Set(o, "FilterBound1", QString());
        QVERIFY(!h.s.Settings.Has(key::Filter[0].Value));
        // The dialog's box and the Filter entry follow each other.
        QVERIFY(h.Action("Filter1")->isChecked());
        Set(o, "Filtering", false);
        QVERIFY(!h.Action("Filter1")->isChecked());
    }

    void fetchWatchAndClipboardImport()
    {
        std::atomic<int> fail{0};
        LoopbackServer server([&](const std::string& target) {
            return fail ? HttpAnswer{500, "down"}
                   : target.starts_with("/doi/") ? HttpAnswer{200, "@article{doe:2020, title = {By DOI}}"}
                   : HttpAnswer{200, target.find("id=4") != std::string::npos ? kRecord.toStdString() : "none"};
        });
        Started h(Overrides{{"pubmed.url", server.url("/efetch?id={id}")}, {"sorting", "year"}});
        TFormMain* m = h.Main();
        m->show();
        const auto& lib = h.s.Bib.Library;
        // The menu command: the clipboard's identifier, or without one the
        // input box, whose text is sent without any test.
        h.dialogs.texts.push_back(u"a b"_s);
        for (const auto& [clip, target] : {std::pair{" 42 ", "/efetch?id=42"}, {"", "/efetch?id=a%20b"}}) {
            h.clipboard.content = QString::fromLatin1(clip);
            h.Action("fromPubMed1")->trigger();
            QCOMPARE(server.lastTarget(), std::string(target));
        }
        QCOMPARE(h.dialogs.questions, QStringList{u"Enter PubMed ID"_s});

        // The watch: the sort mark is taken off and put back after, the id
        // present at the start is not imported, the same id twice imports
        // once, again after other text.
        QAction* watch = h.Action("watchClip");
        auto* timer = Find<QTimer>(m, "Uhr");
        h.clipboard.content = u"42"_s;
        watch->trigger();
        QVERIFY(timer->isActive());
        QVERIFY(!h.Action("byYear")->isChecked());
        for (const auto& [clip, count] : {std::pair{"42", 1}, {"43", 2}, {"43", 2}, {"some text", 2}, {"43", 3}}) {
            h.clipboard.content = QString::fromLatin1(clip);
            m->UhrTimer();
            QCOMPARE(int(lib.size()), count);
        }
        // A failed request: the error box, nothing imported, the watch halted.
        fail = 1;
        h.clipboard.content = u"44"_s;
        m->UhrTimer();
        QCOMPARE(h.dialogs.errors.size(), 1);
        QCOMPARE(std::tuple(lib.size(), watch->isChecked(), timer->isActive()), std::tuple(size_t(3), true, false));
        watch->trigger();
        QVERIFY(h.Action("byYear")->isChecked());

        // The clipboard import selects and shows the new item and switches filtering off.
        h.s.Settings.Write(key::Filter[0].Field, "year");
        h.s.Settings.Write(key::Filter[0].Value, "1999");
        h.Action("Filter1")->trigger();
        QVERIFY(h.Action("Filter1")->isChecked());
        h.clipboard.content = u"    "_s + kRecord; // indented copy, LF line ends
        h.Action("mnuImportfC")->trigger();
        QCOMPARE(h.Shown() + QString::number(m->SelectedItem()), u"Main Display Notes3"_s);
        QVERIFY(!h.Action("Filter1")->isChecked());

        // By DOI, the identifier taken from the clipboard: appended, selected and shown.
        fail = 0;
        h.s.Settings.Write(key::DoiUrl, server.url("/doi/{id}"));
        h.clipboard.content = u" doi:10.1000/x "_s;
        h.Display()->hide();
        h.Action("fromDoi1")->trigger();
        QCOMPARE(h.Shown() + QString::number(m->SelectedItem()), u"Main Display4"_s);
    }

    void exportTabClipboardExportAndTheHtmlDialog()
    {
        Started h(Overrides{{"formats.misc", "%x1"}, {"expfields", ",booktitle,year,"},
                            {"expcolumns", "1"}, {"expline", "no"}});
        TFormOptions* o = h.Options();
        auto* format = Find<QLineEdit>(o, "TypeFormat");
        // Every keystroke is stored and previewed.
        format->clear();
        QTest::keyClicks(format, u"%2"_s);
        QCOMPARE(h.s.Settings.Read(key::Format("article")) + Find<QPlainTextEdit>(o, "FormatText")->toPlainText().toStdString(),
                 "%2author"s);
        // To the clipboard: no selection, nothing; a syntax error, the error box.
        h.Main()->show();
        h.s.Settings.Write(key::Format("article"), "%02");
        h.SetLibrary({Item("article", "a", {{"author", "Smith, J."}, {"booktitle", "B"}, {"title", "T"}, {"year", "1"}}),
                      Item("misc", "b")});
        h.clipboard.content = u"before"_s;
        for (const auto& [line, clip, errors] : {std::tuple{-1, "before", 0}, {0, "Smith, J.", 0}, {1, "Smith, J.", 1}}) {
            if (line >= 0)
                h.Main()->SelectLine(line);
            h.Action("ExpToClip")->trigger();
            QCOMPARE(h.clipboard.content, QString::fromLatin1(clip));
            QCOMPARE(h.dialogs.errors.size(), errors);
        }

        // The HTML export dialog.
        h.dialogs.errors.clear();
        TFormPrint* p = h.Print();
        auto* separate = Find<QCheckBox>(p, "Separate");
        auto* columns = Find<QComboBox>(p, "Columns");
        auto* file = Find<QLineEdit>(p, "ExpFNF");
        h.Action("mnuHTML")->trigger();
        QVERIFY(Find<QCheckBox>(p, "ExportField1")->isChecked()); // booktitle
        QCOMPARE(h.Shown() + u' ' + columns->currentText(), u"Main- Print 2 Columns"_s);
        Set(p, "ExportField2", true); // title
        separate->setChecked(true);
        columns->setCurrentIndex(0);
        file->setText(u"out.html"_s);
        Click(p, "Disp");
        QCOMPARE(h.Shown(), u"Main"_s);
        QCOMPARE(h.shell.opened, QStringList{QString::fromStdString(h.dir.file("out.html"))});
        QCOMPARE(h.s.Settings.Read(key::ExpFields) + " " + h.s.Settings.Read(key::ExpLine) + " " +
                     h.s.Settings.Read(key::ExpColumns),
                 ",booktitle,title,year, yes 0"s);
        // Reopened: the same choices, an empty file name box; Print prints
        // exp.html of the program folder.
        h.Action("mnuHTML")->trigger();
        QCOMPARE(file->text() + QString::number(separate->isChecked()), u"1"_s);
        Click(p, "Exp");
        QCOMPARE(h.shell.printed, QStringList{QString::fromStdString(h.dir.file("exp.html"))});
        // A file that cannot be written: the error box, the dialog stays.
        h.Action("mnuHTML")->trigger();
        file->setText(u"no/such/folder.html"_s);
        Click(p, "Disp");
        QCOMPARE(h.dialogs.errors.size(), 1);
        QCOMPARE(h.Shown(), u"Main- Print"_s);
    }
};

QTEST_MAIN(WindowsTest)
#include "windows_test.moc"
