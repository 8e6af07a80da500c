#pragma once
// The program's windows, created once each in the start-up order and kept
// until the program ends.

#include "ui/context.h"

#include <QString>
#include <QStringList>
#include <memory>

namespace lorix {

// The command line of the program: "lorix [FILE]", or "--help", or
// "--version". args are the words after the program's name (Qt's own options
// already taken out); "--" ends the options. A relative FILE is taken from
// callerDir when that is given: the starter runs the program in its working
// folder and passes the folder the command was typed in.
struct ProgramArguments {
    QString library; // the library to open after the start, or empty
    QString problem; // the first usage error, or empty
    bool help = false;
    bool version = false;
};
ProgramArguments ParseProgramArguments(const QStringList& args, const QString& callerDir);
// The text printed for --help, and for a usage error after the problem.
QString ProgramUsage();

class Program {
  public:
    Program(Session& session, Platform platform);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // Creates the eight windows in order (main window, about box, item editor
    // window, options dialog, log window, custom-field dialog, HTML export
    // dialog, notes window); the options dialog's creation loads the last
    // library. False when the settings file iniPath is missing: the box has
    // been shown, no other window exists and nothing may be written.
    bool Start(const std::string& iniPath);

    FormContext& Context() { return m_ctx; }
    const Windows& W() const { return m_ctx.w; }

  private:
    FormContext m_ctx;
    std::unique_ptr<TFormMain> m_main;
    std::unique_ptr<TFormAbout> m_about;
    std::unique_ptr<TFormDisplay> m_display;
    std::unique_ptr<TFormOptions> m_options;
    std::unique_ptr<TFormLog> m_log;
    std::unique_ptr<TFormCustom> m_custom;
    std::unique_ptr<TFormPrint> m_print;
    std::unique_ptr<TFormNotes> m_notes;
};

} // namespace lorix
