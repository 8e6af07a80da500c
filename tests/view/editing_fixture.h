#pragma once
// A small session built in memory for the item editing tests: a schema with
// an "article" type (author, title required; year, key, journal optional),
// pairs on article, and a log that keeps every message.

#include "core/session.h"

#include <string>
#include <utility>
#include <vector>

namespace lorix::test {

inline void SetUpEditingSession(Session& s)
{
    s.Settings.SetLines({"maxlogsize=100000", "log.error=yes", "log.status=yes", "disp.error=no",
                         "disp.status=no", "pdfpath=*none*"});
    s.schema.TypeTable = {
        {"article", 2, {"author", "title", "year", "key", "journal"}},
        {"book", 1, {"editor", "title"}},
        {"misc", 0, {}},
    };
    // The first pair is never reported as a conflict; the others are.
    s.schema.ChoiceTable = {
        {"article", {"journal", "year"}},
        {"article", {"author", "editor"}},
        {"book", {"editor", "author"}},
    };
}

inline Bibitem Item(std::string type, std::string ref,
                    std::vector<std::pair<std::string, std::string>> fields)
{
    Bibitem it;
    it.ItemType = std::move(type);
    it.Reference = std::move(ref);
    for (auto& [n, v] : fields)
        it.Fields.push_back(Bibfield{n, v, false});
    return it;
}

// The messages of the log without their time stamps.
inline std::vector<std::string> Messages(const Session& s)
{
    std::vector<std::string> out;
    for (const std::string& line : s.Log.LogList)
        out.push_back(line.substr(line.find(':') + 4)); // "2004/03/07, 09:05 "
    return out;
}

} // namespace lorix::test
