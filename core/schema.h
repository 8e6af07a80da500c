#pragma once
// The schema of reference types and fields, parsed once at start-up from the
// settings keys "fields", "types", one key per type, and "choice".

#include "core/settings.h"

#include <functional>
#include <string>
#include <vector>

namespace lorix {

inline constexpr int kMaxFields = 31;  // fields of an item, field names of a type
inline constexpr int kMaxChoices = 10; // either-or pairs of the schema
inline constexpr int kFallbackTypeIndex = 14;

struct TItem {
    std::string Name;
    int RequiredCount = 0;
    std::vector<std::string> Fields; // at most kMaxFields
    int LastField() const { return static_cast<int>(Fields.size()) - 1; }
};

struct TChoices {
    std::string TypeName;
    std::string Alternatives[2];
};

struct Schema {
    std::vector<std::string> FieldNames;
    int LastSchemaField = -1;
    std::vector<TItem> TypeTable;
    std::vector<TChoices> ChoiceTable; // at most kMaxChoices
    int LastTypeIndex() const { return static_cast<int>(TypeTable.size()) - 1; }
    int ChoiceCount() const { return static_cast<int>(ChoiceTable.size()); }

    // Cuts FieldNames back to the names of the "fields" key (before each load).
    void CutFieldNames();
    // Appends a field name met in a file unless the list has it (ignoring case).
    void AddFieldName(const std::string& name);
};

// Parses the schema keys. Entries beyond the fixed capacities are dropped and
// each drop is reported through `warn`; an integer that is not one throws
// ConversionError, an index outside FieldNames, a type without its key or a
// choice group without its indices throws SettingsError. What was parsed
// before the failure stays in `schema`.
void ParseSchema(const SettingsList& settings, Schema& schema,
                 const std::function<void(const std::string&)>& warn);

} // namespace lorix
