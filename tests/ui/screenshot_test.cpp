// Pictures of the main window, every options tab, the item editor and the
// notes window on the sample library, as a user sees them: each must hold more
// than one colour.
// With LORIX_SCREENSHOT_DIR set they are saved there (the docs/ pictures).
#include "uitest.h"

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
        Harness h(Overrides{{"filename", "sample.bib"}, {"displaynotes", "0"}, {"main.height", "480"}});
        for (const char* f : {"sample.bib", "sample.not"})
            WriteFile(h.dir.file(f), ReadFile(std::string(LORIX_SOURCE_DIR "/data/") + f));
        QVERIFY(h.Start());
        TFormMain* m = h.Main();
        m->show();
        h.Navigator()->setText(QStringLiteral("watson"));
        Picture(m, QStringLiteral("main-window.png"));

        TFormOptions* o = h.Options();
        o->mnuOptionsClick();
        auto* pages = Find<QTabWidget>(o, "Options");
        const QStringList tabs = QStringLiteral("filter log save exiting display export").split(u' ');
        QCOMPARE(pages->count(), tabs.size());
        for (int i = 0; i < pages->count(); ++i) {
            pages->setCurrentIndex(i);
            Picture(o, QStringLiteral("options-%1.png").arg(tabs[i]));
        }
        o->DismissClick();

        // An item with a note (watson:1953): the memo.
        h.Select(m->SelectedLine());
        Picture(h.Notes(), QStringLiteral("notes-window.png"));

        // A book with both author and editor and its publisher emptied: the
        // editor's colours for a pair conflict and a missing required field.
        h.Navigator()->setText(QStringLiteral("feynman"));
        h.Select(m->SelectedLine());
        h.Editor(h.RowOf("publisher"))->clear();
        h.Select(m->SelectedLine());
        h.Display()->resize(460, 820);
        Picture(h.Display(), QStringLiteral("item-editor.png"));
    }
};

QTEST_MAIN(ScreenshotTest)
#include "screenshot_test.moc"
