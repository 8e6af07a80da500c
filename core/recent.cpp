#include "core/recent.h"

#include <algorithm>
#include <filesystem>

namespace lorix {

std::vector<std::string> RecentLibraries(const SettingsList& settings)
{
    std::vector<std::string> names;
    for (size_t i = 0; i < kRecentLibraries; ++i) {
        std::string name = settings.Read(key::Recent(i));
        if (!name.empty() && name != kNone)
            names.push_back(std::move(name));
    }
    return names;
}

void RememberRecentLibrary(SettingsList& settings, const std::string& name, const std::string& folder)
{
    if (name.empty() || name == kNone)
        return;
    const std::filesystem::path given(name);
    std::vector<std::string> names{
        (given.is_absolute() ? given : std::filesystem::path(folder) / given).lexically_normal().string()};
    for (std::string& old : RecentLibraries(settings))
        if (names.size() < kRecentLibraries && std::find(names.begin(), names.end(), old) == names.end())
            names.push_back(std::move(old));
    // Every key is written, so that a gap or a doubled name left by a hand
    // edit of the settings file is closed up.
    for (size_t i = 0; i < kRecentLibraries; ++i)
        settings.Write(key::Recent(i), i < names.size() ? names[i] : std::string());
}

} // namespace lorix
