#pragma once
// TFormPrint: the HTML export dialog.

#include "ui/context.h"

#include <QWidget>

namespace lorix {

class TFormPrint final : public QWidget {
    Q_OBJECT
  public:
    explicit TFormPrint(FormContext& ctx);
    // Creation steps at start-up (run once, inside the error-box wrapper).
    void FormCreate();

  private:
    FormContext& m_ctx;
};

} // namespace lorix
