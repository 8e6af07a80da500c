// The menu bar (captions, shortcuts, separators, hidden entries, check
// groups) and the single-letter keys of the main list.
#include "uitest.h"

#include <QtTest>

using namespace lorix;
using namespace lorix::test;

namespace {

// "caption|shortcut" per entry, "-" for a separator, ">" before a submenu's entries, "<" after them.
QStringList Describe(const QMenu* menu)
{
    QStringList out;
    for (QAction* a : menu->actions()) {
        if (a->isSeparator()) {
            out << QStringLiteral("-");
        } else if (a->menu()) {
            out << a->text() + QStringLiteral(">");
            out << Describe(a->menu());
            out << QStringLiteral("<");
        } else {
            out << a->text() + QStringLiteral("|") + a->shortcut().toString();
        }
    }
    return out;
}

QMenu* TopMenu(TFormMain* main, int i)
{
    return main->menuBar()->actions().at(i)->menu();
}

} // namespace

class MenuTest : public QObject {
    Q_OBJECT
  private slots:
    void menuBarHasEveryEntry()
    {
        Harness h;
        QVERIFY(h.Start());
        TFormMain* m = h.Main();
        QStringList tops;
        for (QAction* a : m->menuBar()->actions())
            tops << a->text();
        QCOMPARE(tops, (QStringList{QStringLiteral("&File"), QStringLiteral("&Edit"), QStringLiteral("&Sort"),
                                    QStringLiteral("&Help")}));
        QCOMPARE(
            Describe(TopMenu(m, 0)),
            (QStringList{QStringLiteral("New Library|"), QStringLiteral("-"),
                         QStringLiteral("&Load Library|Ctrl+L"), QStringLiteral("&Save Library|Ctrl+S"),
                         QStringLiteral("Save Library &As|"), QStringLiteral("-"), QStringLiteral("&Import>"),
                         QStringLiteral("from &PubMed|Ctrl+I"), QStringLiteral("watch Clipboard for &ID|"),
                         QStringLiteral("<"), QStringLiteral("&Export>"), QStringLiteral("to &HTML|"),
                         QStringLiteral("to Clipboard|Ctrl+Alt+C"), QStringLiteral("<"), QStringLiteral("-"),
                         QStringLiteral("|"), QStringLiteral("-"), QStringLiteral("&Quit|Ctrl+Q")}));
        QCOMPARE(Describe(TopMenu(m, 1)),
                 (QStringList{
                     QStringLiteral("&Delete Item|Shift+Del"), QStringLiteral("&New Item\tCtrl+Ins|"),
                     QStringLiteral("Add &Custom Field|Shift+Ins"),
                     QStringLiteral("Add &Folder location|Ctrl+F"), QStringLiteral("Add &Keywords|Ctrl+K"),
                     QStringLiteral("-"), QStringLiteral("C&heck Consistency|"), QStringLiteral("View &Log|"),
                     QStringLiteral("Show &Notes Window|Ctrl+N"), QStringLiteral("&Options|Ctrl+O")}));
        QCOMPARE(Describe(TopMenu(m, 2)),
                 (QStringList{QStringLiteral("by &Title|"), QStringLiteral("by &Author|"),
                              QStringLiteral("by &Year|"), QStringLiteral("by &Journal|"),
                              QStringLiteral("by T&ype|"), QStringLiteral("by &Reference|"),
                              QStringLiteral("&Filter|Ctrl+Alt+F")}));
        QCOMPARE(Describe(TopMenu(m, 3)),
                 (QStringList{QStringLiteral("Manual|"), QStringLiteral("&About|")}));
        for (QAction* a : m->findChildren<QAction*>())
            QVERIFY2(a->isEnabled(), qPrintable(a->objectName()));
    }

