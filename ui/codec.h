#pragma once
// The library's bytes as text for the windows, and edits back to bytes. A
// library that is valid UTF-8 is shown as UTF-8; any other is shown as
// Windows-1252, so a Latin-1 file shows its accents and every byte survives
// a round trip through a text box.

#include "core/text.h"

#include <QString>
#include <string>
#include <string_view>

namespace lorix {

QString DecodeText(std::string_view bytes, bool utf8);
std::string EncodeText(const QString& text, bool utf8);

} // namespace lorix
