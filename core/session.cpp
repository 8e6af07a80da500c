#include "core/session.h"

#include "core/fileio.h"

namespace lorix {

bool LoadSettingsFile(Session& s, const std::string& iniPath)
{
    if (!FileExists(iniPath))
        return false;
    s.Settings = SettingsList::LoadFromFile(iniPath);
    return true;
}

void LoadLogFile(Session& s)
{
    const std::string name = s.Settings.Read(key::LogFile);
    if (FileExists(name))
        s.Log.LogList = SplitLines(ReadWholeFile(name));
    else if (name != kNone)
        s.Error("Logfile not found");
}

void ParseSessionSchema(Session& s)
{
    ParseSchema(s.Settings, s.schema, [&s](const std::string& text) { s.Error(text); });
}

void WriteLogFile(const Session& s)
{
    const std::string name = s.Settings.ReadPath(key::LogFile);
    if (name.empty())
        return;
    WriteLinesAtomic(JoinPath(s.ProgramDir, name), s.Log.LogList, "\n");
}

void WriteSettingsFile(const Session& s)
{
    s.Settings.SaveToFile(JoinPath(s.ProgramDir, kIniName));
}

} // namespace lorix
