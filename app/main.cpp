// Lorix: starts the windows in their order and runs until the main window closes.
#include "core/process.h"
#include "core/settings.h"
#include "ui/formmain.h"
#include "ui/platform.h"
#include "ui/program.h"

#include <QApplication>
#include <QIcon>
#include <QPixmap>
#include <cstdio>

namespace {

void Print(std::FILE* stream, const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
}

// --help and --version are answered before Qt starts, so that they work
// without a display; false when neither was asked.
bool AnswerHelpOrVersion(const lorix::ProgramArguments& a)
{
    if (a.help)
        Print(stdout, lorix::ProgramUsage());
    else if (a.version)
        Print(stdout, QStringLiteral("lorix " LORIX_VERSION "\n"));
    return a.help || a.version;
}

} // namespace

int main(int argc, char** argv)
{
    lorix::IgnoreFileSizeSignal();
    {
        QStringList words;
        for (int i = 1; i < argc; ++i)
            words << QString::fromLocal8Bit(argv[i]);
        if (AnswerHelpOrVersion(lorix::ParseProgramArguments(words, {})))
            return 0;
    }
    // The starter names the folder the command was typed in; the program
    // itself runs in its working folder.
    const QString callerDir = qEnvironmentVariable("LORIX_CALLER_DIR");
    qunsetenv("LORIX_CALLER_DIR"); // not for the programs Lorix starts
    QApplication app(argc, argv);
    // Qt has taken its own options (-platform, -style, ...) out of argv.
    const lorix::ProgramArguments args = lorix::ParseProgramArguments(app.arguments().mid(1), callerDir);
    if (!args.problem.isEmpty()) {
        Print(stderr, QStringLiteral("lorix: ") + args.problem + QLatin1Char('\n') + lorix::ProgramUsage());
        return 2;
    }
    QApplication::setApplicationName(QStringLiteral("Lorix"));
    // The format named: Qt would otherwise try its image plugins on the file.
    QApplication::setWindowIcon(QIcon(QPixmap(QStringLiteral(":/lorix/lorix.png"), "PNG")));
    // Other windows may still be open when the main window closes; its
    // shutdown ends the program.
    QApplication::setQuitOnLastWindowClosed(false);

    lorix::Session session;
    lorix::QtDialogs dialogs;
    lorix::QtClipboard clipboard;
    lorix::QtShell shell;
    lorix::Program program(session, {dialogs, clipboard, shell});
    if (!program.Start(lorix::kIniName))
        return 1;
    QObject::connect(program.W().Main, &lorix::TFormMain::closed, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    // A library named on the command line is opened after the start, as the
    // Load command opens a chosen file.
    if (!args.library.isEmpty())
        program.W().Main->Run([&] { program.W().Main->OpenLibrary(args.library); });
    program.W().Main->show();
    return app.exec();
}
