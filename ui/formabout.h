#pragma once
// TFormAbout: the about box.

#include "ui/context.h"

#include <QWidget>

namespace lorix {

class TFormAbout final : public QWidget {
    Q_OBJECT
  public:
    explicit TFormAbout(FormContext& ctx);
    // Creation steps at start-up (run once, inside the error-box wrapper).
    void FormCreate();

  private:
    FormContext& m_ctx;
};

} // namespace lorix
