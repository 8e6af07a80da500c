#include "ui/platform.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QFile>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTextDocument>
#include <QUrl>

namespace lorix {

void QtDialogs::errorBox(QWidget* parent, const QString& text)
{
    QMessageBox::critical(parent, QApplication::applicationName(), text);
}

void QtDialogs::fatalBox(QWidget* parent, const QString& text)
{
    QMessageBox::critical(parent, QApplication::applicationName(), text, QMessageBox::Yes);
}

bool QtDialogs::askYesNo(QWidget* parent, const QString& text)
{
    return QMessageBox::question(parent, QApplication::applicationName(), text,
                                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

Answer QtDialogs::askYesNoCancel(QWidget* parent, const QString& text)
{
    const auto b =
        QMessageBox::question(parent, QApplication::applicationName(), text,
                              QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Cancel);
    return b == QMessageBox::Yes ? Answer::Yes : b == QMessageBox::No ? Answer::No : Answer::Cancel;
}

std::optional<QString> QtDialogs::askText(QWidget* parent, const QString& title, const QString& prompt,
                                          const QString& value)
{
    bool ok = false;
    QString text = QInputDialog::getText(parent, title, prompt, QLineEdit::Normal, value, &ok);
    if (!ok)
        return std::nullopt;
    return text;
}

std::optional<QString> QtDialogs::openFile(QWidget* parent, const QString& title, const QString& folder,
                                           const QString& filter)
{
    QString name = QFileDialog::getOpenFileName(parent, title, folder, filter);
    if (name.isNull())
        return std::nullopt;
    return name;
}

std::optional<QString> QtDialogs::saveFile(QWidget* parent, const QString& title, const QString& folder,
                                           const QString& filter)
{
    QString name = QFileDialog::getSaveFileName(parent, title, folder, filter, nullptr,
                                                QFileDialog::DontConfirmOverwrite);
    if (name.isNull())
        return std::nullopt;
    return name;
}

bool QtClipboard::hasText() const
{
    return !QApplication::clipboard()->text().isEmpty();
}

QString QtClipboard::text() const
{
    return QApplication::clipboard()->text();
}

void QtClipboard::setText(const QString& text)
{
    QApplication::clipboard()->setText(text);
}

bool QtShell::open(const QString& path)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

bool QtShell::print(const QString& path)
{
    // The desktops this runs on have no common "print" verb: the page is laid
    // out by Qt's rich text engine and sent to the default printer without a
    // dialog. Without a printer nothing happens.
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull())
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QTextDocument page;
    page.setHtml(QString::fromUtf8(file.readAll()));
    QPrinter printer(info);
    page.print(&printer);
    return printer.printerState() != QPrinter::Error;
}

} // namespace lorix
