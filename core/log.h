#pragma once
// The one way the program reports: LogMessage shows a message in the status
// line and/or keeps it, stamped, in LogList, as four switches say, and trims
// the log to "maxlogsize" lines after every call.

#include "core/settings.h"

#include <ctime>
#include <functional>
#include <string>
#include <vector>

namespace lorix {

enum class MessageKind { Status = 0, Error = 1 };

// "2004/03/07, 09:05 ": year, month, day, hour and minute of a local time.
std::string LogStamp(const std::tm& local);

class MessageLog {
  public:
    explicit MessageLog(const SettingsList& settings) : m_settings(&settings) {}

    // Throws ConversionError when "maxlogsize" is not a number; the message
    // has been shown and kept by then.
    void LogMessage(const std::string& text, MessageKind kind);

    std::vector<std::string> LogList;
    // Cleared by every error message; the consistency check sets it first.
    bool ConsistencyPassed = true;
    // Sets the text of the status line (the main window's Status label).
    std::function<void(const std::string&)> ShowStatus;
    // Sees every message, whatever the switches say (lorix-cli prints them).
    std::function<void(const std::string&, MessageKind)> Observer;
    // The local time of a call; tests replace it.
    std::function<std::tm()> Clock;

  private:
    const SettingsList* m_settings;
};

} // namespace lorix
