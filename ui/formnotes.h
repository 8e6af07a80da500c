#pragma once
// TFormNotes: the notes window, the free-text note of the shown item.

#include "ui/context.h"

#include <QWidget>

namespace lorix {

class TFormNotes final : public QWidget {
    Q_OBJECT
public:
    explicit TFormNotes(FormContext& ctx);
    // Creation steps at start-up (run once, inside the error-box wrapper).
    void FormCreate();

private:
    FormContext& m_ctx;
};

} // namespace lorix
