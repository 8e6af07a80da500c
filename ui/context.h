#pragma once
// What every window of the program shares: the session, the desktop adapters
// and the other windows. The windows are created once, in the start-up order,
// by Program (ui/program.h) and live until it ends; a window reaches the
// others through Windows, as their pointers fill in during start-up.

#include "core/session.h"
#include "ui/codec.h"
#include "ui/platform.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <string>

class QWidget;

namespace lorix {

class TFormMain;
class TFormAbout;
class TFormDisplay;
class TFormOptions;
class TFormLog;
class TFormCustom;
class TFormPrint;
class TFormNotes;

struct Windows {
    TFormMain* Main = nullptr;
    TFormAbout* About = nullptr;
    TFormDisplay* Display = nullptr;
    TFormOptions* Options = nullptr;
    TFormLog* Log = nullptr;
    TFormCustom* Custom = nullptr;
    TFormPrint* Print = nullptr;
    TFormNotes* Notes = nullptr;
};

struct FormContext {
    FormContext(Session& session, Platform adapters) : s(session), platform(adapters) {}
    Session& s;
    Platform platform;
    Windows w;
    // "lorix.ini" was valid UTF-8; otherwise its values are shown and stored
    // as Windows-1252, so that options the user did not touch keep their bytes.
    bool iniUtf8 = true;
    // Class names of the windows in the order they were created.
    QStringList created;

    Dialogs& dialogs() { return platform.dialogs; }

    // Settings values as text and back.
    template <class Kind> QString Setting(const SettingKey<Kind>& key) const
    {
        return DecodeText(s.Settings.Read(key), iniUtf8);
    }
    template <class Kind> void WriteSetting(const SettingKey<Kind>& key, const QString& value)
    {
        s.Settings.Write(key, EncodeText(value, iniUtf8));
    }
    // A file or folder name: empty for "*none*", and stored as "*none*" when empty.
    QString PathSetting(const SettingKey<Path>& key) const
    {
        return DecodeText(s.Settings.ReadPath(key), iniUtf8);
    }
    void WritePathSetting(const SettingKey<Path>& key, const QString& path)
    {
        s.Settings.WritePath(key, EncodeText(path, iniUtf8));
    }
    // Library bytes as text and back, with the library's codec.
    QString Text(std::string_view bytes) const { return DecodeText(bytes, s.Bib.Utf8); }
    std::string Bytes(const QString& text) const { return EncodeText(text, s.Bib.Utf8); }
    // Text that goes into the library: its bytes, or nothing when the
    // library's encoding cannot hold one of its characters, which is then
    // reported as an error message ending in consequence.
    std::optional<std::string> StoreBytes(const QString& text,
                                          const std::string& consequence = "the change was refused.");
    // text with the keyword k appended (see AppendKeyword).
    QString WithKeyword(const QString& text, const std::string& k) const;
};

// The "Display notes window" choice: 0 always, 1 never, 2 when not empty,
// which is also what any other value of the setting means.
int DispNotesChoice(const FormContext& ctx);

// Shows a window whole on the screen it stands on (the primary screen when it
// stands on none): moved inside the screen's available area, and made smaller
// only where it is larger than that area.
void PlaceOnScreen(QWidget* window);

// Has the desktop open a file (or print it) with the program it associates
// with the file's type. The path is made absolute against the program folder
// first: a relative name means nothing to the desktop. A missing file or a
// refused request is reported as an error message. True when handed over.
bool OpenWithDesktop(FormContext& ctx, const std::string& path, bool print = false);

// After a dialog that had the windows behind it disabled: the main window
// active again with the keys in its list, so a single-letter command typed
// next reaches the list and not the first box of the window.
void ReturnToList(FormContext& ctx);

// Runs one command: an unexpected failure (lorix::LorixError, or any other
// std::exception) ends it and is shown in the error box with its text; what
// the command changed before the failure stays changed. True when the command
// ran to its end.
bool RunCommand(FormContext& ctx, QWidget* parent, const std::function<void()>& command);

// The main window and the item editor window take no input while one of the
// small dialogs (about box, options, custom field, HTML export) is up.
void EnableWindowsBehind(FormContext& ctx, bool enabled);

// Opens one of those dialogs in front, with the windows behind it disabled:
// centred over the main window when centre is set (otherwise where it stood),
// and whole on the screen.
void ShowDialogInFront(FormContext& ctx, QWidget* dialog, bool centre);

} // namespace lorix
