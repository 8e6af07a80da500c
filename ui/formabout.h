#pragma once
// TFormAbout: the about box. While it is up the main window and the item
// editor window take no input; its button closes it.

#include "ui/context.h"

#include <QWidget>

class QLabel;
class QPushButton;

namespace lorix {

// "Build " followed by the fourth component of a version such as
// "0.99.0.17"; "Build " alone when the version has no fourth component.
QString BuildCaption(const QString& version);

class TFormAbout final : public QWidget {
    Q_OBJECT
  public:
    explicit TFormAbout(FormContext& ctx);
    // Creation steps at start-up (run once, inside the error-box wrapper).
    void FormCreate();
    // Shows the box and disables the main window and the item editor window.
    void ShowAbout();
    void OKClick();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    QLabel* Build = nullptr;
    QLabel* Text = nullptr;
    QPushButton* OK = nullptr;

    FormContext& m_ctx;
};

} // namespace lorix
