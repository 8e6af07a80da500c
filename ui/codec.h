#pragma once
// The library's bytes as text for the windows, and edits back to bytes. A
// library that is valid UTF-8 is shown as UTF-8; any other is shown as
// Windows-1252, so a Latin-1 file shows its accents and every byte survives
// a round trip through a text box.

#include "core/text.h"

#include <QString>
#include <optional>
#include <string>
#include <string_view>

namespace lorix {

QString DecodeText(std::string_view bytes, bool utf8);
// Bytes for text that is only looked at (a search): a character the code page
// lacks becomes "?". Text that is kept goes through EncodeExactly.
std::string EncodeText(const QString& text, bool utf8);

// The text as bytes of the library's encoding, or nothing when Windows-1252
// cannot hold one of its characters; bad then names the first of them.
std::optional<std::string> EncodeExactly(const QString& text, bool utf8, char32_t& bad);

} // namespace lorix
