// Pictures of the main window, every options tab, the item editor and the
// notes window, as a user sees them: each must hold more than one colour.
// With LORIX_SCREENSHOT_DIR set they are saved there (the docs/ pictures).
#include "ui/formnotes.h"
#include "uitest.h"

#include <QImage>
#include <QtTest>

using namespace lorix;
using namespace lorix::test;

namespace {

void Picture(QWidget* w, const QString& name)
{
    QVERIFY(QTest::qWaitForWindowExposed(w));
    QTest::qWait(20);
    const QImage img = w->grab().toImage();
    bool content = false;
    for (int y = 0; y < img.height() && !content; y += 3)
        for (int x = 0; x < img.width() && !content; x += 3)
            content = img.pixel(x, y) != img.pixel(0, 0);
    QVERIFY2(content, qPrintable(name));
    const QString dir = qEnvironmentVariable("LORIX_SCREENSHOT_DIR");
    if (!dir.isEmpty())
        QVERIFY(img.save(dir + QLatin1Char('/') + name));
}

} // namespace

class ScreenshotTest : public QObject {
    Q_OBJECT
  private slots:
    void windows()
    {
        Harness h(Overrides{{"filename", "sample.bib"},
                            {"displaynotes", "0"},
                            {"main.width", "900"},
                            {"main.height", "480"}});
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
        const Bibitem book = MakeItem("book", "knuth:1984",
                                      {{"author", "Knuth, D. E."},
                                       {"editor", "Someone"},
                                       {"title", "The TeXbook"},
                                       {"year", "1984"},
                                       {"doi", "10.1000/1"}});
        h.s.NotesList = {"knuth:1984", "Read chapter 8 on boxes and glue before the talk."};
        h.Main()->AfterLoad();
        TFormMain* m = h.Main();
        m->show();
        m->Navigator->setText(QStringLiteral("lam"));
        Picture(m, QStringLiteral("main-window.png"));

        TFormOptions* o = h.Options();
        o->mnuOptionsClick();
        const char* const tabs[] = {"filter", "log", "save", "exiting", "display", "export"};
        QCOMPARE(o->Options->count(), int(std::size(tabs)));
        for (int i = 0; i < o->Options->count(); ++i) {
            o->Options->setCurrentIndex(i);
            Picture(o, QStringLiteral("options-%1.png").arg(QString::fromLatin1(tabs[i])));
        }
        o->DismissClick();

        // A book with a conflict and a note: the editor's colours and the memo.
        h.SetLibrary({book});
        h.Select(0);
        h.Display()->resize(460, 820);
        Picture(h.Display(), QStringLiteral("item-editor.png"));
        Picture(h.program->W().Notes, QStringLiteral("notes-window.png"));
    }
};

QTEST_MAIN(ScreenshotTest)
#include "screenshot_test.moc"
