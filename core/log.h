#pragma once
// The one way the program reports: LogMessage shows a message in the status
// line and/or keeps it, stamped, in LogList, as four switches say, and trims
// the log to "maxlogsize" lines after every call.

#include "core/settings.h"

#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace lorix {

enum class MessageKind { Status = 0, Error = 1 };

// "2004/03/07, 09:05 ": year, month, day, hour and minute of a local time.
std::string LogStamp(const std::tm& local);

// Where error messages go for a while, in place of the switches "log.error"
// (Keep) and "disp.error" (Show); unset: as the switch says.
struct ErrorPolicy {
    std::optional<bool> Keep;
    std::optional<bool> Show;
};

class MessageLog {
  public:
    explicit MessageLog(const SettingsList& settings) : m_settings(&settings) {}

    // Throws ConversionError when "maxlogsize" is not a number; the message
    // has been shown and kept by then.
    void LogMessage(const std::string& text, MessageKind kind);

    // An error policy for the life of a scope (the consistency check keeps
    // every error it finds; a new, empty item reports none). The settings
    // are never touched, so whatever is stored meanwhile is the user's choice.
    class [[nodiscard]] Scope {
      public:
        Scope(MessageLog& log, ErrorPolicy policy) : m_log(log), m_outer(log.m_errors)
        {
            log.m_errors = policy;
        }
        ~Scope() { m_log.m_errors = m_outer; }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

      private:
        MessageLog& m_log;
        ErrorPolicy m_outer;
    };

    std::vector<std::string> LogList;
    // Sets the text of the status line (the main window's Status label).
    std::function<void(const std::string&)> ShowStatus;
    // Sees every message, whatever the switches say (lorix-cli prints them).
    std::function<void(const std::string&, MessageKind)> Observer;
    // The local time of a call; tests replace it.
    std::function<std::tm()> Clock;

  private:
    bool Switch(const SettingKey<YesNo>& key, const std::optional<bool>& policy) const
    {
        return policy ? *policy : m_settings->IsYes(key);
    }

    const SettingsList* m_settings;
    ErrorPolicy m_errors;
};

} // namespace lorix
