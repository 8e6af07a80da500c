#pragma once
// The libraries opened lately, most recent first, kept in the settings as
// recent1 to recent8 for the File menu's "Recent Libraries".

#include "core/settings.h"

#include <string>
#include <vector>

namespace lorix {

inline constexpr size_t kRecentLibraries = 8;

// The names held in recent1 to recent8, in that order; unset ones (empty or
// "*none*") are left out.
std::vector<std::string> RecentLibraries(const SettingsList& settings);

// Puts name at the front of the list, once (an earlier place of the same name
// is given up), keeps the first eight and writes them back as recent1 onward.
// A relative name is taken from folder (the program folder); every name is
// kept absolute, without "." and ".." steps, so that one file has one entry.
void RememberRecentLibrary(SettingsList& settings, const std::string& name, const std::string& folder);

} // namespace lorix
