#include "core/schema.h"

#include "core/errors.h"
#include "core/text.h"

namespace lorix {

void Schema::CutFieldNames()
{
    if (static_cast<int>(FieldNames.size()) > LastSchemaField + 1)
        FieldNames.resize(static_cast<size_t>(LastSchemaField) + 1);
}

void Schema::AddFieldName(const std::string& name)
{
    if (IndexOfNoCase(FieldNames, name) < 0)
        FieldNames.push_back(name);
}

namespace {
const std::string& FieldAt(const SettingsList& settings, const Schema& schema, const std::string& token,
                           const std::string& key)
{
    int i = settings.IntOf(key, token);
    if (i < 0 || i > schema.LastSchemaField)
        throw SettingsError("Field index " + token + " in setting \"" + key +
                            "\" is outside the field list (0 to " + std::to_string(schema.LastSchemaField) +
                            ").");
    return schema.FieldNames[static_cast<size_t>(i)];
}
} // namespace

void ParseSchema(const SettingsList& settings, Schema& schema,
                 const std::function<void(const std::string&)>& warn)
{
    schema = Schema{};
    std::string list, token;

    list = settings.Read(key::Types);
    while (!list.empty()) {
        NextCommaToken(list, token);
        schema.TypeTable.push_back(TItem{token, 0, {}});
    }

    list = settings.Read(key::Fields);
    while (!list.empty()) {
        NextCommaToken(list, token);
        schema.FieldNames.push_back(token);
    }
    schema.LastSchemaField = static_cast<int>(schema.FieldNames.size()) - 1;

    for (TItem& t : schema.TypeTable) {
        if (!settings.HasName(t.Name))
            throw SettingsError("The type \"" + t.Name +
                                "\" of the setting \"types\" has no key of its own.");
        list = settings.ReadByName(t.Name);
        NextCommaToken(list, token);
        t.RequiredCount = settings.IntOf(t.Name, token);
        std::string dropped;
        while (!list.empty()) {
            NextCommaToken(list, token);
            const std::string& name = FieldAt(settings, schema, token, t.Name);
            if (static_cast<int>(t.Fields.size()) < kMaxFields)
                t.Fields.push_back(name);
            else
                dropped += (dropped.empty() ? "" : ", ") + name;
        }
        if (!dropped.empty() && warn)
            warn("Type " + t.Name + " lists more than 31 fields; ignored: " + dropped);
    }

    list = settings.Read(key::Choice);
    std::string droppedGroups;
    while (!list.empty()) {
        TChoices c;
        NextCommaToken(list, c.TypeName);
        for (std::string& alt : c.Alternatives) {
            if (list.empty())
                throw SettingsError("The group \"" + c.TypeName +
                                    "\" of the setting \"choice\" lacks a field index.");
            NextCommaToken(list, token);
            alt = FieldAt(settings, schema, token, "choice");
        }
        if (schema.ChoiceCount() < kMaxChoices)
            schema.ChoiceTable.push_back(std::move(c));
        else
            droppedGroups += (droppedGroups.empty() ? "" : ", ") + c.TypeName;
    }
    if (!droppedGroups.empty() && warn)
        warn("The setting \"choice\" holds more than 10 groups; ignored: " + droppedGroups);
}

} // namespace lorix
