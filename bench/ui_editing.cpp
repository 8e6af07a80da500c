// Item editor timings on a library of 100,000 entries, headless, medians:
//   ShowItem of a selected entry, processed     (limit 5 ms)
//   a distant line selected and shown           (limit 5 ms)
//   the Down key in the list, next item shown   (limit 5 ms)
//   one keystroke in a field editor, processed (limit 5 ms)
//   the Check Consistency command              (limit 2 s)
// References: a repaint of the unchanged windows; a keystroke into a bare
// editor of the same kind; a refresh of the whole list.
#include "core/settings.h"
#include "ui/formdisplay.h"
#include "ui/formmain.h"
#include "ui/program.h"
#include "ui/scripted.h"
#include "uitiming.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QListView>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <cstdio>
#include <string>

using namespace lorix;
using namespace lorix::bench;

namespace {

constexpr int kEntries = 100000;

Bibitem Entry(int i)
{
    Bibitem b;
    b.ItemType = i % 3 ? "article" : "book";
    b.Reference = "author" + std::to_string(i % 90000) + ":" + std::to_string(1950 + i % 70);
    b.Fields = {{"author", "Author " + std::to_string(i % 977) + " and Other, B.", false},
                {"title", "Title number " + std::to_string(i) + " about a thing", false},
                {"journal", "Journal " + std::to_string(i % 53), false},
                {"year", std::to_string(1950 + i % 70), false},
                {"key", "neuro vision", false}};
    return b;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    WriteBenchSettings(kNone);

    Session s;
    ScriptedDialogs dialogs;
    ScriptedClipboard clipboard;
    ScriptedShell shell;
    Program program(s, {dialogs, clipboard, shell});
    program.Start(kIniName);
    TFormMain* main = program.W().Main;
    TFormDisplay* display = program.W().Display;
    auto* items = Find<QListView>(main, QStringLiteral("Items"));
    s.Bib.Library.reserve(kEntries);
    for (int i = 0; i < kEntries; ++i)
        s.Bib.Library.push_back(Entry(i));
    for (int i = 0; i < 5000; ++i) {
        s.NotesList.push_back("author" + std::to_string(i) + ":1950");
        s.NotesList.push_back("a note");
    }
    main->AfterLoad();
    main->show();
    QApplication::processEvents();

    const double repaint = MedianMs(51, [&](int) {
        items->viewport()->update();
        display->update();
        QApplication::processEvents();
    });
    // The line is selected (and the list scrolled to it) untimed: what is
    // timed is showing the item and the repaint that follows.
    const double show = MedianMs(
        201,
        [&](int k) {
            main->SelectLine((k * 7919) % kEntries);
            QApplication::processEvents();
        },
        [&](int) {
            main->ItemsClick(items);
            QApplication::processEvents();
        });
    Report("ShowItem of a selected line", show, repaint, 5);
    // Selecting a distant line scrolls the list: its whole page is painted
    // again as well.
    const double jump = MedianMs(201, [&](int k) {
        main->SelectLine((k * 7919 + 13) % kEntries);
        main->ItemsClick(items);
        QApplication::processEvents();
    });
    Report("a distant line selected and shown", jump, repaint, 5);
    // Walking down the list with the arrow key: each press selects the next
    // line, which shows its item; now and then the list scrolls by a line.
    main->SelectLine(kEntries / 2);
    items->setFocus();
    QApplication::processEvents();
    const double down = MedianMs(201, [&](int) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
        QApplication::sendEvent(items, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_Down, Qt::NoModifier);
        QApplication::sendEvent(items, &release);
        QApplication::processEvents();
    });
    Report("Down key in the list, item shown", down, repaint, 5);

    auto type = [](QWidget* w) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_G, Qt::NoModifier, QStringLiteral("g"));
        QApplication::sendEvent(w, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_G, Qt::NoModifier, QStringLiteral("g"));
        QApplication::sendEvent(w, &release);
        QApplication::processEvents();
    };
    main->SelectLine(4241);
    main->ItemsClick(items);
    QApplication::processEvents();
    QPlainTextEdit* title = Find<QPlainTextEdit>(display, QStringLiteral("FieldEditor2"));
    QPlainTextEdit bare;
    bare.setGeometry(title->geometry());
    bare.setPlainText(title->toPlainText());
    bare.show();
    bare.setFocus();
    bare.moveCursor(QTextCursor::End);
    const double bareKey = MedianMs(201, [&](int) { type(&bare); });
    bare.hide();
    title->setFocus();
    title->moveCursor(QTextCursor::End);
    const double key = MedianMs(201, [&](int) { type(title); });
    Report("one keystroke in a field editor", key, bareKey, 5);
    std::printf("  title now %zu bytes long, editor %d chars\n",
                GetFieldValue(s.Bib.Library[4241], "title").size(), int(title->toPlainText().size()));

    s.Settings.Write(key::LogError, "no");
    const double refresh = MedianMs(5, [&](int) {
        main->RefreshList(false);
        QApplication::processEvents();
    });
    QAction* checkEntry = Find<QAction>(main, QStringLiteral("CheckConsitency1"));
    const double check = MedianMs(5, [&](int) {
        checkEntry->trigger();
        QApplication::processEvents();
    });
    Report("Check Consistency (100,000 entries)", check, refresh, 2000);
    return 0;
}
