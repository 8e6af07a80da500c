// The about box and the manual command of the Help menu.
#include "ui/formabout.h"
#include "uitest.h"

#include <QtTest>

using namespace lorix;
using namespace lorix::test;

class AboutTest : public QObject {
    Q_OBJECT
  private slots:
    void buildCaptionTakesTheFourthVersionComponent()
    {
        const std::pair<const char*, const char*> cases[] = {
            {"0.99.0.17", "Build 17"}, {"0.99.0", "Build "}, {"", "Build "}, {"1.2.3.4.5", "Build 4"}};
        for (auto [version, caption] : cases)
            QCOMPARE(BuildCaption(QString::fromLatin1(version)), QString::fromLatin1(caption));
    }

    void aboutDisablesBothWindowsUntilItsButtonCloses()
    {
        Harness h;
        QVERIFY(h.Start());
        TFormAbout* about = h.program->W().About;
        QCOMPARE(about->windowTitle(), QStringLiteral("Lorix for Windows V0.99"));
        QVERIFY(about->Build->text().startsWith(QStringLiteral("Build ")));
        QVERIFY(h.Main()->mnuAbout->isEnabled());
        h.Main()->mnuAbout->trigger();
        QVERIFY(about->isVisible());
        QVERIFY(!h.Main()->isEnabled());
        QVERIFY(!h.Display()->isEnabled());
        QTest::mouseClick(about->OK, Qt::LeftButton);
        QVERIFY(!about->isVisible());
        QVERIFY(h.Main()->isEnabled());
        QVERIFY(h.Display()->isEnabled());
    }

    void manualOpensThePageOfTheProgramFolder()
    {
        Harness h;
        QVERIFY(h.Start());
        QVERIFY(h.Main()->Contents1->isEnabled());
        h.Main()->Contents1->trigger();
        QCOMPARE(h.shell.opened, QStringList{QString::fromStdString(h.dir.path() + "/manual/lorix.html")});
    }
};

QTEST_MAIN(AboutTest)
#include "about_test.moc"
