#include "ui/context.h"

#include "core/errors.h"
#include "ui/formdisplay.h"
#include "ui/formmain.h"
#include "view/itemrows.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QListView>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace lorix {

bool RunCommand(FormContext& ctx, QWidget* parent, const std::function<void()>& command)
{
    try {
        command();
        return true;
    } catch (const LorixError& e) {
        ctx.dialogs().errorBox(parent, QString::fromUtf8(e.what()));
    } catch (const std::exception& e) {
        ctx.dialogs().errorBox(parent, QString::fromUtf8(e.what()));
    }
    return false;
}

QString FormContext::WithKeyword(const QString& text, const std::string& k) const
{
    return Text(AppendKeyword(Bytes(text), k));
}

std::optional<std::string> FormContext::StoreBytes(const QString& text, const std::string& consequence)
{
    char32_t bad = 0;
    std::optional<std::string> bytes = EncodeExactly(text, s.Bib.Utf8, bad);
    if (!bytes)
        s.Error(UnencodableMessage(bad, consequence));
    return bytes;
}

int DispNotesChoice(const FormContext& ctx)
{
    bool ok = false;
    const int choice = ctx.Setting(key::DisplayNotes).toInt(&ok);
    return ok && choice >= 0 && choice <= 2 ? choice : 2;
}

void EnableWindowsBehind(FormContext& ctx, bool enabled)
{
    for (QWidget* w : {static_cast<QWidget*>(ctx.w.Main), static_cast<QWidget*>(ctx.w.Display)})
        if (w)
            w->setEnabled(enabled);
}

void ShowDialogInFront(FormContext& ctx, QWidget* dialog, bool centre)
{
    EnableWindowsBehind(ctx, false);
    if (centre && ctx.w.Main)
        dialog->move(ctx.w.Main->geometry().center() - dialog->rect().center());
    PlaceOnScreen(dialog);
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

void PlaceOnScreen(QWidget* window)
{
    const QRect frame = window->frameGeometry();
    QScreen* screen = QGuiApplication::screenAt(frame.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    // The frame (title bar, borders) is known once the window was shown.
    const int extraW = frame.width() - window->width();
    const int extraH = frame.height() - window->height();
    const int w = std::min(frame.width(), area.width());
    const int h = std::min(frame.height(), area.height());
    if (w != frame.width() || h != frame.height())
        window->resize(std::max(w - extraW, window->minimumWidth()),
                       std::max(h - extraH, window->minimumHeight()));
    const QRect now = window->frameGeometry();
    const int x = std::clamp(now.x(), area.left(), std::max(area.left(), area.right() + 1 - now.width()));
    const int y = std::clamp(now.y(), area.top(), std::max(area.top(), area.bottom() + 1 - now.height()));
    if (x != now.x() || y != now.y())
        window->move(x, y);
}

bool OpenWithDesktop(FormContext& ctx, const std::string& path, bool print)
{
    const QString file = QDir::cleanPath(
        QDir(QString::fromStdString(ctx.s.ProgramDir)).absoluteFilePath(QString::fromStdString(path)));
    const std::string shown = file.toStdString();
    if (!QFileInfo(file).isFile()) {
        ctx.s.Error("File not found: " + shown);
        return false;
    }
    const bool done = print ? ctx.platform.shell.print(file) : ctx.platform.shell.open(file);
    if (!done)
        ctx.s.Error(std::string(print ? "Cannot print " : "Cannot open ") + shown + ".");
    return done;
}

void ReturnToList(FormContext& ctx)
{
    TFormMain* main = ctx.w.Main;
    if (!main || !main->isVisible() || !main->isEnabled())
        return;
    main->activateWindow();
    main->FocusList();
}

} // namespace lorix
