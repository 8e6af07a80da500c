// Main window timings on a library of 100,000 entries, headless, medians:
//   start-up to the filled list from the file  (limit 1.5 s)
//   RefreshList by title, one "contains" rule  (limit 150 ms)
//   RefreshList with accents shown as letters  (limit 150 ms)
//   one Navigator keystroke                    (limit 50 ms)
// References: reading the file into memory; the same refresh unsorted; the
// same refresh with the stored text; a repaint of the list.
#include "core/fileio.h"
#include "core/settings.h"
#include "ui/formmain.h"
#include "ui/formoptions.h"
#include "ui/program.h"
#include "ui/scripted.h"
#include "uitiming.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QListView>
#include <QTemporaryDir>
#include <cstdio>
#include <memory>
#include <string>

using namespace lorix;
using namespace lorix::bench;

namespace {

constexpr int kEntries = 100000;

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

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());

    WriteBenchSettings("big.bib");
    WriteFileAtomic("big.bib", BibText());

    ScriptedDialogs dialogs;
    ScriptedClipboard clipboard;
    ScriptedShell shell;
    std::unique_ptr<Session> session;
    std::unique_ptr<Program> program;
    const double readFile = MedianMs(3, [&](int) { (void)ReadWholeFile("big.bib"); });
    const double startup = MedianMs(3, [&](int) {
        program.reset();
        session.reset();
        session = std::make_unique<Session>();
        program = std::make_unique<Program>(*session, Platform{dialogs, clipboard, shell});
        program->Start(kIniName);
        program->W().Main->show();
        QApplication::processEvents();
    });
    Session& s = *session;
    TFormMain* main = program->W().Main;
    auto* navigator = Find<QLineEdit>(main, QStringLiteral("Navigator"));
    if (s.Bib.LastItemIndex() + 1 != kEntries)
        std::printf("  note: %d entries loaded\n", s.Bib.LastItemIndex() + 1);
    Report("start-up to the filled list (file)", startup, readFile, 1500);

    auto refresh = [&](int) {
        main->RefreshList(true);
        QApplication::processEvents();
    };
    TFormOptions* options = program->W().Options;
    Find<QComboBox>(options, QStringLiteral("Filter1Field"))->setEditText(QStringLiteral("title"));
    Find<QComboBox>(options, QStringLiteral("Filter1Op"))->setEditText(QStringLiteral("contains"));
    Find<QLineEdit>(options, QStringLiteral("FilterBound1"))->setText(QStringLiteral("number 1"));
    options->SetFiltering(true);
    const double plain = MedianMs(9, refresh);
    Find<QAction>(main, QStringLiteral("byTitle"))->setChecked(true);
    const double filtered = MedianMs(9, refresh);
    std::printf("  shown: %zu lines\n", s.ShownItems.size());
    Report("RefreshList by title, one contains rule", filtered, plain, 150);

    options->SetFiltering(false);
    Find<QAction>(main, QStringLiteral("byTitle"))->setChecked(false);
    // Every title and author with LaTeX to convert, shown as letters or as stored.
    for (Bibitem& b : s.Bib.Library)
        for (Bibfield& f : b.Fields)
            if (f.Name == "title" || f.Name == "author")
                f.Value = "{\\\"U}ber {DNA}~-- " + f.Value;
    const double stored = MedianMs(9, refresh);
    Find<QCheckBox>(options, QStringLiteral("ShowAccents"))->setChecked(true);
    const double letters = MedianMs(9, refresh);
    Find<QCheckBox>(options, QStringLiteral("ShowAccents"))->setChecked(false);
    Report("RefreshList, accents shown as letters", letters, stored, 150);

    main->RefreshList(false);
    QWidget* listArea = Find<QListView>(main, QStringLiteral("Items"))->viewport();
    const double repaint = MedianMs(9, [&](int) {
        listArea->update();
        QApplication::processEvents();
    });
    const QString last = QString::fromStdString(s.Bib.Library[s.ShownItems.back()].Reference);
    std::vector<double> found;
    for (int run = 0; run < 9; ++run) {
        navigator->setText(last.left(last.size() - 1));
        QApplication::processEvents();
        found.push_back(MedianMs(1, [&](int) {
            navigator->setText(last); // found on the last line
            QApplication::processEvents();
        }));
    }
    std::nth_element(found.begin(), found.begin() + 4, found.end());
    Report("Navigator keystroke, match on the last line", found[4], repaint, 50);
    navigator->setText(QStringLiteral("zz"));
    const double miss = MedianMs(9, [&](int k) {
        navigator->setText(k % 2 ? QStringLiteral("zz") : QStringLiteral("zzq")); // every line looked at
        QApplication::processEvents();
    });
    Report("Navigator keystroke, no match", miss, repaint, 50);
    if (!dialogs.errors.isEmpty())
        std::printf("  note: %s\n", dialogs.errors.first().toStdString().c_str());
    return 0;
}
