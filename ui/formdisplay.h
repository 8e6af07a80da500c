#pragma once
// TFormDisplay: the item editor window, one row per field of the shown item.

#include "ui/context.h"

#include <QWidget>

namespace lorix {

class TFormDisplay final : public QWidget {
    Q_OBJECT
public:
    explicit TFormDisplay(FormContext& ctx);
    // Creation steps at start-up (run once, inside the error-box wrapper).
    void FormCreate();
    // Lays out the item of a library index in the editor rows.
    void ShowItem(int itemIndex);

private:
    FormContext& m_ctx;
};

} // namespace lorix
