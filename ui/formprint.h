#pragma once
// TFormPrint: the HTML export dialog. It collects the fields, the number of
// columns, the separator row and the file name; exchange/htmlexport writes
// the file, and the desktop shows or prints it.

#include "ui/context.h"

#include <QWidget>
#include <vector>

class QCheckBox;
class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;

namespace lorix {

class TFormPrint final : public QWidget {
    Q_OBJECT
  public:
    explicit TFormPrint(FormContext& ctx);

    // Fills the dialog from the settings and the shown items and shows it,
    // the main window and the item editor window disabled meanwhile.
    void OpenDialog();
    void CancelClick();

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    // Handlers the window runs itself.
    // Print (Exp) and Display (Disp): store the choices, write the file, and
    // have the desktop print or show it.
    void ExpClick(QObject* sender);

    QLabel* Label1 = nullptr;
    std::vector<QCheckBox*> ExportFieldBoxes;
    QCheckBox* Separate = nullptr;
    QComboBox* Columns = nullptr;
    QLabel* ExpFN = nullptr;
    QLineEdit* ExpFNF = nullptr;
    QPushButton* Cancel = nullptr;
    QPushButton* Exp = nullptr;
    QPushButton* Disp = nullptr;

    void Leave();
    FormContext& m_ctx;
    QGridLayout* m_boxes = nullptr;
};

} // namespace lorix
