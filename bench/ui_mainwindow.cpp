// Main window timings on a library of 100,000 entries, headless:
//   start-up to the filled list        (limit 1.5 s)
//   RefreshList by title, one "contains" rule (limit 150 ms)
//   one Navigator keystroke            (limit 50 ms)
// The start-up loads a generated file when the reader is available and fills
// the library in memory otherwise (said in the output).
#include "core/fileio.h"
#include "core/settings.h"
#include "ui/formmain.h"
#include "ui/formoptions.h"
#include "ui/program.h"
#include "ui/scripted.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
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
    b.Reference = "author" + std::to_string(i * 7919 % kEntries) + ":" + std::to_string(1950 + i % 70);
    b.Fields = {{"author", "Author " + std::to_string(i % 977) + " and Other, B.", false},
                {"title", "Title number " + std::to_string(i * 31 % kEntries) + " about a thing", false},
                {"journal", "Journal " + std::to_string(i % 53), false},
                {"year", std::to_string(1950 + i % 70), false}};
    return b;
}

std::string BibText()
{
    std::string out;
    out.reserve(kEntries * 200);
    for (int i = 0; i < kEntries; ++i) {
        const Bibitem b = Entry(i);
        out += "@" + b.ItemType + "{" + b.Reference + ",\r\n";
        for (const Bibfield& f : b.Fields)
            out += "  " + f.Name + " = {" + f.Value + "},\r\n";
        out += "}\r\n\r\n";
    }
    return out;
}

void Report(const char* what, double ms, double limit)
{
    std::printf("%-44s %9.1f ms  (limit %.0f ms) %s\n", what, ms, limit, ms <= limit ? "ok" : "SLOW");
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
    st.Write("filename", "big.bib");
    st.Write("logfile", kNone);
    st.Write("sorting", kNone);
    st.SaveToFile(kIniName);
    WriteFileAtomic("big.bib", BibText());

    Session s;
    ScriptedDialogs dialogs;
    ScriptedClipboard clipboard;
    ScriptedShell shell;
    Program program(s, {dialogs, clipboard, shell});

    auto t0 = Clock::now();
    program.Start(kIniName);
    TFormMain* main = program.W().Main;
    const bool loaded = s.Bib.LastItemIndex() + 1 == kEntries;
    if (!loaded) { // no reader yet: the same entries in memory
        s.Bib.Library.reserve(kEntries);
        for (int i = 0; i < kEntries; ++i)
            s.Bib.Library.push_back(Entry(i));
        main->AfterLoad();
    }
    main->show();
    QApplication::processEvents();
    Report(loaded ? "start-up to the filled list (file)" : "start-up to the filled list (in memory)", Ms(t0),
           1500);

    TFormOptions* options = program.W().Options;
    options->FilterField[0]->setEditText(QStringLiteral("title"));
    options->FilterOp[0]->setEditText(QStringLiteral("contains"));
    options->FilterBound[0]->setText(QStringLiteral("number 1"));
    options->SetFiltering(true);
    main->byTitle->setChecked(true);
    double best = 1e9;
    for (int run = 0; run < 5; ++run) {
        t0 = Clock::now();
        main->RefreshList(true);
        QApplication::processEvents();
        best = std::min(best, Ms(t0));
    }
    std::printf("  shown: %zu lines\n", s.ShownItems.size());
    Report("RefreshList by title, one contains rule", best, 150);

    options->SetFiltering(false);
    main->byTitle->setChecked(false);
    main->RefreshList(false);
    const std::string last = s.Bib.Library[s.ShownItems.back()].Reference;
    best = 1e9;
    for (int run = 0; run < 5; ++run) {
        main->Navigator->clear();
        t0 = Clock::now();
        main->Navigator->setText(QString::fromStdString(last)); // found on the last line
        QApplication::processEvents();
        best = std::min(best, Ms(t0));
    }
    Report("Navigator keystroke, match on the last line", best, 50);
    best = 1e9;
    for (int run = 0; run < 5; ++run) {
        main->Navigator->setText(QStringLiteral("zz"));
        t0 = Clock::now();
        main->Navigator->setText(QStringLiteral("zzq")); // no match: every line looked at
        QApplication::processEvents();
        best = std::min(best, Ms(t0));
    }
    Report("Navigator keystroke, no match", best, 50);
    if (!dialogs.errors.isEmpty())
        std::printf("  note: %s\n", dialogs.errors.first().toStdString().c_str());
    return 0;
}
