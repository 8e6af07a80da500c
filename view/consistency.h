#pragma once
// The consistency check of a whole library: references used by more than
// one item, the schema rules of every item (as the item editor reports
// them), and document files that belong to no item.

#include "core/session.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace lorix {

// The entry names of the folder that the document prefix pdfPath names, in
// listing order, without "." and "..": with pdfPath "" the working folder,
// with "dir/" every entry of dir, with "dir/pre" the entries of dir whose
// names start with "pre". Empty when the folder cannot be listed.
std::vector<std::string> ListDocumentFolder(const std::string& pdfPath);

// The part of an entry name before its first "." (empty without a ".").
std::string_view DocumentBase(std::string_view entryName);

// The key by which a reference owns files: its first ":" removed, lower case.
std::string DocumentKey(std::string_view reference);

// Runs the check, logging every finding and the summary through the
// session's log, which keeps every error meanwhile whatever "log.error" says. Brings every item's HasDocument
// up to date as showing it would. afterItems, when given, runs once the
// schema rules of every item are checked, before the file test (the window
// shows its item again there). Returns whether the check passed.
bool CheckConsistency(Session& s, const std::string& pdfPath, const std::function<void()>& afterItems = {});

} // namespace lorix
