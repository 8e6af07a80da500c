#include "core/settings.h"

#include "core/errors.h"
#include "core/fileio.h"
#include "core/text.h"

#include <filesystem>

namespace lorix {

SettingsList::SettingsList(std::vector<std::string> lines) : m_lines(std::move(lines)) {}

void SettingsList::SetLines(std::vector<std::string> lines)
{
    m_lines = std::move(lines);
    m_indexValid = false;
}

void SettingsList::Reindex() const
{
    m_index.clear();
    for (size_t i = 0; i < m_lines.size(); ++i) {
        const std::string& line = m_lines[i];
        size_t eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        m_index.emplace(LowerAscii(std::string_view(line).substr(0, eq)), i); // keeps the first
    }
    m_indexValid = true;
}

const std::string* SettingsList::Find(std::string_view key) const
{
    if (!m_indexValid)
        Reindex();
    auto it = m_index.find(LowerAscii(key));
    return it == m_index.end() ? nullptr : &m_lines[it->second];
}

std::string SettingsList::ReadByName(std::string_view key) const
{
    const std::string* line = Find(key);
    if (!line)
        return {};
    return line->substr(line->find('=') + 1);
}

bool SettingsList::HasName(std::string_view key) const
{
    return Find(key) != nullptr;
}

std::string SettingsList::ReadPath(const SettingKey<Path>& key) const
{
    std::string value = Read(key);
    return value == kNone ? std::string() : value;
}

void SettingsList::WritePath(const SettingKey<Path>& key, std::string_view path)
{
    Write(key, path.empty() ? std::string_view(kNone) : path);
}

int SettingsList::IntOf(std::string_view key, std::string_view text) const
{
    int v = 0;
    if (!TryToInt(text, v))
        throw ConversionError(NotAnIntegerText(text) + " for the setting \"" + std::string(key) + "\"" +
                              (m_fileName.empty() ? std::string() : " in " + m_fileName) + ".");
    return v;
}

void SettingsList::WriteByName(std::string_view key, std::string_view value)
{
    if (!m_indexValid)
        Reindex();
    auto it = m_index.find(LowerAscii(key));
    if (value.empty()) {
        if (it != m_index.end()) {
            m_lines.erase(m_lines.begin() + static_cast<std::ptrdiff_t>(it->second));
            m_indexValid = false;
        }
        return;
    }
    std::string line;
    line.reserve(key.size() + 1 + value.size());
    line.append(key).append("=").append(value);
    if (it != m_index.end()) {
        m_lines[it->second] = std::move(line);
    } else {
        m_lines.push_back(std::move(line));
        m_indexValid = false;
    }
}

SettingsList SettingsList::LoadFromFile(const std::string& path)
{
    std::string bytes = ReadWholeFile(path);
    SettingsList s(SplitLines(bytes));
    std::error_code ec;
    const std::filesystem::path full = std::filesystem::absolute(path, ec);
    s.m_fileName = ec ? path : full.lexically_normal().string();
    size_t nl = bytes.find('\n');
    s.LineEnd = (nl != std::string::npos && nl > 0 && bytes[nl - 1] == '\r') ? "\r\n" : "\n";
    return s;
}

void SettingsList::SaveToFile(const std::string& path) const
{
    WriteLinesAtomic(path, m_lines, LineEnd);
}

void NextCommaToken(std::string& list, std::string& token)
{
    size_t comma = list.find(',');
    if (comma == std::string::npos) {
        token = std::move(list);
        list.clear();
    } else {
        token = list.substr(0, comma);
        list.erase(0, comma + 1);
    }
}

} // namespace lorix
