// New Library, loading and saving through the dialogs, and the shutdown.
#include "uitest.h"

#include <QtTest>

using namespace lorix;
using namespace lorix::test;

namespace {

bool IniHasLine(const std::string& ini, const std::string& line)
{
    return ("\n" + ini).find("\n" + line + "\n") != std::string::npos;
}

bool IniHasKey(const std::string& ini, const std::string& key)
{
    return ("\n" + ini).find("\n" + key + "=") != std::string::npos;
}

} // namespace

class ShutdownTest : public QObject {
    Q_OBJECT
  private slots:
    void newLibrary_data()
    {
        QTest::addColumn<QString>("datapath");
        QTest::addColumn<QString>("expected");
        QTest::newRow("folder") << "d:\\bib\\"
                                << "d:\\bib\\new.bib";
        QTest::newRow("none") << "*none*"
                              << "new.bib";
    }
    void newLibrary()
    {
        QFETCH(QString, datapath);
        QFETCH(QString, expected);
        Harness h(Overrides{
            {"datapath", datapath.toStdString()}, {"filename", "old.bib"}, {"lastfile", "older.bib"}});
        QVERIFY(h.Start());
        h.dialogs.errors.clear(); // old.bib does not exist
        h.SetLibrary({MakeItem("book", "a", {})});
        h.s.Bib.Blocks = {"@string{x = \"y\"}"};
        h.s.Bib.TrailingText = "tail";
        h.s.LibraryChanged = true;
        h.Main()->NewLibrary1->trigger();
        QCOMPARE(h.s.Settings.Read("filename"), expected.toStdString());
        QCOMPARE(h.s.Settings.Read("lastfile"), std::string("old.bib"));
        QCOMPARE(h.Main()->Heading->text(), expected + QStringLiteral(": 0 items."));
        QCOMPARE(h.Main()->ItemLines->rowCount(), 0);
        QVERIFY(h.s.Bib.Library.empty());
        QVERIFY(h.s.Bib.Blocks.empty());
        QVERIFY(h.s.Bib.TrailingText.empty());
        QVERIFY(h.s.LibraryChanged); // unchanged, no question asked
        QVERIFY(h.dialogs.questions.isEmpty());
        QCOMPARE(h.Main()->LastFile->text(), QStringLiteral("older.bib"));
    }

    void closeAsksAndWritesEverything()
    {
        Harness h(Overrides{{"switchsortingoff", "yes"},
                            {"switchfilteringoff", "yes"},
                            {"filtering", "yes"},
                            {"logfile", "run.log"},
                            {"writelog", "yes"}});
        QVERIFY(h.Start());
        QSignalSpy closed(h.Main(), &TFormMain::closed);
        h.Main()->show();
        h.Main()->move(100, 120);
        h.Main()->resize(700, 500);
        h.s.LibraryChanged = true;
        h.dialogs.yesNo.push_back(false); // drop the changes
        QVERIFY(h.Main()->close());
        QCOMPARE(closed.count(), 1);
        QCOMPARE(h.dialogs.questions,
                 QStringList{QStringLiteral("Library has changed since last save. Save now?")});
        const std::string ini = h.IniOnDisk();
        QVERIFY(!IniHasKey(ini, "sorting"));
        QVERIFY(IniHasLine(ini, "filtering=no"));
        QVERIFY(IniHasLine(ini, "main.width=700"));
        QVERIFY(IniHasLine(ini, "main.height=500"));
        QVERIFY(IniHasLine(ini, "display.width=460")); // never shown: as created
        QVERIFY(IniHasLine(ini, "notes.top=790"));
        QVERIFY(Exists(h.dir.file("run.log")));
        QVERIFY(!Exists(h.dir.file("*none*")));
    }

    void closeWithoutChangesAsksNothingAndKeepsGeometryWhenNotSaved()
    {
        Harness h(Overrides{{"savesize", "no"}, {"writelog", "yes"}});
        QVERIFY(h.Start());
        h.Main()->resize(333, 222);
        QVERIFY(h.Main()->close());
        QVERIFY(h.dialogs.questions.isEmpty());
        const std::string ini = h.IniOnDisk();
        QVERIFY(IniHasLine(ini, "main.width=900"));
        QVERIFY(!Exists(h.dir.file("*none*"))); // logfile "*none*": no log written
    }

