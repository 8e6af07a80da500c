#pragma once
// The settings store: the lines of "lorix.ini" kept exactly as read. A line
// holding "=" is a setting: its name is the text before the first "=", its
// value the text after it, neither trimmed. Reads ignore letter case and take
// the first matching line; writing an empty value deletes that line; a new
// key is appended at the end. The program reaches its settings by the keys of
// core/settingkeys.h.

#include "core/settingkeys.h"

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace lorix {

inline constexpr const char* kIniName = "lorix.ini";

class SettingsList {
  public:
    SettingsList() = default;
    explicit SettingsList(std::vector<std::string> lines);

    // The value of a key as written, of any kind.
    template <class Kind> std::string Read(const SettingKey<Kind>& key) const { return ReadByName(key.Name); }
    std::string Read(const BuiltKey& key) const { return ReadByName(key.Name); }
    template <class Kind> bool Has(const SettingKey<Kind>& key) const { return HasName(key.Name); }
    template <class Kind> void Write(const SettingKey<Kind>& key, std::string_view value)
    {
        WriteByName(key.Name, value);
    }
    void Write(const BuiltKey& key, std::string_view value) { WriteByName(key.Name, value); }
    bool IsYes(const SettingKey<YesNo>& key) const { return Read(key) == "yes"; }
    void WriteYesNo(const SettingKey<YesNo>& key, bool yes) { Write(key, yes ? "yes" : "no"); }
    // The value as a decimal integer; throws ConversionError naming the key
    // and the settings file.
    int ReadInt(const SettingKey<Number>& key) const { return IntOf(key.Name, Read(key)); }
    // text, a part of the value of key, as a decimal integer (as ReadInt).
    int IntOf(const SettingKey<Number>& key, std::string_view text) const { return IntOf(key.Name, text); }
    // A file or folder name: empty for "*none*", and written as "*none*" when empty.
    std::string ReadPath(const SettingKey<Path>& key) const;
    void WritePath(const SettingKey<Path>& key, std::string_view path);

    // By a name that the settings themselves give (the schema's type keys).
    std::string ReadByName(std::string_view name) const;
    bool HasName(std::string_view name) const;
    void WriteByName(std::string_view name, std::string_view value);
    // text, the value of the key name or a part of it, as a decimal integer;
    // throws ConversionError naming the key and the settings file.
    int IntOf(std::string_view name, std::string_view text) const;

    const std::vector<std::string>& Lines() const { return m_lines; }
    void SetLines(std::vector<std::string> lines);

    // The file the settings were read from, "" when they were not.
    const std::string& FileName() const { return m_fileName; }

    // Reads a file of lines (LF, CR LF or CR). Throws FileError.
    static SettingsList LoadFromFile(const std::string& path);
    // Writes every line in order, with the line ends the file had when read
    // (LF for a list that was never read). Throws FileError.
    void SaveToFile(const std::string& path) const;

    std::string LineEnd = "\n";

  private:
    const std::string* Find(std::string_view key) const;
    void Reindex() const;

    std::vector<std::string> m_lines;
    std::string m_fileName;
    // Lower-cased name -> index of its first line; rebuilt after a line is
    // added or removed, so that a read is one hash look-up.
    mutable std::unordered_map<std::string, size_t> m_index;
    mutable bool m_indexValid = false;
};

// Takes the text before the first "," of list into token and leaves the rest
// in list; without a "," the whole list is the token and list becomes empty.
// Nothing is trimmed.
void NextCommaToken(std::string& list, std::string& token);

} // namespace lorix
