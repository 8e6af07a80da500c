#include "core/log.h"

#include <cstdio>

namespace lorix {

std::string LogStamp(const std::tm& t)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%d/%02d/%02d, %02d:%02d ", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday,
                  t.tm_hour, t.tm_min);
    return buf;
}

void MessageLog::LogMessage(const std::string& text, MessageKind kind)
{
    std::tm now{};
    if (Clock) {
        now = Clock();
    } else {
        std::time_t t = std::time(nullptr);
        localtime_r(&t, &now);
    }
    std::string stamp = LogStamp(now);
    if (Observer)
        Observer(text, kind);
    const bool status = kind == MessageKind::Status;
    const bool show = status ? Switch(key::DispStatus, {}) : Switch(key::DispError, m_errors.Show);
    const bool keep = status ? Switch(key::LogStatus, {}) : Switch(key::LogError, m_errors.Keep);
    if (show && ShowStatus)
        ShowStatus(text);
    if (keep)
        LogList.push_back(stamp + text);
    int max = m_settings->ReadInt(key::MaxLogSize);
    if (max < 0)
        max = 0;
    if (LogList.size() > static_cast<size_t>(max))
        LogList.erase(LogList.begin(), LogList.begin() + static_cast<std::ptrdiff_t>(LogList.size() - max));
}

} // namespace lorix
