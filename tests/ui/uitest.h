#pragma once
// A fresh program for each GUI test: a temporary working folder with a
// lorix.ini made from the delivered one (with the test's changes), scripted
// dialogs, clipboard and shell, and the eight windows started in order.

#include "core/session.h"
#include "core/settings.h"
#include "support/testutil.h"
#include "ui/formdisplay.h"
#include "ui/formlog.h"
#include "ui/formmain.h"
#include "ui/formoptions.h"
#include "ui/program.h"
#include "ui/scripted.h"

#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>

namespace lorix::test {

using Overrides = std::map<std::string, std::string>;

// The delivered settings with a few keys replaced; by default no library and
// no log file, so that a start touches nothing but the settings.
inline void WriteIni(const std::string& path, const Overrides& changes)
{
    SettingsList st = SettingsList::LoadFromFile(std::string(LORIX_SOURCE_DIR) + "/data/lorix.ini");
    st.Write(key::Filename, kNone);
    st.Write(key::LastFile, kNone);
    st.Write(key::LogFile, kNone);
    for (const auto& [key, value] : changes)
        st.WriteByName(key, value);
    st.SaveToFile(path);
}

inline Bibitem MakeItem(const std::string& type, const std::string& ref,
                        std::initializer_list<std::pair<const char*, const char*>> fields)
{
    Bibitem b;
    b.ItemType = type;
    b.Reference = ref;
    for (const auto& [n, v] : fields)
        b.Fields.push_back({n, v, false});
    return b;
}

class Harness {
  public:
    explicit Harness(const Overrides& changes = {}, bool withIni = true)
    {
        m_oldDir = QDir::currentPath();
        QDir::setCurrent(QString::fromStdString(dir.path()));
        if (withIni)
            WriteIni(dir.file("lorix.ini"), changes);
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
        Main()->ItemsClick(Main()->Items);
    }
    QStringList Lines() const
    {
        QStringList out;
        for (int r = 0; r < Main()->ItemLines->rowCount(); ++r)
            out << Main()->ItemLines->data(Main()->ItemLines->index(r), Qt::DisplayRole).toString();
        return out;
    }
    std::string IniOnDisk() const { return ReadFile(dir.file("lorix.ini")); }

    TempDir dir;
    Session s;
    ScriptedDialogs dialogs;
    ScriptedClipboard clipboard;
    ScriptedShell shell;
    std::unique_ptr<Program> program;

  private:
    QString m_oldDir;
};

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
