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
    auto created = [this](const QWidget* window) { m_ctx.created << window->objectName(); };

    m_main = std::make_unique<TFormMain>(m_ctx);
    w.Main = m_main.get();
    created(w.Main);
    if (!w.Main->FormCreate(iniPath))
        return false;

    m_about = std::make_unique<TFormAbout>(m_ctx);
    w.About = m_about.get();
    created(w.About);
    w.Main->Run([&w] { w.About->FormCreate(); });

    m_display = std::make_unique<TFormDisplay>(m_ctx);
    w.Display = m_display.get();
    created(w.Display);
    w.Main->Run([&w] { w.Display->FormCreate(); });

    m_options = std::make_unique<TFormOptions>(m_ctx);
    w.Options = m_options.get();
    created(w.Options);
    QObject::connect(w.Options, &TFormOptions::filteringChanged, w.Main, &TFormMain::ShowFiltering);
    w.Main->Run([&w] { w.Options->FormCreate(); });

    m_log = std::make_unique<TFormLog>(m_ctx);
    w.Log = m_log.get();
    created(w.Log);

    m_custom = std::make_unique<TFormCustom>(m_ctx);
    w.Custom = m_custom.get();
    created(w.Custom);

    m_print = std::make_unique<TFormPrint>(m_ctx);
    w.Print = m_print.get();
    created(w.Print);

    m_notes = std::make_unique<TFormNotes>(m_ctx);
    w.Notes = m_notes.get();
    created(w.Notes);
    w.Main->Run([&w] { w.Notes->FormCreate(); });

    // Ctrl+T (hide or show the main window) from every window of the
    // program: with the main window hidden its own shortcut would be dead.
    for (QWidget* other :
         std::initializer_list<QWidget*>{w.About, w.Display, w.Options, w.Log, w.Custom, w.Print, w.Notes})
        w.Main->ShareHideWindowKey(other);

    // A library dropped on the main window or the item editor is loaded.
    const auto open = [&w](const QString& name) { w.Main->Run([&w, name] { w.Main->OpenLibrary(name); }); };
    AcceptLibraryDrops(w.Main, open);
    AcceptLibraryDrops(w.Display, open);

    // The program ends with its main window; the others go with it.
    QObject::connect(w.Main, &TFormMain::closed, w.Main, [&w] {
        for (QWidget* other : std::initializer_list<QWidget*>{w.About, w.Display, w.Options, w.Log, w.Custom,
                                                              w.Print, w.Notes})
            other->hide();
    });
    return true;
}

} // namespace lorix
