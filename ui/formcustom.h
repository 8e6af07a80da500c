#pragma once
// TFormCustom: the dialog that adds a custom field to the shown item.

#include "ui/context.h"

#include <QWidget>

namespace lorix {

class TFormCustom final : public QWidget {
    Q_OBJECT
public:
    explicit TFormCustom(FormContext& ctx);
    // Creation steps at start-up (run once, inside the error-box wrapper).
    void FormCreate();

private:
    FormContext& m_ctx;
};

} // namespace lorix
