#include "ui/program.h"

#include "ui/formabout.h"
#include "ui/formcustom.h"
#include "ui/formdisplay.h"
#include "ui/formlog.h"
#include "ui/formmain.h"
#include "ui/formnotes.h"
#include "ui/formoptions.h"
#include "ui/formprint.h"
#include "ui/librarydrop.h"

#include <QDir>
#include <type_traits>
#include <vector>

namespace lorix {

ProgramArguments ParseProgramArguments(const QStringList& args, const QString& callerDir)
{
    ProgramArguments a;
    auto problem = [&a](const QString& text) {
        if (a.problem.isEmpty())
            a.problem = text;
    };
    bool options = true;
    for (const QString& word : args) {
        if (options && word == QLatin1String("--")) {
            options = false;
        } else if (options && (word == QLatin1String("-h") || word == QLatin1String("--help"))) {
            a.help = true;
        } else if (options && word == QLatin1String("--version")) {
            a.version = true;
        } else if (options && word.startsWith(QLatin1Char('-')) && word.size() > 1) {
            problem(QStringLiteral("unknown option ") + word);
        } else if (!a.library.isEmpty()) {
            problem(QStringLiteral("one library at a time: ") + word);
        } else if (word.isEmpty()) {
            problem(QStringLiteral("an empty file name"));
        } else {
            a.library =
                callerDir.isEmpty() || QDir::isAbsolutePath(word) ? word : QDir(callerDir).filePath(word);
        }
    }
    return a;
}

QString ProgramUsage()
{
    return QStringLiteral("usage: lorix [FILE]\n"
                          "       lorix --help | --version\n"
                          "Starts Lorix in its working folder (~/Lorix, or the folder $LORIX_HOME names)\n"
                          "and opens the BibTeX library FILE, as File > Load Library opens a file.\n");
}

Program::Program(Session& session, Platform platform) : m_ctx(session, platform) {}

Program::~Program()
{
    // The status line goes with the main window.
    m_ctx.s.Log.ShowStatus = nullptr;
}

bool Program::Start(const std::string& iniPath)
{
    Windows& w = m_ctx.w;
    // Each window is made, known to the others by its place in w, and its
    // name recorded in the order of the start.
    const auto make = [this](auto& owner, auto*& window) {
        owner = std::make_unique<std::remove_pointer_t<std::remove_reference_t<decltype(window)>>>(m_ctx);
        window = owner.get();
        m_ctx.created << window->objectName();
    };

    make(m_main, w.Main);
    if (!w.Main->FormCreate(iniPath))
        return false;
    make(m_about, w.About);
    w.Main->Run([&w] { w.About->FormCreate(); });
    make(m_display, w.Display);
    w.Main->Run([&w] { w.Display->FormCreate(); });
    make(m_options, w.Options);
    QObject::connect(w.Options, &TFormOptions::filteringChanged, w.Main, &TFormMain::ShowFiltering);
    w.Main->Run([&w] { w.Options->FormCreate(); });
    make(m_log, w.Log);
    make(m_custom, w.Custom);
    make(m_print, w.Print);
    make(m_notes, w.Notes);
    w.Main->Run([&w] { w.Notes->FormCreate(); });

    // Ctrl+T (hide or show the main window) from every window of the
    // program: with the main window hidden its own shortcut would be dead.
    const std::initializer_list<QWidget*> others{w.About, w.Display, w.Options, w.Log, w.Custom, w.Print, w.Notes};
    for (QWidget* other : others)
        w.Main->ShareHideWindowKey(other);

    // A library dropped on the main window or the item editor is loaded.
    const auto open = [&w](const QString& name) { w.Main->Run([&w, name] { w.Main->OpenLibrary(name); }); };
    AcceptLibraryDrops(w.Main, open);
    AcceptLibraryDrops(w.Display, open);

    // The program ends with its main window; the others go with it.
    QObject::connect(w.Main, &TFormMain::closed, w.Main, [others = std::vector<QWidget*>(others)] {
        for (QWidget* other : others)
            other->hide();
    });
    return true;
}

} // namespace lorix
