#pragma once
// TFormNotes: the notes window, the free-text note of the shown item. Every
// change of the memo is filed at once in NotesList under the window's
// caption, the reference of the item last shown.

#include "ui/context.h"

#include <QWidget>
#include <string>

class QPlainTextEdit;

namespace lorix {

class TFormNotes final : public QWidget {
    Q_OBJECT
  public:
    explicit TFormNotes(FormContext& ctx);
    // Creation steps at start-up (run once, inside the error-box wrapper).
    void FormCreate();

    // Puts the note of reference into the memo and the reference into the
    // caption (the item editor's showing of an item).
    void ShowNote(const std::string& reference);
    // Empties the memo and files nothing until the next item is shown (after
    // a load: the note on show was another library's).
    void Forget();
    // Shows or hides the window by the "Display notes window" choice.
    void ApplyDispNotes();
    // The reference under which edits are filed.
    const std::string& Key() const { return m_key; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    // Handlers the window runs itself.
    // The caption follows an edited reference.
    void Rename(const std::string& reference);
    void NotesMemoChange();

    QPlainTextEdit* NotesMemo = nullptr;

    FormContext& m_ctx;
    std::string m_key;
    bool m_hasKey = false;
    bool m_restoring = false; // the memo is filled by the program (a note shown, a refused edit put back)
};

} // namespace lorix