    void failedSaveKeepsTheWindowOpen()
    {
        Harness h(Overrides{{"autosave", "yes"}, {"filename", "no/such/folder/lib.bib"}});
        QVERIFY(h.Start());
        h.dialogs.errors.clear();
        QSignalSpy closed(h.Main(), &TFormMain::closed);
        h.Main()->show();
        h.s.LibraryChanged = true;
        const std::string before = h.IniOnDisk();
        QVERIFY(!h.Main()->close());
        QCOMPARE(closed.count(), 0);
        QVERIFY(h.Main()->isVisible());
        QCOMPARE(h.dialogs.errors.size(), 1);
        QVERIFY(h.s.LibraryChanged);
        QCOMPARE(h.IniOnDisk(), before); // nothing of the later steps happened
    }

    void failedSettingsWriteKeepsTheWindowOpen()
    {
        Harness h;
        QVERIFY(h.Start());
        QSignalSpy closed(h.Main(), &TFormMain::closed);
        h.Main()->show();
        h.s.ProgramDir = h.dir.file("gone"); // no such folder: lorix.ini cannot be written
        QVERIFY(!h.Main()->close());
        QCOMPARE(closed.count(), 0);
        QCOMPARE(h.dialogs.errors.size(), 1);
        h.s.ProgramDir = h.dir.path(); // the user can try again
        QVERIFY(h.Main()->close());
        QCOMPARE(closed.count(), 1);
    }

    void saveWithoutANameAsksForOne()
    {
        Harness h;
        QVERIFY(h.Start());
        h.SetLibrary({MakeItem("book", "a", {})});
        h.dialogs.files.push_back(QString()); // cancelled
        QVERIFY(h.Main()->Run([&] { h.Main()->mnuSave->trigger(); }));
        QCOMPARE(h.dialogs.fileTitles, QStringList{QStringLiteral("Enter filename to save")});
        QCOMPARE(h.s.Settings.Read("filename"), std::string("*none*"));
        QVERIFY(!Exists(h.dir.file("*none*")));
        QCOMPARE(h.dialogs.fileFolders, QStringList{QStringLiteral("./")});
    }

    void saveAsAppendsBibToADotlessOwnName_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("stored");
        QTest::newRow("plain") << "out"
                               << "out.bib";
        QTest::newRow("dotted folder") << "sub.d/out"
                                       << "sub.d/out.bib";
        QTest::newRow("own dot") << "out.txt"
                                 << "out.txt";
    }
    void saveAsAppendsBibToADotlessOwnName()
    {
        QFETCH(QString, chosen);
        QFETCH(QString, stored);
        Harness h;
        QVERIFY(h.Start());
        h.SetLibrary({MakeItem("book", "a", {}), MakeItem("book", "b", {})});
        h.dialogs.files.push_back(chosen);
        h.Main()->mnuSaveAs->trigger(); // the writer may fail: the name is taken first
        QCOMPARE(h.s.Settings.Read("filename"), stored.toStdString());
        QCOMPARE(h.Main()->Heading->text(), stored + QStringLiteral(": 2 items."));
        QCOMPARE(h.s.Settings.Read("lastfile"), std::string("*none*"));
    }

    void loadAndLastFileExchangeTheNames()
    {
        Harness h(Overrides{{"filename", "one.bib"}, {"datapath", "data/"}});
        QVERIFY(h.Start());
        h.dialogs.files.push_back(QStringLiteral("two.bib"));
        h.Main()->mnuLoad->trigger();
        QCOMPARE(h.dialogs.fileFilters, QStringList{QStringLiteral("BibTeX Library (*.bib)")});
        QCOMPARE(h.dialogs.fileFolders, QStringList{QStringLiteral("data/")});
        QCOMPARE(h.s.Settings.Read("filename"), std::string("two.bib"));
        QCOMPARE(h.s.Settings.Read("lastfile"), std::string("one.bib"));
        QCOMPARE(h.Main()->LastFile->text(), QStringLiteral("one.bib"));
        h.Main()->LastFile->trigger();
        QCOMPARE(h.s.Settings.Read("filename"), std::string("one.bib"));
        QCOMPARE(h.s.Settings.Read("lastfile"), std::string("two.bib"));
        QCOMPARE(h.Main()->LastFile->text(), QStringLiteral("two.bib"));
        // A cancelled dialog changes nothing.
        h.Main()->mnuLoad->trigger();
        QCOMPARE(h.s.Settings.Read("filename"), std::string("one.bib"));
    }
};

QTEST_MAIN(ShutdownTest)
#include "shutdown_test.moc"
