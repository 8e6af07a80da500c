#pragma once
// Byte-level text helpers. Everything here works on the bytes exactly as the
// files hold them; "letter case" always means the ASCII letters A to Z only.

#include <array>
#include <cstdint>
#include <optional>
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
// A hash that agrees wherever EqualsNoCase does (FNV-1a of the lower-cased
// bytes); inline for the short names and keywords the reader hashes.
inline std::uint64_t HashNoCase(std::string_view s)
{
    std::uint64_t h = 14695981039346656037ULL;
    for (const char c : s)
        h = (h ^ static_cast<unsigned char>(LowerAscii(c))) * 1099511628211ULL;
    return h;
}
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

// Windows-1252 differs from Latin-1 only in 0x80..0x9F: these are the
// characters of those bytes. The five holes of the code page stand for the C1
// control of the same value, so that every byte round-trips.
inline constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// Appends the well-formed UTF-8 text utf8 to out in Windows-1252; false (and
// out unchanged) when a character has no byte in that code page.
bool AppendUtf8AsCp1252(std::string& out, std::string_view utf8);
// UTF-8 text in Windows-1252; nothing when a character has no byte there,
// which bad then names (U+FFFD for a byte that is no UTF-8).
std::optional<std::string> Utf8AsCp1252(std::string_view utf8, char32_t& bad);
// The same for text that is only looked at or dropped: "?" for such a character.
std::string Utf8AsCp1252Lossy(std::string_view utf8);
// The error message for a character that Windows-1252 cannot hold; the
// character is named by its code, which reads the same in either encoding.
std::string UnencodableMessage(char32_t bad, const std::string& consequence);

} // namespace lorix
