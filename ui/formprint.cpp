#include "ui/formprint.h"

#include "core/text.h"
#include "exchange/htmlexport.h"
#include "ui/formdisplay.h"
#include "ui/formmain.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace lorix {

TFormPrint::TFormPrint(FormContext& ctx) : QWidget(nullptr), m_ctx(ctx)
{
    setObjectName(QStringLiteral("TFormPrint"));
    setWindowTitle(QStringLiteral("Export to HTML"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);

    Label1 = new QLabel(QStringLiteral("Select fields to export"), this);
    Separate = new QCheckBox(QStringLiteral("Separate with empty line"), this);
    Separate->setObjectName(QStringLiteral("Separate"));
    Columns = new QComboBox(this);
    Columns->setObjectName(QStringLiteral("Columns"));
    Columns->addItems({QStringLiteral("1 Column"), QStringLiteral("2 Columns"), QStringLiteral("3 Columns")});
    Columns->setToolTip(QStringLiteral("Select number of columns"));
    ExpFN = new QLabel(QStringLiteral("Export Filename"), this);
    ExpFNF = new QLineEdit(this);
    ExpFNF->setObjectName(QStringLiteral("ExpFNF"));
    ExpFNF->setToolTip(QStringLiteral("Don't enter a name for default: exp.html"));
    Cancel = new QPushButton(QStringLiteral("Cancel"), this);
    Cancel->setObjectName(QStringLiteral("Cancel"));
    Cancel->setToolTip(QStringLiteral("Click to close without exporting."));
    Cancel->setDefault(true);
    Cancel->setAutoDefault(true);
    Exp = new QPushButton(QStringLiteral("Print"), this);
    Exp->setObjectName(QStringLiteral("Exp"));
    Exp->setToolTip(QStringLiteral("Click to export."));
    Disp = new QPushButton(QStringLiteral("Display"), this);
    Disp->setObjectName(QStringLiteral("Disp"));
    for (QPushButton* b : {Exp, Disp})
        b->setAutoDefault(false);
    connect(Cancel, &QPushButton::clicked, this, [this] { CancelClick(); });
    connect(Exp, &QPushButton::clicked, this, [this] { RunCommand(m_ctx, this, [this] { ExpClick(Exp); }); });
    connect(Disp, &QPushButton::clicked, this,
            [this] { RunCommand(m_ctx, this, [this] { ExpClick(Disp); }); });

    m_boxes = new QGridLayout;
    auto* options = new QHBoxLayout;
    options->addWidget(Separate);
    options->addWidget(Columns);
    auto* file = new QHBoxLayout;
    file->addWidget(ExpFN);
    file->addWidget(ExpFNF, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Cancel);
    buttons->addWidget(Exp);
    buttons->addWidget(Disp);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addLayout(m_boxes);
    layout->addLayout(options);
    layout->addLayout(file);
    layout->addLayout(buttons);
    // The dialog grows by a row for each further row of boxes.
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TFormPrint::OpenDialog()
{
    Session& s = m_ctx.s;
    for (QCheckBox* box : ExportFieldBoxes)
        delete box;
    ExportFieldBoxes.clear();
    Separate->setChecked(s.Settings.IsYes(key::ExpLine));
    ExpFNF->clear();
    setWindowTitle(QStringLiteral("Export to HTML"));
    Columns->setCurrentIndex(-1);
    const std::string columns = s.Settings.Read(key::ExpColumns);
    if (!columns.empty()) {
        const int line =
            s.Settings.IntOf(key::ExpColumns, columns); // a non-numeric value stops here with its error box
        if (line >= 0 && line < Columns->count())
            Columns->setCurrentIndex(line);
    }
    const std::string expfields = s.Settings.Read(key::ExpFields);
    const std::vector<std::string> names = ExportFieldNames(s, s.ShownItems);
    for (size_t i = 0; i < names.size(); ++i) {
        auto* box = new QCheckBox(m_ctx.Text(names[i]), this);
        box->setObjectName(QStringLiteral("ExportField%1").arg(i));
        box->setChecked(ExportFieldTicked(expfields, names[i]));
        m_boxes->addWidget(box, static_cast<int>(i / 3), static_cast<int>(i % 3));
        ExportFieldBoxes.push_back(box);
    }
    if (Columns->currentIndex() < 0)
        Columns->setCurrentIndex(0);
    adjustSize();
    ShowDialogInFront(m_ctx, this, true);
    Cancel->setFocus();
}

void TFormPrint::ExpClick(QObject* sender)
{
    Session& s = m_ctx.s;
    HtmlExportOptions options;
    for (QCheckBox* box : ExportFieldBoxes)
        if (box->isChecked())
            options.Fields.push_back(m_ctx.Bytes(box->text()));
    options.Columns = Columns->currentIndex() + 1;
    options.Separate = Separate->isChecked();
    if (ExpFNF->text().isEmpty())
        ExpFNF->setText(QStringLiteral("exp.html"));
    const std::string path = HtmlExportPath(s, m_ctx.Bytes(ExpFNF->text()));
    // Stores the three settings first; a file that cannot be written stops
    // here with its error box and leaves the dialog open.
    WriteHtmlExport(s, s.ShownItems, options, path);
    setWindowTitle(QStringLiteral("Launching Browser"));
    OpenWithDesktop(m_ctx, path, sender != Disp);
    Leave();
}

void TFormPrint::CancelClick()
{
    Leave();
}

void TFormPrint::Leave()
{
    hide();
    EnableWindowsBehind(m_ctx, true);
    ReturnToList(m_ctx);
}

void TFormPrint::keyPressEvent(QKeyEvent* event)
{
    // Enter cancels, whichever control has the focus; so does Escape, as in
    // the other dialogs.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter || event->key() == Qt::Key_Escape) {
        CancelClick();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TFormPrint::closeEvent(QCloseEvent* event)
{
    // The window has no close button; a close from the desktop cancels.
    CancelClick();
    event->accept();
}

} // namespace lorix
