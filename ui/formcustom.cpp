#include "ui/formcustom.h"

#include "commands/items.h"
#include "ui/formdisplay.h"
#include "ui/formmain.h"
#include "view/itemrows.h"

#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

namespace lorix {

TFormCustom::TFormCustom(FormContext& ctx) : QWidget(nullptr), m_ctx(ctx)
{
    setObjectName(QStringLiteral("TFormCustom"));
    setWindowTitle(QStringLiteral("Enter custom field data"));
    // A fixed dialog border without a close box.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(360, 110);

    auto* nameLabel = new QLabel(QStringLiteral("Field name"), this);
    nameLabel->setGeometry(10, 12, 70, 20);
    Fieldname = new QLineEdit(this);
    Fieldname->setObjectName(QStringLiteral("Fieldname"));
    Fieldname->setGeometry(90, 10, 260, 22);
    auto* valueLabel = new QLabel(QStringLiteral("Field value"), this);
    valueLabel->setGeometry(10, 42, 70, 20);
    Fieldvalue = new QLineEdit(this);
    Fieldvalue->setObjectName(QStringLiteral("Fieldvalue"));
    Fieldvalue->setGeometry(90, 40, 260, 22);
    Fieldvalue->setContextMenuPolicy(Qt::DefaultContextMenu);
    OK = new QPushButton(QStringLiteral("OK"), this);
    OK->setObjectName(QStringLiteral("OK"));
    OK->setGeometry(190, 75, 75, 25);
    OK->setDefault(true);
    Cancel = new QPushButton(QStringLiteral("Cancel"), this);
    Cancel->setObjectName(QStringLiteral("Cancel"));
    Cancel->setGeometry(275, 75, 75, 25);

    auto run = [this](void (TFormCustom::*handler)()) {
        return [this, handler] { RunCommand(m_ctx, this, [this, handler] { (this->*handler)(); }); };
    };
    connect(OK, &QPushButton::clicked, this, run(&TFormCustom::OKClick));
    // OK is the default button: Enter in either box presses it.
    connect(Fieldname, &QLineEdit::returnPressed, this, run(&TFormCustom::OKClick));
    connect(Fieldvalue, &QLineEdit::returnPressed, this, run(&TFormCustom::OKClick));
    connect(Cancel, &QPushButton::clicked, this, run(&TFormCustom::CancelClick));
    connect(Fieldname, &QLineEdit::textChanged, this, run(&TFormCustom::FieldnameChange));
    connect(Fieldvalue, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
        if (m_ctx.w.Main)
            m_ctx.w.Main->PopupKeywords(Fieldvalue->mapToGlobal(p));
    });
}

void TFormCustom::InsertKeyword(const std::string& k)
{
    if (isVisible())
        Fieldvalue->setText(m_ctx.WithKeyword(Fieldvalue->text(), k));
}

void TFormCustom::Open(Start start)
{
    if (start == Start::Keywords)
        Fieldname->setText(QStringLiteral("key"));
    // The first time over the main window; later where the user left it.
    ShowDialogInFront(m_ctx, this, !m_placed);
    m_placed = true;
    switch (start) {
    case Start::Empty:
        Fieldname->clear();
        Fieldvalue->clear();
        Fieldname->setFocus();
        break;
    case Start::Folder:
        Fieldname->setText(QStringLiteral("folder"));
        Fieldvalue->clear();
        Fieldvalue->setFocus();
        break;
    case Start::Keywords:
        Fieldvalue->setFocus();
        break;
    case Start::AsTheyWere:
        break;
    }
}

void TFormCustom::EnableOthers()
{
    EnableWindowsBehind(m_ctx, true);
}

void TFormCustom::FieldnameChange()
{
    Fieldvalue->setContextMenuPolicy(Fieldname->text() == QLatin1String("key") ? Qt::CustomContextMenu
                                                                               : Qt::DefaultContextMenu);
}

void TFormCustom::OKClick()
{
    // A character the library's encoding cannot hold: reported, and the
    // dialog stays up with the text, to be mended or cancelled.
    const std::optional<std::string> name = m_ctx.StoreBytes(Fieldname->text(), "the field was not added.");
    if (!name)
        return;
    const std::optional<std::string> value = m_ctx.StoreBytes(Fieldvalue->text(), "the field was not added.");
    if (!value)
        return;
    EnableOthers();
    hide();
    const int i = m_ctx.w.Main ? m_ctx.w.Main->SelectedItem() : -1;
    if (i >= 0) {
        command::AddField(m_ctx.s, i, *name, *value);
        m_ctx.w.Display->ShowItem(i);
    }
    ReturnToList(m_ctx);
}

void TFormCustom::CancelClick()
{
    hide();
    EnableOthers();
    ReturnToList(m_ctx);
}

} // namespace lorix
