#pragma once
// Byte-level text helpers. Everything here works on the bytes exactly as the
// files hold them; "letter case" always means the ASCII letters A to Z only.

#include <string>
#include <string_view>
#include <vector>

namespace lorix {

// True for the bytes that trimming removes: blanks and control characters.
constexpr bool IsTrimByte(unsigned char c)
{
    return c <= 32;
}

std::string_view TrimView(std::string_view s);
std::string Trim(std::string_view s);

constexpr char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}
std::string LowerAscii(std::string_view s);
bool EqualsNoCase(std::string_view a, std::string_view b);
// Compares lower-cased bytes: <0, 0, >0.
int CompareNoCase(std::string_view a, std::string_view b);
// Case-insensitive look-up in an ordered list of strings; -1 when absent.
int IndexOfNoCase(const std::vector<std::string>& list, std::string_view s);
bool StartsWith(std::string_view s, std::string_view prefix);

// Decimal integer conversion without fallback: optional sign and digits, with
// surrounding blanks allowed; anything else (or a value outside 32 bits)
// throws ConversionError naming the text.
int ToInt(std::string_view s);
// The same conversion without an exception: false for a text that is no integer.
bool TryToInt(std::string_view s, int& value);
// "'TEXT' is not a valid integer value".
std::string NotAnIntegerText(std::string_view s);

// Whole buffer is well-formed UTF-8 (no overlongs, no surrogates).
bool IsValidUtf8(std::string_view s);

// Number of characters in s: code points when utf8, bytes otherwise.
size_t CharCount(std::string_view s, bool utf8);
// Byte length of the first n characters of s (whole string when shorter).
size_t CharPrefixBytes(std::string_view s, size_t n, bool utf8);

} // namespace lorix
