// Lorix: starts the windows in their order and runs until the main window closes.
#include "core/process.h"
#include "core/settings.h"
#include "ui/formmain.h"
#include "ui/platform.h"
#include "ui/program.h"

#include <QApplication>
#include <QIcon>
#include <QPixmap>

int main(int argc, char** argv)
{
    lorix::IgnoreFileSizeSignal();
    QApplication app(argc, argv);
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
    program.W().Main->show();
    return app.exec();
}
