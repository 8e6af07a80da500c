#include "ui/formlog.h"

#include <QEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>

namespace lorix {

TFormLog::TFormLog(FormContext& ctx)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint), m_ctx(ctx)
{
    setObjectName(QStringLiteral("TFormLog"));
    setWindowTitle(QStringLiteral("Logfile"));
    Logmemo = new QPlainTextEdit(this);
    Logmemo->setObjectName(QStringLiteral("Logmemo"));
    Logmemo->setLineWrapMode(QPlainTextEdit::NoWrap);
    Logmemo->installEventFilter(this);
    ClearLog = new QPushButton(QStringLiteral("Clear Log"), this);
    ClearLog->setObjectName(QStringLiteral("ClearLog"));
    Dismiss = new QPushButton(QStringLiteral("Dismiss"), this);
    Dismiss->setObjectName(QStringLiteral("Dismiss"));
    connect(ClearLog, &QPushButton::clicked, this, [this] { ClearLogClick(); });
    connect(Dismiss, &QPushButton::clicked, this, [this] { DismissClick(); });
    resize(600, 400);
}

void TFormLog::LogmemoEnter()
{
    QStringList lines;
    lines.reserve(static_cast<qsizetype>(m_ctx.s.Log.LogList.size()));
    for (const std::string& line : m_ctx.s.Log.LogList)
        lines << m_ctx.Text(line);
    Logmemo->setPlainText(lines.join(QLatin1Char('\n')));
    Logmemo->moveCursor(QTextCursor::End);
    Logmemo->ensureCursorVisible();
}

void TFormLog::ClearLogClick()
{
    m_ctx.s.Log.LogList.clear();
    LogmemoEnter();
}

void TFormLog::DismissClick()
{
    hide();
}

void TFormLog::FormResize()
{
    const int w = width();
    const int h = height();
    Logmemo->setGeometry(8, 8, w - 25, h - 76);
    ClearLog->setGeometry(w - 176, h - 60, 75, 25);
    Dismiss->setGeometry(w - 96, h - 60, 75, 25);
}

bool TFormLog::event(QEvent* e)
{
    if (e->type() == QEvent::WindowActivate || e->type() == QEvent::Show)
        LogmemoEnter();
    return QWidget::event(e);
}

bool TFormLog::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == Logmemo && e->type() == QEvent::FocusIn)
        LogmemoEnter();
    return QWidget::eventFilter(watched, e);
}

void TFormLog::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    FormResize();
}

} // namespace lorix
