// Pictures of the main window and of every options tab, taken as a user
// would see them. The test checks that each picture holds more than one
// colour; with LORIX_SCREENSHOT_DIR set it also saves them there.
#include "uitest.h"

#include <QImage>
#include <QtTest>

using namespace lorix;
using namespace lorix::test;

namespace {

bool HasContent(const QImage& img)
{
    const QRgb first = img.pixel(0, 0);
    for (int y = 0; y < img.height(); y += 3)
        for (int x = 0; x < img.width(); x += 3)
            if (img.pixel(x, y) != first)
                return true;
    return false;
}

void Keep(const QImage& img, const QString& name)
{
    const QString dir = qEnvironmentVariable("LORIX_SCREENSHOT_DIR");
    if (!dir.isEmpty())
        QVERIFY(img.save(dir + QLatin1Char('/') + name));
}

} // namespace

class ScreenshotTest : public QObject {
    Q_OBJECT
  private slots:
    void mainWindowAndOptionsTabs()
    {
        Harness h(Overrides{{"filename", "sample.bib"}, {"main.width", "900"}, {"main.height", "480"}});
        QVERIFY(h.Start());
        h.s.Settings.Write("filename", "sample.bib");
        h.s.Bib.Library = {
            MakeItem("article", "Knuth:1974",
                     {{"author", "Donald E. Knuth"},
                      {"title", "Structured Programming with go to Statements"},
                      {"year", "1974"},
                      {"journal", "Computing Surveys"}}),
            MakeItem("book", "Lamport:1994",
                     {{"author", "Leslie Lamport"},
                      {"title", "LaTeX: A Document Preparation System"},
                      {"year", "1994"},
                      {"publisher", "Addison-Wesley"}}),
            MakeItem("inproceedings", "Dijkstra:1968",
                     {{"author", "Edsger W. Dijkstra"},
                      {"title", "Go To Statement Considered Harmful"},
                      {"year", "1968"},
                      {"folder", "papers"}}),
            MakeItem("article", "M\xC3\xBCller:2003",
                     {{"author", "J\xC3\xBCrgen M\xC3\xBCller"},
                      {"title", "\xC3\x9C"
                                "ber Listen"},
                      {"year", "2003"}}),
            MakeItem(
                "techreport", "Ritchie:1978",
                {{"author", "Dennis M. Ritchie"}, {"title", "The C Programming Language"}, {"year", "1978"}}),
        };
        h.Main()->AfterLoad();
        TFormMain* m = h.Main();
        m->show();
        m->activateWindow();
        QVERIFY(QTest::qWaitForWindowExposed(m));
        m->Navigator->setText(QStringLiteral("lam"));
        QTest::qWait(50);
        const QImage main = m->grab().toImage();
        QVERIFY(HasContent(main));
        Keep(main, QStringLiteral("main-window.png"));

        TFormOptions* o = h.Options();
        o->mnuOptionsClick();
        QVERIFY(QTest::qWaitForWindowExposed(o));
        const char* const names[] = {"filter", "log", "save", "exiting", "display", "export"};
        for (int i = 0; i < o->Options->count(); ++i) {
            o->Options->setCurrentIndex(i);
            QTest::qWait(20);
            const QImage tab = o->grab().toImage();
            QVERIFY(HasContent(tab));
            Keep(tab, QStringLiteral("options-%1.png").arg(QString::fromLatin1(names[i])));
        }
        o->DismissClick();
    }
};

QTEST_MAIN(ScreenshotTest)
#include "screenshot_test.moc"
