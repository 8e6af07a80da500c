// Item editor timings on a library of 100,000 entries, headless:
//   ShowItem of a selected entry, processed     (limit 5 ms)
//   one keystroke in a field editor, processed (limit 5 ms)
//   the Check Consistency command              (limit 2 s)
#include "core/settings.h"
#include "ui/formdisplay.h"
#include "ui/formmain.h"
#include "ui/program.h"
#include "ui/scripted.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QListView>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <string>

using namespace lorix;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kEntries = 100000;

double Ms(Clock::time_point from)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - from).count();
}

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

void Report(const char* what, double ms, double limit)
{
    std::printf("%-44s %9.3f ms  (limit %.0f ms) %s\n", what, ms, limit, ms <= limit ? "ok" : "SLOW");
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    SettingsList st = SettingsList::LoadFromFile(std::string(LORIX_SOURCE_DIR) + "/data/lorix.ini");
    st.Write("filename", kNone);
    st.Write("logfile", kNone);
    st.Write("sorting", kNone);
    st.SaveToFile(kIniName);

    Session s;
    ScriptedDialogs dialogs;
    ScriptedClipboard clipboard;
    ScriptedShell shell;
    Program program(s, {dialogs, clipboard, shell});
    program.Start(kIniName);
    TFormMain* main = program.W().Main;
    TFormDisplay* display = program.W().Display;
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

    const int shows = 200;
    auto t0 = Clock::now();
    for (int k = 0; k < shows; ++k) {
        main->SelectLine((k * 7919) % kEntries);
        main->ItemsClick(main->Items);
        QApplication::processEvents();
    }
    Report("ShowItem of a selected line", Ms(t0) / shows, 5);

    main->SelectLine(4241);
    main->ItemsClick(main->Items);
    QApplication::processEvents();
    QPlainTextEdit* title = display->FieldEditors[2];
    title->setFocus();
    title->moveCursor(QTextCursor::End);
    const int keys = 200;
    t0 = Clock::now();
    for (int k = 0; k < keys; ++k) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_G, Qt::NoModifier, QStringLiteral("g"));
        QApplication::sendEvent(title, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_G, Qt::NoModifier, QStringLiteral("g"));
        QApplication::sendEvent(title, &release);
        QApplication::processEvents();
    }
    Report("one keystroke in a field editor", Ms(t0) / keys, 5);
    std::printf("  title now %zu bytes long, editor %d chars\n",
                GetFieldValue(s.Bib.Library[4241], "title").size(), int(title->toPlainText().size()));

    s.Settings.Write("log.error", "no");
    t0 = Clock::now();
    main->CheckConsitency1->trigger();
    QApplication::processEvents();
    Report("Check Consistency (100,000 entries)", Ms(t0), 2000);
    return 0;
}
