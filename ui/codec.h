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
// UTF-8 text from outside (the clipboard, a fetched record) as bytes of the
// library's encoding: unchanged for a UTF-8 library, converted for a
// Windows-1252 one; nothing when a character cannot be held.
std::optional<std::string> FromUtf8Exactly(std::string_view utf8, bool utf8Library, char32_t& bad);
// The error message for a character that Windows-1252 cannot hold; the
// character is named by its code, which reads the same in either encoding.
std::string UnencodableMessage(char32_t bad, const std::string& consequence);

} // namespace lorix
