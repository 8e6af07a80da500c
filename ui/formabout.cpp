#include "ui/formabout.h"

#include "ui/formdisplay.h"
#include "ui/formmain.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#ifndef LORIX_VERSION
#define LORIX_VERSION ""
#endif

// The icon is compiled into the static ui library; nothing else refers to
// that object file, so it is registered here.
static void InitResources()
{
    Q_INIT_RESOURCE(resources);
}

namespace lorix {

QString BuildCaption(const QString& version)
{
    const QStringList parts = version.split(QLatin1Char('.'));
    return QStringLiteral("Build ") + (parts.size() >= 4 ? parts[3] : QString());
}

TFormAbout::TFormAbout(FormContext& ctx) : QWidget(nullptr), m_ctx(ctx)
{
    setObjectName(QStringLiteral("TFormAbout"));
    setWindowTitle(QStringLiteral("Lorix for Windows V0.99"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);

    InitResources();
    auto* picture = new QLabel(this);
    picture->setPixmap(QPixmap(QStringLiteral(":/lorix/lorix.png"), "PNG"));
    auto* title = new QLabel(QStringLiteral("<b>Lorix for Windows V0.99</b>"), this);
    Build = new QLabel(this);
    Build->setObjectName(QStringLiteral("Build"));
    // Read whole, without scrolling: the box takes the height its text needs.
    Text = new QLabel(this);
    Text->setObjectName(QStringLiteral("AboutText"));
    Text->setWordWrap(true);
    Text->setText(QStringLiteral(
        "An editor for BibTeX bibliography libraries: a filterable, sortable list of entries, an item "
        "editor that checks every entry against a schema of types and fields, notes and document files "
        "beside every entry, import from MEDLINE text and PubMed, export as an HTML table and as "
        "formatted clipboard text.\n\nThe manual is in the Help menu."));
    OK = new QPushButton(QStringLiteral("OK"), this);
    OK->setObjectName(QStringLiteral("OK"));
    OK->setDefault(true);
    connect(OK, &QPushButton::clicked, this, [this] { OKClick(); });

    auto* head = new QVBoxLayout;
    head->addWidget(title);
    head->addWidget(Build);
    head->addStretch();
    auto* top = new QHBoxLayout;
    top->addWidget(picture);
    top->addLayout(head, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(Text);
    layout->addWidget(OK, 0, Qt::AlignRight);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    Text->setFixedWidth(380);
}

void TFormAbout::FormCreate()
{
    Build->setText(BuildCaption(QStringLiteral(LORIX_VERSION)));
}

void TFormAbout::ShowAbout()
{
    adjustSize();
    ShowDialogInFront(m_ctx, this, true);
    OK->setFocus();
}

void TFormAbout::OKClick()
{
    hide();
    EnableWindowsBehind(m_ctx, true);
    ReturnToList(m_ctx);
}

void TFormAbout::keyPressEvent(QKeyEvent* event)
{
    // Enter and Escape close the box as its button does.
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        OKClick();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void TFormAbout::closeEvent(QCloseEvent* event)
{
    // Only the button leaves the box, so the windows are always enabled again.
    event->ignore();
    OKClick();
}

} // namespace lorix
