#pragma once
// Format templates: text in which "%NN" stands for the value of field NN of
// the field list and "%(NN" for that value in parentheses (nothing when the
// item lacks the field or its value is empty).

#include "core/model.h"

#include <string>
#include <vector>

namespace lorix {

inline constexpr const char* kTemplateSyntaxError = "Syntax error in format string";

// The export's substitution. Throws ConversionError when a code's number is
// not decimal and SettingsError when it lies beyond fieldNames; both texts
// name the code.
std::string RenderTemplate(const Bibitem& item, const std::string& templ,
                           const std::vector<std::string>& fieldNames);

// The preview: field names in place of codes, or kTemplateSyntaxError for a
// code without a number. A number beyond fieldNames throws SettingsError.
std::string PreviewTemplate(const std::string& templ, const std::vector<std::string>& fieldNames);

} // namespace lorix
