#pragma once
// What the windows need from the desktop, behind small interfaces so that
// every command also runs in a headless test: the modal boxes and file
// dialogs, the clipboard and the shell. The real implementations use Qt; the
// scripted ones (ui/scripted.h) answer from queues filled by a test.

#include "commands/command.h"

#include <QString>
#include <optional>

class QWidget;

namespace lorix {

class Dialogs {
  public:
    virtual ~Dialogs() = default;
    // The error box of unexpected failures (one OK button).
    virtual void errorBox(QWidget* parent, const QString& text) = 0;
    // A box with a single Yes button that only informs (the missing settings file).
    virtual void fatalBox(QWidget* parent, const QString& text) = 0;
    // A confirmation box with the buttons Yes and No; true on Yes.
    virtual bool askYesNo(QWidget* parent, const QString& text) = 0;
    // A question with the buttons Yes, No and Cancel; closing the box cancels.
    virtual Answer askYesNoCancel(QWidget* parent, const QString& text) = 0;
    // An input box; nullopt when cancelled.
    virtual std::optional<QString> askText(QWidget* parent, const QString& title, const QString& prompt,
                                           const QString& value) = 0;
    // Open dialog for an existing file; filter in Qt form ("BibTeX Library (*.bib)").
    virtual std::optional<QString> openFile(QWidget* parent, const QString& title, const QString& folder,
                                            const QString& filter) = 0;
    // Save dialog; does not ask before overwriting.
    virtual std::optional<QString> saveFile(QWidget* parent, const QString& title, const QString& folder,
                                            const QString& filter) = 0;
};

class Clipboard {
  public:
    virtual ~Clipboard() = default;
    virtual bool hasText() const = 0;
    virtual QString text() const = 0;
    virtual void setText(const QString& text) = 0;
};

class Shell {
  public:
    virtual ~Shell() = default;
    // Opens a file with the program the desktop associates with it; false
    // when the desktop refused the request.
    virtual bool open(const QString& path) = 0;
    virtual bool print(const QString& path) = 0;
};

class QtDialogs final : public Dialogs {
  public:
    void errorBox(QWidget* parent, const QString& text) override;
    void fatalBox(QWidget* parent, const QString& text) override;
    bool askYesNo(QWidget* parent, const QString& text) override;
    Answer askYesNoCancel(QWidget* parent, const QString& text) override;
    std::optional<QString> askText(QWidget* parent, const QString& title, const QString& prompt,
                                   const QString& value) override;
    std::optional<QString> openFile(QWidget* parent, const QString& title, const QString& folder,
                                    const QString& filter) override;
    std::optional<QString> saveFile(QWidget* parent, const QString& title, const QString& folder,
                                    const QString& filter) override;
};

class QtClipboard final : public Clipboard {
  public:
    bool hasText() const override;
    QString text() const override;
    void setText(const QString& text) override;
};

class QtShell final : public Shell {
  public:
    bool open(const QString& path) override;
    bool print(const QString& path) override;
};

// The three adapters a window works with.
struct Platform {
    Dialogs& dialogs;
    Clipboard& clipboard;
    Shell& shell;
};

} // namespace lorix
