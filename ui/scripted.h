#pragma once
// Scripted stand-ins for the desktop, for headless tests: every answer comes
// from a queue the test fills beforehand, and every question is recorded.
// An unexpected question (empty queue) is recorded and answered "cancel"/No.

#include "ui/platform.h"

#include <QString>
#include <QStringList>
#include <deque>
#include <optional>
#include <utility>

namespace lorix {

class ScriptedDialogs final : public Dialogs {
  public:
    std::deque<bool> yesNo;
    std::deque<Answer> yesNoCancel;
    // Answers of input boxes and file dialogs; a null QString() cancels.
    std::deque<QString> texts;
    std::deque<QString> files;
    QStringList errors;                       // texts of error boxes
    QStringList fatals;                       // texts of single-Yes boxes
    QStringList questions;                    // texts of yes/no questions and prompts
    QList<std::pair<QString, bool>> answered; // the yes/no questions with their answers, in turn
    QStringList fileTitles;
    QStringList fileFolders;
    QStringList fileFilters;

    void errorBox(QWidget*, const QString& text) override { errors << text; }
    void fatalBox(QWidget*, const QString& text) override { fatals << text; }
    bool askYesNo(QWidget*, const QString& text) override
    {
        questions << text;
        const bool a = !yesNo.empty() && yesNo.front();
        if (!yesNo.empty())
            yesNo.pop_front();
        answered.push_back({text, a});
        return a;
    }
    Answer askYesNoCancel(QWidget*, const QString& text) override
    {
        questions << text;
        if (yesNoCancel.empty())
            return Answer::Cancel;
        const Answer a = yesNoCancel.front();
        yesNoCancel.pop_front();
        return a;
    }
    std::optional<QString> askText(QWidget*, const QString&, const QString& prompt, const QString&) override
    {
        questions << prompt;
        return pop(texts);
    }
    std::optional<QString> openFile(QWidget*, const QString& title, const QString& folder,
                                    const QString& filter) override
    {
        note(title, folder, filter);
        return pop(files);
    }
    std::optional<QString> saveFile(QWidget*, const QString& title, const QString& folder,
                                    const QString& filter) override
    {
        note(title, folder, filter);
        return pop(files);
    }

  private:
    void note(const QString& title, const QString& folder, const QString& filter)
    {
        fileTitles << title;
        fileFolders << folder;
        fileFilters << filter;
    }
    static std::optional<QString> pop(std::deque<QString>& q)
    {
        if (q.empty())
            return std::nullopt;
        const QString a = q.front();
        q.pop_front();
        if (a.isNull())
            return std::nullopt;
        return a;
    }
};

class ScriptedClipboard final : public Clipboard {
  public:
    QString content;
    bool hasText() const override { return !content.isEmpty(); }
    QString text() const override { return content; }
    void setText(const QString& text) override { content = text; }
};

class ScriptedShell final : public Shell {
  public:
    QStringList opened;
    QStringList printed;
    bool works = true; // false: the desktop refuses every request
    bool open(const QString& path) override
    {
        opened << path;
        return works;
    }
    bool print(const QString& path) override
    {
        printed << path;
        return works;
    }
};

} // namespace lorix
