#pragma once
// TFormLog: the log window, a view of LogList that can be cleared.

#include "ui/context.h"

#include <QWidget>

class QPlainTextEdit;
class QPushButton;

namespace lorix {

class TFormLog final : public QWidget {
    Q_OBJECT
  public:
    explicit TFormLog(FormContext& ctx);

    void LogmemoEnter();
    void DismissClick();
    void FormResize();

  protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    // Handlers the window runs itself.
    void ClearLogClick();

    QPlainTextEdit* Logmemo = nullptr;
    QPushButton* ClearLog = nullptr;
    QPushButton* Dismiss = nullptr;

    FormContext& m_ctx;
};

} // namespace lorix
