#pragma once
// TFormCustom: the dialog that adds a custom field to the shown item, or
// appends text to a field it has. While it is up the main window and the
// item editor window take no input; it is left only by OK or Cancel.

#include "ui/context.h"

#include <QWidget>

class QLineEdit;
class QPushButton;

namespace lorix {

class TFormCustom final : public QWidget {
    Q_OBJECT
  public:
    explicit TFormCustom(FormContext& ctx);

    // How the dialog opens: with the boxes as they were (the menu entry),
    // emptied (key Z), for a folder location, or for keywords.
    enum class Start { AsTheyWere, Empty, Folder, Keywords };
    // Shows the dialog over the windows it holds back, the focus on the box
    // to type into first.
    void Open(Start start);

    void OKClick();
    void CancelClick();
    // A keyword chosen from the keyword menu, appended to the value while
    // the dialog is open.
    void InsertKeyword(const std::string& k);

  private:
    // Handlers the window runs itself.
    void FieldnameChange();

    QLineEdit* Fieldname = nullptr;
    QLineEdit* Fieldvalue = nullptr;
    QPushButton* OK = nullptr;
    QPushButton* Cancel = nullptr;

    void EnableOthers();
    FormContext& m_ctx;
    bool m_placed = false;
};

} // namespace lorix
