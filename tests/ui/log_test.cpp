// The log window: a view of LogList, cleared by "Clear Log".
#include "uitest.h"

#include <QPlainTextEdit>
#include <QtTest>

using namespace lorix;
using namespace lorix::test;

class LogTest : public QObject {
    Q_OBJECT
  private slots:
    void viewLogShowsTheNewestLinesAndClearEmptiesBoth()
    {
        Harness h;
        QVERIFY(h.Start());
        TFormLog* log = h.Log();
        QCOMPARE(log->windowTitle(), QStringLiteral("Logfile"));
        QVERIFY(!(log->windowFlags() & Qt::WindowCloseButtonHint));
        QCOMPARE(log->ClearLog->text(), QStringLiteral("Clear Log"));
        QCOMPARE(log->Dismiss->text(), QStringLiteral("Dismiss"));
        h.s.Log.LogList = {"first", "second"};
        h.Main()->ViewLog1->trigger();
        QVERIFY(log->isVisible());
        QCOMPARE(log->Logmemo->toPlainText(), QStringLiteral("first\nsecond"));
        QVERIFY(log->Logmemo->textCursor().atEnd());
        // Typed text is not kept: entering the memo shows LogList again.
        log->Logmemo->setPlainText(QStringLiteral("typed"));
        log->LogmemoEnter();
        QCOMPARE(log->Logmemo->toPlainText(), QStringLiteral("first\nsecond"));
        QTest::mouseClick(log->ClearLog, Qt::LeftButton);
        QVERIFY(h.s.Log.LogList.empty());
        QCOMPARE(log->Logmemo->toPlainText(), QString());
        h.s.Status("later");
        log->LogmemoEnter();
        QVERIFY(log->Logmemo->toPlainText().endsWith(QStringLiteral("later")));
        QTest::mouseClick(log->Dismiss, Qt::LeftButton);
        QVERIFY(!log->isVisible());
    }

    void layoutFollowsTheWindowSize()
    {
        Harness h;
        QVERIFY(h.Start());
        TFormLog* log = h.Log();
        log->resize(500, 300);
        log->FormResize();
        QCOMPARE(log->Logmemo->width(), 475);
        QCOMPARE(log->Logmemo->height(), 224);
        QCOMPARE(log->ClearLog->geometry().topLeft(), QPoint(324, 240));
        QCOMPARE(log->Dismiss->geometry().topLeft(), QPoint(404, 240));
    }

    void statusLineFollowsTheSwitches()
    {
        Harness h(Overrides{{"disp.status", "no"}});
        QVERIFY(h.Start());
        h.s.Status("quiet");
        QCOMPARE(h.Main()->Status->text(), QStringLiteral("Status"));
        h.s.Error("loud");
        QCOMPARE(h.Main()->Status->text(), QStringLiteral("loud"));
    }
};

QTEST_MAIN(LogTest)
#include "log_test.moc"
