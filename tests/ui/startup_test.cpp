// Start-up: the window order, the refusal without settings, the first state
// of the main window.
#include "uitest.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QtTest>

using namespace lorix;
using namespace lorix::test;

class StartupTest : public QObject {
    Q_OBJECT
  private slots:
    void windowsAreCreatedOnceInOrder()
    {
        Harness h;
        QVERIFY(h.Start());
        const QStringList expected{QStringLiteral("TFormMain"),    QStringLiteral("TFormAbout"),
                                   QStringLiteral("TFormDisplay"), QStringLiteral("TFormOptions"),
                                   QStringLiteral("TFormLog"),     QStringLiteral("TFormCustom"),
                                   QStringLiteral("TFormPrint"),   QStringLiteral("TFormNotes")};
        QCOMPARE(h.program->Context().created, expected);
        QVERIFY(h.dialogs.errors.isEmpty());
        QCOMPARE(h.Main()->windowTitle(), QStringLiteral("Lorix for Windows V0.99"));
        QCOMPARE(h.Main()->Heading->text(), QStringLiteral("No loaded items."));
        QCOMPARE(h.Main()->Heading->toolTip(), QStringLiteral("Filename and number of items."));
        QCOMPARE(h.Main()->Items->toolTip(), QStringLiteral("List of filtered items."));
        QVERIFY(h.Main()->Items->uniformItemSizes());
        QVERIFY(QFontInfo(h.Main()->Items->font()).fixedPitch());
        QCOMPARE(h.Main()->Status->text(), QStringLiteral("Status"));
        // Windows that were never shown keep the geometry read at start.
        QCOMPARE(h.Main()->width(), 900);
        QCOMPARE(h.Main()->height(), 640);
        QCOMPARE(h.Main()->x(), 40);
        QCOMPARE(h.Main()->y(), 60);
        QCOMPARE(h.Display()->width(), 460);
        QCOMPARE(h.s.ProgramDir, QDir::currentPath().toStdString());
        QVERIFY(!h.s.schema.TypeTable.empty());
        QCOMPARE(h.Options()->TypeSelect->count(), static_cast<int>(h.s.schema.TypeTable.size()));
        QCOMPARE(h.Options()->TypeSelect->currentIndex(), 0);
    }

    void missingSettingsFileEndsStartWritingNothing()
    {
        Harness h({}, false);
        QVERIFY(!h.Start());
        QCOMPARE(h.dialogs.fatals,
                 QStringList{QStringLiteral("Sorry, Lorix couldn't find it's ini file. Exiting.")});
        QCOMPARE(h.program->Context().created, QStringList{QStringLiteral("TFormMain")});
        QVERIFY(h.program->W().Options == nullptr);
        QVERIFY(QDir(QString::fromStdString(h.dir.path()))
                    .entryList(QDir::NoDotAndDotDot | QDir::AllEntries)
                    .isEmpty());
    }

    void missingLogFileIsReported()
    {
        Harness h(Overrides{{"logfile", "absent.log"}});
        QVERIFY(h.Start());
        QCOMPARE(h.s.Log.LogList.size(), size_t(1));
        QVERIFY(QString::fromStdString(h.s.Log.LogList[0]).endsWith(QStringLiteral("Logfile not found")));
        QCOMPARE(h.Main()->Status->text(), QStringLiteral("Logfile not found"));
    }

    void existingLogFileIsLoadedAndLastFileCaptionSet()
    {
        Harness h(Overrides{{"logfile", "old.log"}, {"lastfile", "prev & co.bib"}});
        WriteFile(h.dir.file("old.log"), "line one\nline two\n");
        QVERIFY(h.Start());
        QCOMPARE(h.s.Log.LogList, (std::vector<std::string>{"line one", "line two"}));
        QCOMPARE(h.Main()->LastFile->text(), QStringLiteral("prev && co.bib"));
    }

    void badGeometryShowsTheErrorAndStartGoesOn()
    {
        Harness h(Overrides{{"main.top", "abc"}});
        QVERIFY(h.Start());
        QCOMPARE(h.dialogs.errors.size(), 1);
        QVERIFY(h.dialogs.errors[0].contains(QStringLiteral("abc")));
        QVERIFY(h.program->W().Notes != nullptr);
    }

    void storedSortWordChecksItsEntry_data()
    {
        QTest::addColumn<QString>("word");
        QTest::addColumn<QString>("entry");
        QTest::newRow("title") << "title"
                               << "byTitle";
        QTest::newRow("author") << "author"
                                << "byName";
        QTest::newRow("ref") << "ref"
                             << "byRef";
        QTest::newRow("other") << "Title"
                               << "";
    }
    void storedSortWordChecksItsEntry()
    {
        QFETCH(QString, word);
        QFETCH(QString, entry);
        Harness h(Overrides{{"sorting", word.toStdString()}});
        QVERIFY(h.Start());
        const QAction* checked = h.Main()->SortGroup->checkedAction();
        QCOMPARE(checked ? checked->objectName() : QString(), entry);
    }
};

QTEST_MAIN(StartupTest)
#include "startup_test.moc"
