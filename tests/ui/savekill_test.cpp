// Saves from the main window killed at random moments. The test runs this
// executable again as the program: started on a library with backup on, it
// changes the last entry and saves through the Save menu entry, over and
// over, until the test kills it. After every kill the library is one whole
// save, and its backup the save before it or the same one.
#include "core/fileio.h"
#include "uitest.h"

#include <QtTest>
#include <csignal>
#include <random>
#include <sys/wait.h>

using namespace lorix;
using namespace lorix::test;

namespace {

const int kEntries = 20000; // about 1 MB

// The library after the save of generation gen, exactly as the writer writes it.
std::string Library(int gen)
{
    return Repeat(kEntries, [](int i) {
               return "@article{r" + std::to_string(i) + ",\r\n  title = {T " + std::to_string(i) + "}\r\n  }\r\n\r\n";
           }) +
           "@misc{last,\r\n  gen = {" + std::to_string(gen) + "}\r\n  }\r\n\r\n";
}

// The generation of a whole library text, or -1.
int Generation(const std::string& text)
{
    const size_t at = text.rfind("gen = {");
    if (at == std::string::npos)
        return -1;
    const int gen = std::atoi(text.c_str() + at + 7);
    return text == Library(gen) ? gen : -1;
}

// The program in a loop of changes and saves; returns only on a failure.
int SaveLoop(int argc, char** argv, const char* dir)
{
    QApplication app(argc, argv);
    QDir::setCurrent(QString::fromLocal8Bit(dir));
    Session s;
    ScriptedDialogs dialogs;
    ScriptedClipboard clipboard;
    ScriptedShell shell;
    Program program(s, Platform{dialogs, clipboard, shell});
    if (!program.Start(kIniName) || s.Bib.Library.empty())
        return 3;
    for (int gen = std::atoi(s.Bib.Library.back().Fields.back().Value.c_str());;) {
        s.Bib.Library.back().Fields.back().Value = std::to_string(++gen);
        s.LibraryChanged = true;
        Find<QAction>(program.W().Main, "mnuSave")->trigger();
        if (!dialogs.errors.isEmpty() || s.LibraryChanged)
            return 4;
    }
}

} // namespace

class SaveKillTest : public QObject {
    Q_OBJECT
  private slots:
    void killedAtRandomMomentsOfSavesFromTheWindow()
    {
        TempDir dir;
        WriteIni(dir.file("lorix.ini"), {{"filename", "lib.bib"}, {"backup", "yes"}, {"savesorted", "no"}});
        const std::string lib = dir.file("lib.bib");
        WriteFile(lib, Library(0));
        // The program's environment, set before any fork.
        qputenv("LORIX_SAVE_LOOP", QByteArray::fromStdString(dir.path()));
        qputenv("QT_QPA_PLATFORM", "offscreen");
        char self[] = "/proc/self/exe";
        char* args[] = {self, nullptr};
        std::mt19937 rng(20261207);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(240);
        int kills = 0, gen = 0;
        while (kills < 200 && std::chrono::steady_clock::now() < deadline) {
            const pid_t pid = ::fork();
            QVERIFY(pid >= 0);
            if (pid == 0) {
                ::execv(self, args);
                ::_exit(127);
            }
            // Saving has begun once a new temporary file is there; the saves
            // then follow each other, so any moment is one of them.
            const std::set<std::string> left = TempFiles(dir.path());
            auto saving = [&] {
                const std::set<std::string> now = TempFiles(dir.path());
                return !std::includes(left.begin(), left.end(), now.begin(), now.end());
            };
            int status = 0;
            bool ended = false;
            while (!(ended = ::waitpid(pid, &status, WNOHANG) == pid) && !saving())
                ::usleep(200);
            QVERIFY2(!ended, "the program ended on its own");
            ::usleep(std::uniform_int_distribution<useconds_t>(0, 40000)(rng));
            ::kill(pid, SIGKILL);
            QCOMPARE(::waitpid(pid, &status, 0), pid);
            ++kills;
            const int now = Generation(ReadFile(lib));
            const std::string round = "round " + std::to_string(kills);
            QVERIFY2(now >= gen, (round + ": the library is no whole save").c_str());
            const int bak = now > 0 ? Generation(ReadFile(lib + ".bak")) : now;
            QVERIFY2(bak == now || bak == now - 1, (round + ": backup " + std::to_string(bak)).c_str());
            QVERIFY(TempFiles(dir.path()).size() <= 2);
            gen = now;
        }
        qunsetenv("LORIX_SAVE_LOOP");
        QVERIFY(kills >= 200);
        // A save (the library, then its notes) clears what the killed ones left.
        WriteFileAtomic(lib, Library(gen));
        WriteFileAtomic(dir.file("lib.not"), "");
        QVERIFY(TempFiles(dir.path()).empty());
    }
};

int main(int argc, char** argv)
{
    if (const char* dir = std::getenv("LORIX_SAVE_LOOP"))
        return SaveLoop(argc, argv, dir);
    QCoreApplication app(argc, argv);
    SaveKillTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "savekill_test.moc"