    void hiddenEntriesLiveOnTheWindowOnly()
    {
        Harness h;
        QVERIFY(h.Start());
        TFormMain* m = h.Main();
        for (QAction* hidden : {m->mnuImportfC, m->HideWindow1}) {
            QVERIFY(m->actions().contains(hidden));
            for (QAction* top : m->menuBar()->actions())
                QVERIFY(!Describe(top->menu()).join(QLatin1Char(' ')).contains(hidden->text()));
        }
        QCOMPARE(m->mnuImportfC->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Insert));
        QCOMPARE(m->HideWindow1->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_T));
        // Ctrl+Ins belongs to the import alone, so the key is never ambiguous.
        QVERIFY(m->AddItem->shortcut().isEmpty());
    }

    void sortEntriesAreOneRadioGroupThatCanBeSwitchedOff()
    {
        Harness h;
        QVERIFY(h.Start());
        TFormMain* m = h.Main();
        QCOMPARE(m->SortGroup->actions().size(), 6);
        QVERIFY(!m->SortGroup->actions().contains(m->Filter1));
        QVERIFY(m->Filter1->isCheckable());
        m->byYear->trigger();
        QCOMPARE(m->SortKey(), QStringLiteral("year"));
        m->byTitle->trigger();
        QVERIFY(!m->byYear->isChecked());
        QCOMPARE(m->SortKey(), QStringLiteral("title"));
        QCOMPARE(h.s.Settings.Read("sorting"), std::string("title"));
        m->byTitle->trigger();
        QCOMPARE(m->SortKey(), QStringLiteral("*none*"));
        QCOMPARE(h.s.Settings.Read("sorting"), std::string("*none*"));
    }

    void lettersRunTheirCommands()
    {
        Harness h;
        QVERIFY(h.Start());
        TFormMain* m = h.Main();
        h.SetLibrary({MakeItem("book", "b", {{"year", "2001"}}), MakeItem("book", "a", {{"year", "1999"}})});
        m->show();
        m->Items->setFocus();
        QTest::keyClick(m->Items, Qt::Key_Y);
        QVERIFY(m->byYear->isChecked());
        QCOMPARE(h.s.Settings.Read("sorting"), std::string("year"));
        QTest::keyClick(m->Items, Qt::Key_Y, Qt::ShiftModifier); // 'Y' toggles it off again
        QVERIFY(!m->byYear->isChecked());
        QCOMPARE(h.s.Settings.Read("sorting"), std::string("*none*"));
        QTest::keyClicks(m->Items, QStringLiteral("R"));
        QVERIFY(m->byRef->isChecked());
        QTest::keyClick(m->Items, Qt::Key_F);
        QVERIFY(m->Filter1->isChecked());
        QVERIFY(h.Options()->Filtering->isChecked());
        QCOMPARE(h.s.Settings.Read("filtering"), std::string("yes"));
        QTest::keyClick(m->Items, Qt::Key_V);
        QVERIFY(h.Log()->isVisible());
        h.Log()->hide();
        QTest::keyClick(m->Items, Qt::Key_O);
        QVERIFY(h.Options()->isVisible());
        QVERIFY(!m->isEnabled());
        h.Options()->DismissClick();
        QVERIFY(m->isEnabled());
    }

    void unmappedCharactersAreSwallowed()
    {
        Harness h;
        QVERIFY(h.Start());
        TFormMain* m = h.Main();
        h.SetLibrary({MakeItem("book", "c1", {}), MakeItem("book", "c2", {}), MakeItem("book", "d", {})});
        m->show();
        m->SelectLine(0);
        m->Items->setFocus();
        // Type-ahead would jump to "c2" or "d"; 'c', '5', blank and Enter do nothing.
        for (Qt::Key k : {Qt::Key_C, Qt::Key_5, Qt::Key_Space, Qt::Key_Return, Qt::Key_G})
            QTest::keyClick(m->Items, k);
        QCOMPARE(m->SelectedLine(), 0);
        QVERIFY(h.dialogs.errors.isEmpty());
        // Arrow keys still move the selection.
        QTest::keyClick(m->Items, Qt::Key_Down);
        QCOMPARE(m->SelectedLine(), 1);
    }

    void theListHasTheFocusAfterTheStart()
    {
        Harness h;
        QVERIFY(h.Start());
        h.Main()->show();
        h.Main()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(h.Main()));
        QCOMPARE(QApplication::focusWidget(), h.Main()->Items);
    }

    void lettersTypedIntoNavigatorEditIt()
    {
        Harness h;
        QVERIFY(h.Start());
        TFormMain* m = h.Main();
        m->show();
        m->Navigator->setFocus();
        QTest::keyClicks(m->Navigator, QStringLiteral("yq"));
        QCOMPARE(m->Navigator->text(), QStringLiteral("yq"));
        QVERIFY(!m->byYear->isChecked());
        QVERIFY(m->isVisible());
    }

    void quitLetterStartsShutdown()
    {
        Harness h;
        QVERIFY(h.Start());
        TFormMain* m = h.Main();
        QSignalSpy closed(m, &TFormMain::closed);
        m->show();
        h.s.LibraryChanged = true;
        h.dialogs.yesNo.push_back(false);
        QTest::keyClick(m->Items, Qt::Key_X);
        QCOMPARE(h.dialogs.questions,
                 QStringList{QStringLiteral("Library has changed since last save. Save now?")});
        QCOMPARE(closed.count(), 1);
    }
};

QTEST_MAIN(MenuTest)
#include "menu_test.moc"
