#pragma once
// A fresh program for each GUI test: a temporary working folder with a
// lorix.ini made from the delivered one (with the test's changes), scripted
// dialogs, clipboard and shell, and the eight windows started in order.

#include "support/readback.h"
#include "support/testutil.h"
#include "ui/formabout.h"
#include "ui/formcustom.h"
#include "ui/formdisplay.h"
#include "ui/formlog.h"
#include "ui/formmain.h"
#include "ui/formnotes.h"
#include "ui/formoptions.h"
#include "ui/formprint.h"
#include "ui/program.h"
#include "ui/scripted.h"

#include <QtTest>
#include <QtWidgets>
#include <map>
#include <stdexcept>

namespace lorix::test {

using Overrides = std::map<std::string, std::string>;

// A control of a window found by its object name, as a user finds it by its
// caption; without a window, a window of its own (the keyword menu). A name
// that is missing (or of another kind) fails the test.
template <class T = QWidget> T* Find(const QObject* window, QAnyStringView nameView)
{
    const QString name = nameView.toString();
    if (T* found = window ? window->findChild<T*>(name) : nullptr)
        return found;
    for (QWidget* w : window ? QWidgetList() : QApplication::topLevelWidgets())
        if (auto* found = qobject_cast<T*>(w); found && w->objectName() == name)
            return found;
    const QString where = window ? window->objectName() : QStringLiteral("the application");
    const std::string problem = "no " + name.toStdString() + " in " + where.toStdString();
    qWarning("%s", problem.c_str()); // QtTest reports an exception without its text
    throw std::runtime_error(problem);
}

class Harness {
  public:
    explicit Harness(const Overrides& changes = {}, bool withIni = true)
    {
        QDir::setCurrent(QString::fromStdString(dir.path()));
        // The delivered settings with a few keys replaced; by default no
        // library and no log file, so that a start touches nothing but the settings.
        if (withIni) {
            SettingsList st = SettingsList::LoadFromFile(std::string(LORIX_SOURCE_DIR) + "/data/lorix.ini");
            for (const auto& k : {key::Filename, key::LastFile, key::LogFile})
                st.Write(k, kNone);
            for (const auto& [key, value] : changes)
                st.WriteByName(key, value);
            st.SaveToFile(dir.file("lorix.ini"));
        }
        program = std::make_unique<Program>(s, Platform{dialogs, clipboard, shell});
    }
    ~Harness()
    {
        program.reset();
        QDir::setCurrent(m_oldDir);
    }
    bool Start() { return program->Start(kIniName); }
    TFormMain* Main() const { return program->W().Main; }
    TFormOptions* Options() const { return program->W().Options; }
    TFormDisplay* Display() const { return program->W().Display; }
    TFormLog* Log() const { return program->W().Log; }
    TFormNotes* Notes() const { return program->W().Notes; }
    TFormCustom* Custom() const { return program->W().Custom; }
    TFormPrint* Print() const { return program->W().Print; }
    TFormAbout* About() const { return program->W().About; }
    QWidgetList Windows() const { return {Main(), Display(), Notes(), Log(), Options(), Custom(), Print(), About()}; }
    // The windows shown, "Main Display Options", with "-" after one held back
    // by a dialog: what a user sees after a step.
    QString Shown() const
    {
        QStringList out;
        for (QWidget* w : Windows())
            if (w->isVisible())
                out << w->objectName().mid(5) + QLatin1String(w->isEnabled() ? "" : "-");
        return out.join(u' ');
    }

    // The main window's menu entries and controls by name.
    QAction* Action(const char* name) const { return Find<QAction>(Main(), name); }
    template <class T = QWidget> T* Widget(const char* name) const { return Find<T>(Main(), name); }
    QListView* Items() const { return Widget<QListView>("Items"); }
    QLineEdit* Navigator() const { return Widget<QLineEdit>("Navigator"); }
    QString Status() const { return Widget<QLabel>("Status")->text(); }
    const ItemListModel* Model() const { return static_cast<const ItemListModel*>(Items()->model()); }
    // Row r of the item editor: its label and its value.
    QLabel* Label(int r) const { return Find<QLabel>(Display(), QStringLiteral("FieldLabel%1").arg(r)); }
    QPlainTextEdit* Editor(int r) const { return Find<QPlainTextEdit>(Display(), QStringLiteral("FieldEditor%1").arg(r)); }
    // The row whose label reads label, or -1.
    int RowOf(const char* label) const
    {
        for (int r = Display()->UsedRows() - 1; r >= 0; --r)
            if (Label(r)->text() == QLatin1String(label))
                return r;
        return -1;
    }
    QMenu* PopupKeys() const { return Find<QMenu>(nullptr, "PopupKeys"); }

    // Replaces the library by items built in memory and refreshes the list.
    void SetLibrary(std::vector<Bibitem> items)
    {
        s.Bib.Clear();
        s.Bib.Library = std::move(items);
        Main()->RefreshList(false);
    }
    // Selects a line as a click on it does.
    void Select(int line)
    {
        Main()->SelectLine(line);
        Main()->ItemsClick(Items());
    }

    TempDir dir;
    Session s;
    ScriptedDialogs dialogs;
    ScriptedClipboard clipboard;
    ScriptedShell shell;
    std::unique_ptr<Program> program;

  private:
    QString m_oldDir = QDir::currentPath(); // taken before the constructor moves into dir
};

// Presses a button of a window.
inline void Click(QWidget* window, QAnyStringView button) { Find<QAbstractButton>(window, button)->click(); }

// Shows a window and makes it the active one, as shortcuts and focus need.
inline bool ShowActive(QWidget* w)
{
    w->show();
    w->activateWindow();
    return QTest::qWaitForWindowActive(w);
}

// A harness whose start must succeed; a failed start fails the test (QtTest
// reports the exception) instead of running on with windows that do not exist.
struct Started : Harness {
    explicit Started(const Overrides& changes = {}) : Harness(changes)
    {
        if (!Start())
            throw std::runtime_error("start failed");
    }
};

} // namespace lorix::test
