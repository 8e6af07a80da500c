#pragma once
// The settings store: the lines of "lorix.ini" kept exactly as read. A line
// holding "=" is a setting: its name is the text before the first "=", its
// value the text after it, neither trimmed. Reads ignore letter case and take
// the first matching line; writing an empty value deletes that line; a new
// key is appended at the end.

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace lorix {

inline constexpr const char* kNone = "*none*";
inline constexpr const char* kIniName = "lorix.ini";

class SettingsList {
  public:
    SettingsList() = default;
    explicit SettingsList(std::vector<std::string> lines);

    std::string Read(std::string_view key) const;
    // Switches hold "yes" or "no"; anything but "yes" (an absent key included) is no.
    bool IsYes(std::string_view key) const { return Read(key) == "yes"; }
    // The value read as a decimal integer; throws ConversionError naming
    // the key and the settings file.
    int ReadInt(std::string_view key) const { return IntOf(key, Read(key)); }
    // text, the value of key or a part of it, as a decimal integer; throws
    // ConversionError naming the key and the settings file.
    int IntOf(std::string_view key, std::string_view text) const;
    bool Has(std::string_view key) const;
    void Write(std::string_view key, std::string_view value);
    void WriteYesNo(std::string_view key, bool yes) { Write(key, yes ? "yes" : "no"); }

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
